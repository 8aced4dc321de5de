// A small synchronous HTTP downloader: fetches the body of one address as text.  Failure is
// reported in-band: Fetch then returns the caller's failure text instead of a body.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QNetworkAccessManager;

class CWebSession {
public:
    // Bodies are a version number; nothing larger is ever read, whatever the server announces.
    static constexpr int kMaxBodyBytes = 64 * 1024;
    // Read size when the server announces no length; each such piece ends at its first zero byte.
    static constexpr int kChunkBytes = 8192;
    // A fetch that sees no progress for this long gives up.
    static constexpr int kDefaultStallMilliseconds = 30000;

    // parent owns the one message box a fetch may show.
    explicit CWebSession(QWidget* parent = nullptr);
    CWebSession(const CWebSession&) = delete;
    CWebSession& operator=(const CWebSession&) = delete;
    virtual ~CWebSession();

    void SetFailureText(const QString& failure) { m_strFailure = failure; }
    void SetStallTimeout(int milliseconds) { m_nStallMilliseconds = milliseconds; }

    // GET of an http or https address with the old browser's user agent and the system proxy.
    // Blocks (user input is held back, the cursor shows busy) until the body is read, and returns
    // it (Windows-1252 bytes up to the first zero byte), or the failure text.
    QString Fetch(const QString& address);

private:
    QString m_strFailure;
    // Other events run while a fetch waits: the window may be gone by the time a message shows.
    QPointer<QWidget> m_pParent;
    int m_nStallMilliseconds = kDefaultStallMilliseconds;
    std::unique_ptr<QNetworkAccessManager> m_pManager;
};
