#include "platform/single_instance.h"

#include "platform/product.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStringDecoder>
#include <QTimer>
#include <QWidget>
#include <QtEndian>

#if defined(Q_OS_UNIX)
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// A message: the magic "ZLM1", a kind byte, the payload length (32 bits, big-endian), the payload
// (the path in UTF-8).  The server answers an accepted request with one acknowledgement byte.
constexpr char kMagic[4] = {'Z', 'L', 'M', '1'};
constexpr char kKindOpen = 'O';
constexpr char kKindActivate = 'A';
constexpr char kAck = 'K';
constexpr int kHeaderBytes = 9;
constexpr int kMaxMessageBytes = kHeaderBytes + CSingleInstance::kMaxPathBytes;

constexpr int kConnectMs = 1000;
// The running program acknowledges at once, even while a modal dialog holds the request back.
constexpr int kAckMs = 5000;
constexpr int kMaxConnections = 8;
constexpr int kMaxQueued = 16;
constexpr int kModalPollMs = 200;

QString UserTag() {
#if defined(Q_OS_UNIX)
    return QString::number(getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

// Whether the process at the other end of a connected socket runs as this user.  Owner-only access
// to the socket already keeps other users out; this also covers a socket another user placed under
// the name in a shared temporary folder, which must not receive our paths.
bool PeerIsThisUser(const QLocalSocket& socket) {
#if defined(Q_OS_LINUX)
    ucred cred{};
    socklen_t size = sizeof cred;
    if (getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0) {
        return false;
    }
    return cred.uid == getuid();
#else
    Q_UNUSED(socket);
    return true;
#endif
}

// Removes what a program that ended without closing left under the name.  False when something
// that is not this user's socket sits there: it is left alone.
bool RemoveStaleSocket(const QString& path) {
#if defined(Q_OS_UNIX)
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (lstat(encoded.constData(), &info) != 0) {
        return errno == ENOENT;
    }
    if (!S_ISSOCK(info.st_mode) || info.st_uid != getuid()) {
        return false;
    }
    return unlink(encoded.constData()) == 0 || errno == ENOENT;
#else
    return QLocalServer::removeServer(path);
#endif
}

bool ModalDialogOpen() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) && QApplication::activeModalWidget()) {
        return true;
    }
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QGuiApplication::modalWindow();
}

// Runs the event loop until done() holds or ms have passed; the server may live in this process.
template <typename Done>
bool WaitUntil(QLocalSocket& socket, int ms, Done done) {
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::bytesWritten, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
    deadline.start(ms);
    while (!done()) {
        if (!deadline.isActive() || socket.state() == QLocalSocket::UnconnectedState) {
            return done();
        }
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return true;
}

}  // namespace

CSingleInstance::CSingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent),
      m_strServerName(serverName.isEmpty() ? DefaultServerName() : serverName),
      m_pModalWait(new QTimer(this)) {
    if (!m_strServerName.contains(u'/')) {
        m_strServerName = QDir::tempPath() + u'/' + m_strServerName;
    }
    m_pModalWait->setInterval(kModalPollMs);
    connect(m_pModalWait, &QTimer::timeout, this, &CSingleInstance::DeliverQueued);
}

CSingleInstance::~CSingleInstance() {
    // The connections' signals must not reach a half-destroyed object.
    for (auto it = m_connections.cbegin(); it != m_connections.cend(); ++it) {
        it.key()->disconnect(this);
    }
    delete m_pServer;
}

QString CSingleInstance::DefaultServerName() {
    const QString name = QString::fromLatin1(product::kMakerKey) + u'-' +
                         QString::fromLatin1(product::kAppTitle) + u'-' + UserTag();
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QFileInfo runtimeInfo(runtime);
    const QString inRuntime = runtime + u'/' + name;
    // A socket path must fit the 108 bytes of sun_path.
    if (!runtime.isEmpty() && runtimeInfo.isAbsolute() && runtimeInfo.isDir() &&
        QFile::encodeName(inRuntime).size() < 100
#if defined(Q_OS_UNIX)
        && runtimeInfo.ownerId() == getuid()
#endif
    ) {
        return inRuntime;
    }
    return QDir::tempPath() + u'/' + name;
}

bool CSingleInstance::TryHandOver(const QString& path) {
    QByteArray message(kMagic, sizeof kMagic);
    QByteArray payload;
    if (path.isEmpty()) {
        message.append(kKindActivate);
    } else {
        payload = (QDir::isAbsolutePath(path) ? path : QFileInfo(path).absoluteFilePath()).toUtf8();
        if (payload.size() > kMaxPathBytes || payload.contains('\0')) {
            return false;
        }
        message.append(kKindOpen);
    }
    char length[4];
    qToBigEndian(static_cast<quint32>(payload.size()), length);
    message.append(length, sizeof length);
    message.append(payload);

    QLocalSocket socket;
    socket.connectToServer(m_strServerName);
    if (!WaitUntil(socket, kConnectMs, [&] { return socket.state() == QLocalSocket::ConnectedState; }) ||
        !PeerIsThisUser(socket)) {
        socket.abort();
        return false;
    }
    socket.write(message);
    const bool answered = WaitUntil(socket, kAckMs, [&] { return socket.bytesAvailable() > 0; });
    char answer = 0;
    const bool acknowledged = answered && socket.getChar(&answer) && answer == kAck;
    socket.abort();
    return acknowledged;
}

