// A real HTTP server on 127.0.0.1 inside the test process.  It answers every request with the
// raw bytes it was given and closes the connection; with no bytes it accepts and never answers.
// It runs on the fetch's own local event loop.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

class CLoopbackHttpServer {
public:
    CLoopbackHttpServer() {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { Accept(); });
    }
    CLoopbackHttpServer(const CLoopbackHttpServer&) = delete;
    CLoopbackHttpServer& operator=(const CLoopbackHttpServer&) = delete;

    bool IsListening() const { return m_server.isListening(); }
    QString Authority() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    QString Address(const char* path) const {
        return QStringLiteral("http://") + Authority() + QString::fromLatin1(path);
    }

    void SetResponse(const QByteArray& raw) { m_response = raw; }
    // The response goes out but the connection stays open: a body that ends in a stall.
    void StallAfterResponse(bool stall) { m_bStall = stall; }
    // The head of the last request received.
    const QByteArray& LastRequest() const { return m_lastRequest; }
    int RequestCount() const { return m_nRequests; }
    // Called with each request head, while the client waits for the answer.
    void OnRequest(std::function<void()> callback) { m_onRequest = std::move(callback); }

    static QByteArray WithLength(const QByteArray& body, const char* status = "200 OK") {
        return Head(status, "Content-Length: " + QByteArray::number(body.size())) + body;
    }
    static QByteArray WithHeader(const QByteArray& header, const QByteArray& body) {
        return Head("200 OK", header) + body;
    }
    // Transfer-Encoding chunked, in pieces of the given size: no Content-Length at all.
    static QByteArray Chunked(const QByteArray& body, int piece = 1000) {
        QByteArray raw = Head("200 OK", "Transfer-Encoding: chunked");
        for (qsizetype at = 0; at < body.size(); at += piece) {
            const QByteArray part = body.mid(at, piece);
            raw += QByteArray::number(part.size(), 16) + "\r\n" + part + "\r\n";
        }
        return raw + "0\r\n\r\n";
    }

private:
    static QByteArray Head(const char* status, const QByteArray& header) {
        return QByteArray("HTTP/1.1 ") + status + "\r\nContent-Type: text/plain\r\n" + header +
               "\r\nConnection: close\r\n\r\n";
    }

    void Accept() {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                m_pending[socket] += socket->readAll();
                if (!m_pending[socket].contains("\r\n\r\n")) {
                    return;
                }
                m_lastRequest = m_pending.take(socket);
                ++m_nRequests;
                if (m_onRequest) {
                    m_onRequest();
                }
                if (m_response.isEmpty()) {
                    return;  // accepted, never answered
                }
                socket->write(m_response);
                socket->flush();
                if (!m_bStall) {
                    socket->disconnectFromHost();
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    QTcpServer m_server;
    QByteArray m_response;
    bool m_bStall = false;
    QByteArray m_lastRequest;
    int m_nRequests = 0;
    std::function<void()> m_onRequest;
    QHash<QTcpSocket*, QByteArray> m_pending;
};
