#include "platform/single_instance.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "qt_printers.h"

using namespace Qt::StringLiterals;

namespace {

// Each test its own folder, so no test meets another's (or a real program's) socket.
class SingleInstance : public ::testing::Test {
protected:
    QString Name() const { return m_dir.filePath(u"instance"_s); }

    static QByteArray Message(char kind, const QByteArray& payload) {
        char length[4];
        qToBigEndian(static_cast<quint32>(payload.size()), length);
        return "ZLM1" + QByteArray(1, kind) + QByteArray(length, 4) + payload;
    }

    // Sends bytes as a client of our own would and returns what the server answered before it closed
    // the connection ("K" for an accepted request).
    QByteArray SendRaw(const QByteArray& bytes, int waitMs = 1000) const {
        QLocalSocket socket;
        socket.connectToServer(Name());
        EXPECT_TRUE(socket.waitForConnected(1000));
        socket.write(bytes);
        QByteArray answer;
        const bool closed = QTest::qWaitFor(
            [&] {
                answer += socket.readAll();
                return socket.state() == QLocalSocket::UnconnectedState;
            },
            waitMs);
        answer += socket.readAll();
        EXPECT_TRUE(closed) << "server left the connection open";
        return answer;
    }

    QTemporaryDir m_dir;
};

// The request may have been delivered already while the client in this process waited for its answer.
bool Reaches(const QSignalSpy& spy, qsizetype count) {
    return QTest::qWaitFor([&] { return spy.count() >= count; }, 2000) && spy.count() == count;
}

}  // namespace

TEST_F(SingleInstance, HandsOverAPathOrOnlyTheActivation) {
    CSingleInstance running(Name());
    ASSERT_TRUE(running.Listen());
    QSignalSpy opened(&running, &CSingleInstance::openRequested);
    QSignalSpy activated(&running, &CSingleInstance::activateRequested);

    CSingleInstance second(Name());
    const QString path = u"/tmp/Ordner mit Leerzeichen/Zugänge\n2024.zlm"_s;
    ASSERT_TRUE(second.TryHandOver(path));
    ASSERT_TRUE(Reaches(opened, 1));
    EXPECT_EQ(opened.at(0).at(0).toString(), path);
    EXPECT_EQ(activated.count(), 1);

    ASSERT_TRUE(second.TryHandOver(QString()));
    ASSERT_TRUE(Reaches(activated, 2));
    EXPECT_EQ(opened.count(), 1);

    // A relative path means the sender's folder, not the running program's.
    ASSERT_TRUE(second.TryHandOver(u"tresor.zlm"_s));
    ASSERT_TRUE(Reaches(opened, 2));
    EXPECT_EQ(opened.at(1).at(0).toString(), QDir::current().absoluteFilePath(u"tresor.zlm"_s));

    // Nobody under another name: the caller goes on as the first instance.
    CSingleInstance alone(m_dir.filePath(u"other"_s));
    EXPECT_FALSE(alone.TryHandOver(path));
    EXPECT_FALSE(second.TryHandOver(u"/"_s + QString(CSingleInstance::kMaxPathBytes, u'a')));
}

TEST_F(SingleInstance, DropsEveryMessageThatIsNotOneSoundRequest) {
    CSingleInstance running(Name());
    ASSERT_TRUE(running.Listen());
    QSignalSpy activated(&running, &CSingleInstance::activateRequested);

    const QByteArray longest = "/" + QByteArray(CSingleInstance::kMaxPathBytes - 1, 'a');
    const struct {
        const char* what;
        QByteArray bytes;
    } bad[] = {
        {"path over 4 KiB", Message('O', longest + "a")},
        {"length beyond the limit", "ZLM1O\xff\xff\xff\xff"},
        {"wrong magic", "ZLM2A" + QByteArray(4, '\0')},
        {"unknown kind", Message('X', "/a.zlm")},
        {"activation with a payload", Message('A', "/a.zlm")},
        {"empty path", Message('O', QByteArray())},
        {"not UTF-8", Message('O', "/tmp/\xff\xfe.zlm")},
        {"overlong UTF-8 slash", Message('O', "/tmp/\xc0\xaf.zlm")},
        {"NUL inside", Message('O', QByteArray("/tmp/a\0b.zlm", 12))},
        {"relative path", Message('O', "a.zlm")},
        {"bytes after the message", Message('O', "/a.zlm") + "junk"},
    };
    for (const auto& c : bad) {
        EXPECT_EQ(SendRaw(c.bytes), QByteArray()) << c.what;
    }
    QTest::qWait(100);
    EXPECT_EQ(activated.count(), 0);

    // The longest path allowed still goes through.
    QSignalSpy opened(&running, &CSingleInstance::openRequested);
    EXPECT_EQ(SendRaw(Message('O', longest)), "K");
    ASSERT_TRUE(Reaches(opened, 1));
    EXPECT_EQ(opened.at(0).at(0).toString().toUtf8(), longest);
}

