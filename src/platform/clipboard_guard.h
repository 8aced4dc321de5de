// The clipboard as a password safe uses it: a copied text is marked secret for clipboard histories,
// and after "ClipboardSeconds" it is emptied again, but only while the clipboard still holds that
// very text; the X selection PRIMARY goes too while it holds a text of this program.  On Wayland,
// where a window without the focus may not touch the clipboard, wl-copy (wl-clipboard) does it.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class CClipboardGuard : public QObject {
    Q_OBJECT
public:
    // The MIME type that keeps clipboard histories from storing a copied text.
    static constexpr const char* kPasswordHintType = "x-kde-passwordManagerHint";

    explicit CClipboardGuard(QObject* parent = nullptr);
    ~CClipboardGuard() override;

    // Puts text on the clipboard and starts (or restarts) the countdown.
    void Copy(const QString& text);
    // "Lösche Zwischenablage": an empty text on the clipboard, whatever it held.
    void PutEmptyText();
    // Locking and quitting: empties the clipboard now if it still holds the last copy, and PRIMARY
    // if it holds a text of ours; the copy is wiped either way.
    void ClearOwn();

    // Whole seconds until the clipboard is emptied; 0 while no countdown runs.
    int SecondsLeft() const;
    // One step of the countdown (the timer runs it every second; tests after moving their clock).
    void Poll();

    // Whether the clipboard holds the last copy.
    bool HoldsOwnCopy() const;

    // Tests: use the Wayland route with these programs (recording stand-ins) instead of what the
    // platform says; an empty copy program restores the platform's choice.
    static void UseWaylandTools(const QString& copyProgram, const QString& pasteProgram);

signals:
    // The seconds left after a change; 0 when the countdown ended or stopped.
    void countdownChanged(int secondsLeft);

private:
    void Stop();
    void ForgetCopy();
    void OnClipboardChanged();
    // The Wayland route, wl-paste to ask and wl-copy to empty; false where it is not taken.
    bool ClearWithTools(bool clipboard, bool primary);

    QTimer m_timer;
    QString m_strCopied;  // what was put on the clipboard last, empty once forgotten
    bool m_bHolding = false;
    qint64 m_nDeadline = 0;
    int m_nShown = 0;
};
