#include "online/web_session.h"

#include "platform/message_box.h"
#include "platform/text_codec.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <string>

using namespace Qt::StringLiterals;

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 4.01; Windows 98)";
// The announced length is read as text into a buffer of this size, its terminating zero included;
// a longer value is the one failure of the length query that is not "no such header".
constexpr qsizetype kLengthQueryBytes = 32;

// The proxy the system is configured with, asked afresh for every request.
class CSystemProxyFactory : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return systemProxyForQuery(query);
    }
};

class CBusyCursor {
public:
    CBusyCursor() : m_bShown(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (m_bShown) {
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        }
    }
    ~CBusyCursor() {
        if (m_bShown) {
            QGuiApplication::restoreOverrideCursor();
        }
    }
    CBusyCursor(const CBusyCursor&) = delete;
    CBusyCursor& operator=(const CBusyCursor&) = delete;

private:
    bool m_bShown;
};

// The length as atoi reads it (white space, a sign, digits up to the first other character, none
// gives 0), saturating instead of overflowing.
qint64 LengthFromText(const QByteArray& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = qMin<qint64>(value * 10 + (text[i] - '0'), Q_INT64_C(1) << 40);
    }
    return negative ? -value : value;
}

QByteArray UpToZero(const QByteArray& bytes) {
    const qsizetype zero = bytes.indexOf('\0');
    return zero < 0 ? bytes : bytes.left(zero);
}

}  // namespace

CWebSession::CWebSession(QWidget* parent) : m_pParent(parent), m_pManager(new QNetworkAccessManager) {
    m_pManager->setProxyFactory(new CSystemProxyFactory);
}

CWebSession::~CWebSession() = default;

QString CWebSession::Fetch(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    // Only the web: a version file is never read from the disk or a data: address.
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http"_s && scheme != u"https"_s)) {
        return m_strFailure;
    }
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    // The announced length must count the very bytes we read, so no compressed transfer.
    request.setRawHeader("Accept-Encoding", "identity");

    const CBusyCursor busy;
    const std::unique_ptr<QNetworkReply> reply(m_pManager->get(request));

    bool modeKnown = false;
    bool announced = false;
    bool lengthTooLong = false;
    bool timedOut = false;
    qint64 wanted = kMaxBodyBytes;
    QByteArray body;

    // Decided on the final response's headers (after any redirection): the first data or the end.
    const auto learnMode = [&] {
        if (modeKnown) {
            return;
        }
        modeKnown = true;
        if (!reply->hasRawHeader("Content-Length")) {
            return;
        }
        const QByteArray value = reply->rawHeader("Content-Length");
        if (value.size() >= kLengthQueryBytes) {
            lengthTooLong = true;
            wanted = 0;
            return;
        }
        // Never trusted for more than the cap, nor below nothing; only what arrives is kept.
        announced = true;
        wanted = std::clamp<qint64>(LengthFromText(value), 0, kMaxBodyBytes);
    };

    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    stall.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5% early
    stall.setInterval(m_nStallMilliseconds);
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    const auto progress = [&] { stall.start(); };
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, progress);
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, progress);
    QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, progress);
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, [&] {
        stall.start();
        learnMode();
        if (body.size() < wanted) {
            body += reply->read(wanted - body.size());
        }
        if (body.size() >= wanted) {
            loop.quit();  // all we will read; dropping the reply drops the rest of a long body
        }
    });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    stall.start();
    if (!reply->isFinished()) {
        // The command blocks the user's input as a synchronous read would, but the window repaints.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    stall.stop();

    if (timedOut) {
        return m_strFailure;
    }
    // No response at all: refused, unresolved, unreachable, or the connection dropped early.
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        return m_strFailure;
    }
    learnMode();
    if (lengthTooLong) {
        ZMessageBox(u"Unbekannter Fehler!"_s, QMessageBox::Ok, QMessageBox::NoIcon, m_pParent);
        return m_strFailure;
    }
    QByteArray text;
    if (announced) {
        // One read of the announced size: the text ends at the first zero byte.
        text = UpToZero(body.left(wanted));
    } else {
        // Reads of 8192 bytes, each cut at its own first zero byte.
        for (qsizetype at = 0; at < body.size(); at += kChunkBytes) {
            text += UpToZero(body.mid(at, kChunkBytes));
        }
    }
    return TextFromVault(std::string(text.constData(), static_cast<std::size_t>(text.size())));
}