TEST_F(SingleInstance, SlowOrSilentClientsNeitherBlockNorStay) {
    CSingleInstance running(Name());
    ASSERT_TRUE(running.Listen());
    QSignalSpy opened(&running, &CSingleInstance::openRequested);

    QLocalSocket silent;
    QLocalSocket halfway;
    silent.connectToServer(Name());
    halfway.connectToServer(Name());
    ASSERT_TRUE(silent.waitForConnected(1000) && halfway.waitForConnected(1000));
    halfway.write(Message('O', "/tmp/a.zlm").left(12));
    halfway.flush();

    CSingleInstance second(Name());
    ASSERT_TRUE(second.TryHandOver(u"/tmp/b.zlm"_s));
    ASSERT_TRUE(Reaches(opened, 1));

    // Both are cut off after the time limit, and what halfway sent never counts.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return silent.state() == QLocalSocket::UnconnectedState &&
                   halfway.state() == QLocalSocket::UnconnectedState;
        },
        CSingleInstance::kClientTimeLimitMs + 2000));
    EXPECT_EQ(opened.count(), 1);
}

TEST_F(SingleInstance, ReplacesAStaleSocketButNeverALiveOneOrAStrangeFile) {
    // What a crashed program leaves behind: a socket file nobody listens on.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(Name());
    ASSERT_LT(encoded.size(), static_cast<qsizetype>(sizeof address.sun_path));
    std::copy(encoded.begin(), encoded.end(), address.sun_path);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(Name()));

    CSingleInstance running(Name());
    ASSERT_TRUE(running.Listen());

    // A later start must not take the name from the running one.
    CSingleInstance late(Name());
    EXPECT_FALSE(late.Listen());
    QSignalSpy opened(&running, &CSingleInstance::openRequested);
    ASSERT_TRUE(late.TryHandOver(u"/tmp/a.zlm"_s));
    EXPECT_TRUE(Reaches(opened, 1));

    // Something that is no socket stays untouched.
    const QString plain = m_dir.filePath(u"plain"_s);
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    CSingleInstance onFile(plain);
    EXPECT_FALSE(onFile.Listen());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "keep");
}

TEST_F(SingleInstance, RequestsWaitWhileAModalDialogIsOpenOrTheLastOneIsHandled) {
    CSingleInstance running(Name());
    ASSERT_TRUE(running.Listen());
    CSingleInstance second(Name());
    QSignalSpy opened(&running, &CSingleInstance::openRequested);

    {
        QDialog modal;
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        // Acknowledged at once, so the second start ends without waiting for the user.
        ASSERT_TRUE(second.TryHandOver(u"/tmp/a.zlm"_s));
        QTest::qWait(700);
        EXPECT_EQ(opened.count(), 0);
        modal.close();
        ASSERT_TRUE(Reaches(opened, 1));
    }

    // A handler that runs dialogs of its own (save prompt, password) spins the event loop; a request
    // arriving meanwhile is handled only after it returns.
    QStringList log;
    QObject::connect(&running, &CSingleInstance::openRequested, &running, [&](const QString& path) {
        log << u"begin "_s + path;
        if (path == u"/tmp/first.zlm"_s) {
            QDialog prompt;
            QTimer::singleShot(0, &prompt, [&] {
                EXPECT_TRUE(second.TryHandOver(u"/tmp/second.zlm"_s));
                prompt.accept();
            });
            prompt.exec();
            QTest::qWait(600);  // no dialog open now, yet the handler has not returned
        }
        log << u"end "_s + path;
    });
    ASSERT_TRUE(second.TryHandOver(u"/tmp/first.zlm"_s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.size() == 4; }, 4000));
    EXPECT_EQ(log, (QStringList{u"begin /tmp/first.zlm"_s, u"end /tmp/first.zlm"_s,
                                u"begin /tmp/second.zlm"_s, u"end /tmp/second.zlm"_s}));
}
