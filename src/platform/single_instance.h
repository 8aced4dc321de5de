// One running program per user session, standing in for the shell's DDE conversation: a second
// start hands its vault path (or a plain "come to the front") to the running program over a local
// socket and then ends.
//
// Start-up:   CSingleInstance instance;
//             if (instance.TryHandOver(path)) return 0;
//             if (!instance.Listen() && instance.TryHandOver(path)) return 0;  // lost a start-up race
//             connect the two signals ...
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <deque>

class QLocalServer;
class QLocalSocket;
class QTimer;

class CSingleInstance : public QObject {
    Q_OBJECT

public:
    // Longest path a message may carry, in UTF-8 bytes (the platform's PATH_MAX).
    static constexpr int kMaxPathBytes = 4096;
    // A client has this long to send its whole message; then the server closes the connection.
    static constexpr int kClientTimeLimitMs = 2000;

    // An empty serverName means DefaultServerName(); tests give names of their own.  A name without a
    // folder lies in the temporary folder.
    explicit CSingleInstance(const QString& serverName = QString(), QObject* parent = nullptr);
    ~CSingleInstance() override;
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // The socket path of this user: Halvorn-Zelmora-UID in $XDG_RUNTIME_DIR when that is a folder of
    // this user's, else in the temporary folder.
    static QString DefaultServerName();
    const QString& ServerName() const { return m_strServerName; }

    // Client side.  path: the cleaned absolute path of the vault to open (a relative one is taken
    // against the current folder), or empty to only bring the running window to the front.  True
    // when a running program of this user took the request: the caller then ends with status 0.
    // False when none answers in time or the path is longer than kMaxPathBytes.  Runs a local event
    // loop (without user input) for at most a few seconds.
    bool TryHandOver(const QString& path);

    // Server side.  Takes the name; a socket left behind by a program that ended without closing it
    // is replaced.  False when a running program answers under the name, or the name cannot be taken.
    bool Listen();
    bool IsListening() const;

signals:
    // Bring the main window to the front.  Emitted for every request, before openRequested.
    void activateRequested();
    // Open the vault by the framework open route.
    void openRequested(const QString& path);

private:
    struct SRequest {
        bool bOpen = false;
        QString strPath;
    };

    void OnNewConnection();
    void ReadFrom(QLocalSocket* socket);
    void Accept(QLocalSocket* socket, SRequest request);
    void Drop(QLocalSocket* socket);
    void Forget(QLocalSocket* socket);
    void DeliverQueued();
    bool SomeoneAnswers() const;

    QString m_strServerName;
    QLocalServer* m_pServer = nullptr;
    QHash<QLocalSocket*, QByteArray> m_connections;  // open connections and what each has sent
    std::deque<SRequest> m_queue;
    QTimer* m_pModalWait = nullptr;  // re-checks for a closed modal dialog while requests wait
    bool m_bDelivering = false;      // a slot is still handling the previous request
};
