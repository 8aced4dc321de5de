// The main window: menu bar, tool bar, status bar with the prompt and the lock indicators, the
// entry list view as its whole client area, its placement between runs, and dropped files.
#pragma once

#include <QMainWindow>

class CCommandActions;
class CLockCoordinator;
class CZelmoraDoc;
class CZelmoraView;
class QLabel;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CZelmoraDoc& doc, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CZelmoraView& View() const { return *m_view; }
    const CCommandActions& Actions() const { return *m_actions; }

    // Shows the window; the first call restores the stored placement (when "RestorePosition" is
    // set) and uses its show state instead of showCommand (1 normal, 2 minimised, 3 maximised,
    // 5 as it is).
    void ActivateFrame(int showCommand = 5);
    // The message pane's text until the next prompt.
    void SetMessageText(const QString& text);
    QString MessageText() const;

    // Enables, disables and ticks every command by the current state.
    void UpdateCommandUI();

    // The stored placement written as the close request does.
    void SavePlacement() const;

    // Raises and activates the window, out of its minimised state.
    void BringToFront();

    // Section of the tool bar's and status bar's state.
    static QString BarStateSection();

    // Ours: the lock's triggers and the unlock.
    CLockCoordinator& Lock() const { return *m_lock; }
    // Commands a locked vault disables (they need its entries).
    static bool NeedsEntries(int id);
    static bool NeedsSelection(int id);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    // Ours: the search field after the last button group, Strg+F and the "3 von 120" pane.
    void CreateSearch();
    void ConnectCommands();
    void UpdateTitle();
    void UpdateLockPanes();
    // Ours: lock, clipboard pane, "Sicherheit" and the hidden passwords (frame_safety.cpp).
    void CreateSafety();
    void UpdateSafetyCommands();
    QString LockedCaption() const;
    void RestorePlacement(int& showCommand);
    // The frame's width on each side of the window, as the window manager draws it (estimated
    // before the window was first shown).
    QMargins FrameMargins() const;

    CZelmoraDoc& m_doc;
    CZelmoraView* m_view;
    CCommandActions* m_actions;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_message = nullptr;
    QLabel* m_lockPanes[3] = {};
    bool m_bFirstActivation = true;
    CLockCoordinator* m_lock = nullptr;
    QLabel* m_clipboardPane = nullptr;
    QLabel* m_searchPane = nullptr;
};