bool CSingleInstance::SomeoneAnswers() const {
    QLocalSocket probe;
    probe.connectToServer(m_strServerName);
    const bool connected =
        WaitUntil(probe, kConnectMs, [&] { return probe.state() == QLocalSocket::ConnectedState; });
    probe.abort();
    return connected;
}

bool CSingleInstance::Listen() {
    if (m_pServer) {
        return true;
    }
    // Two programs starting at once must not both decide that the name is free.
    QLockFile lock(m_strServerName + u".lock"_s);
    if (!lock.tryLock(kConnectMs)) {
        return false;
    }
    // Qt's owner-only listen renames its socket over whatever is there, a live socket included.
    if (SomeoneAnswers() || !RemoveStaleSocket(m_strServerName)) {
        return false;
    }
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(m_strServerName)) {
        delete server;
        return false;
    }
    m_pServer = server;
    connect(m_pServer, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return true;
}

bool CSingleInstance::IsListening() const {
    return m_pServer && m_pServer->isListening();
}

void CSingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_pServer->nextPendingConnection()) {
        if (m_connections.size() >= kMaxConnections || !PeerIsThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_connections.insert(socket, QByteArray());
        auto* limit = new QTimer(socket);
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, this, [this, socket] { Drop(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Drop(socket); });
        limit->start(kClientTimeLimitMs);
        if (socket->bytesAvailable() > 0) {
            ReadFrom(socket);
        }
    }
}

void CSingleInstance::ReadFrom(QLocalSocket* socket) {
    const auto it = m_connections.find(socket);
    if (it == m_connections.end()) {
        return;
    }
    QByteArray& buffer = it.value();
    // One byte past the largest message is enough to tell that it is too long.
    buffer += socket->read(kMaxMessageBytes + 1 - buffer.size());
    if (buffer.size() > kMaxMessageBytes) {
        Drop(socket);
        return;
    }
    if (buffer.size() < kHeaderBytes) {
        return;
    }
    const char kind = buffer.at(sizeof kMagic);
    const quint32 length = qFromBigEndian<quint32>(buffer.constData() + sizeof kMagic + 1);
    const bool headerOk = buffer.startsWith(QByteArrayView(kMagic, sizeof kMagic)) &&
                          ((kind == kKindActivate && length == 0) ||
                           (kind == kKindOpen && length > 0 && length <= kMaxPathBytes));
    if (!headerOk || buffer.size() > kHeaderBytes + static_cast<qsizetype>(length)) {
        Drop(socket);
        return;
    }
    if (buffer.size() < kHeaderBytes + static_cast<qsizetype>(length)) {
        return;  // more to come, within the time limit
    }
    SRequest request;
    if (kind == kKindOpen) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        request.bOpen = true;
        request.strPath = decoder.decode(QByteArrayView(buffer).sliced(kHeaderBytes));
        // A relative path would mean the server's folder, not the sender's.
        if (decoder.hasError() || request.strPath.contains(QChar(u'\0')) ||
            !QDir::isAbsolutePath(request.strPath)) {
            Drop(socket);
            return;
        }
    }
    Accept(socket, std::move(request));
}

void CSingleInstance::Accept(QLocalSocket* socket, SRequest request) {
    if (m_queue.size() >= kMaxQueued) {
        Drop(socket);  // unanswered, so the sender does not end believing it was heard
        return;
    }
    m_queue.push_back(std::move(request));
    Forget(socket);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    socket->write(&kAck, 1);
    socket->flush();
    socket->disconnectFromServer();
    if (socket->state() == QLocalSocket::UnconnectedState) {
        socket->deleteLater();
    } else {
        QTimer::singleShot(kClientTimeLimitMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
    }
    // Delivered from the event loop, not from inside the socket's notification.
    QMetaObject::invokeMethod(this, &CSingleInstance::DeliverQueued, Qt::QueuedConnection);
}

void CSingleInstance::Drop(QLocalSocket* socket) {
    if (!m_connections.contains(socket)) {
        return;
    }
    Forget(socket);
    socket->abort();
    socket->deleteLater();
}

void CSingleInstance::Forget(QLocalSocket* socket) {
    m_connections.remove(socket);
    socket->disconnect(this);
    for (QTimer* limit : socket->findChildren<QTimer*>(Qt::FindDirectChildrenOnly)) {
        limit->stop();
    }
}

void CSingleInstance::DeliverQueued() {
    // A slot that runs a dialog of its own (the save prompt, the password) spins the event loop; the
    // next request waits for it to return.
    if (m_bDelivering) {
        return;
    }
    while (!m_queue.empty()) {
        if (ModalDialogOpen()) {
            if (!m_pModalWait->isActive()) {
                m_pModalWait->start();
            }
            return;
        }
        const SRequest request = std::move(m_queue.front());
        m_queue.pop_front();
        m_bDelivering = true;
        emit activateRequested();
        if (request.bOpen) {
            emit openRequested(request.strPath);
        }
        m_bDelivering = false;
    }
    m_pModalWait->stop();
}
