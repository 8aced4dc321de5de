// zelmora-cli on files that are not what they seem: a FIFO, a vault too large for the memory, a
// link planted by another user, a vault readable by everyone, the leftovers of a killed save, and
// a path that looks like a message's placeholder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <ctime>

namespace {

struct SRun {
    int code = -1;
    QString out;
    QString err;
};

SRun RunProgram(const QString& program, const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForStarted());
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(30000)) << "hangs on " << args.join(QLatin1Char(' ')).toStdString();
    SRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1000;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

SRun Cli(const QStringList& args, const QByteArray& input = QByteArray()) {
    return RunProgram(QStringLiteral(ZELMORA_CLI_PATH), args, input);
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A plain vault with the one entry "site", "name", "pw", "".
const QByteArray kPlain(
    "\x01"
    "1\x04site\x04name\x02pw\x00",
    16);

class CliFilesTest : public ::testing::Test {
protected:
    QString Tmp(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

TEST_F(CliFilesTest, AFifoIsRefusedBeforeAPasswordIsAskedOrAByteRead) {
    const QString fifo = Tmp("pipe.zlm");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QStringList& args :
         {QStringList{QStringLiteral("list"), fifo},
          QStringList{QStringLiteral("add"), fifo, QStringLiteral("--site"), QStringLiteral("x"),
                      QStringLiteral("--password"), QStringLiteral("y")}}) {
        const SRun r = Cli(args);
        EXPECT_EQ(r.code, 2) << r.err.toStdString();
        EXPECT_EQ(r.err, QStringLiteral("zelmora-cli: Zugriff auf %1 wurde verwehrt.\n").arg(fifo));
    }
}

TEST_F(CliFilesTest, AVaultTooLargeForTheMemoryIsReportedNotFatal) {
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's shadow memory alone is larger than any address-space limit this test can set.
    GTEST_SKIP() << "ulimit -v cannot be combined with AddressSanitizer";
#endif
    // One entry whose site is a gigabyte of zero bytes, in a sparse file.
    const QString huge = Tmp("huge.zlm");
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(
            QByteArray("\x01"
                       "1\xFF\xFF\xFF\x00\x00\x00\x40",
                       9));
        ASSERT_TRUE(f.seek(9 + (qint64{1} << 30)));
        f.write(QByteArray(3, '\0'));
    }
    // Room to read the field, none to show or export it.
    for (const char* command : {"list", "export"}) {
        SCOPED_TRACE(command);
        const SRun r =
            RunProgram(QStringLiteral("/bin/sh"),
                       {QStringLiteral("-c"), QStringLiteral("ulimit -v 1200000; exec \"$0\" \"$1\" \"$2\""),
                        QStringLiteral(ZELMORA_CLI_PATH), QString::fromLatin1(command), huge},
                       "\n");
        EXPECT_EQ(r.code, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.endsWith(QStringLiteral("zelmora-cli: Fehler beim Öffnen des Dokuments.\n")))
            << r.err.toStdString();
    }
}

TEST_F(CliFilesTest, ALinkPlantedInASharedFolderIsRefusedAndAVaultIsNeverLeftReadableByOthers) {
    const QString vault = Tmp("offen.zlm");
    Write(vault, kPlain);
    ASSERT_TRUE(QFile::setPermissions(vault, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                 QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                 QFileDevice::ReadOther | QFileDevice::WriteOther));
    const QStringList add = {QStringLiteral("--site"), QStringLiteral("neu"), QStringLiteral("--password"),
                             QStringLiteral("p")};
    SRun r = Cli(QStringList{QStringLiteral("add"), vault} + add, "\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    struct stat st;
    ASSERT_EQ(stat(QFile::encodeName(vault).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0660u);

    if (geteuid() != 0) {
        GTEST_SKIP() << "planting a link of another user needs root";
    }
    const QString shared = Tmp("tmp");
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QString theirs = Tmp("theirs.zlm");
    Write(theirs, kPlain);
    const QString victim = shared + QStringLiteral("/victim.zlm");
    ASSERT_TRUE(QFile::link(theirs, victim));
    ASSERT_EQ(lchown(QFile::encodeName(victim).constData(), 4242, 4242), 0);
    for (const QStringList& args :
         {QStringList{QStringLiteral("list"), victim}, QStringList{QStringLiteral("add"), victim} + add}) {
        r = Cli(args, "\n");
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, QStringLiteral("zelmora-cli: Zugriff auf %1 wurde verwehrt.\n").arg(victim));
    }
    EXPECT_EQ(Read(theirs), kPlain);

    // A link of the user's own in that folder is followed.
    ASSERT_EQ(lchown(QFile::encodeName(victim).constData(), 0, 0), 0);
    r = Cli({QStringLiteral("list"), victim}, "\n");
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("0\tsite\tname\t\n"));
}

TEST_F(CliFilesTest, TheNextSaveRemovesOnlyItsOwnStaleTemporaryFiles) {
    const QString vault = Tmp("v.zlm");
    Write(vault, kPlain);
    const auto make = [&](const char* name, bool old) {
        const QString path = Tmp(name);
        Write(path, "x");
        if (old) {
            const utimbuf times{std::time(nullptr) - 7200, std::time(nullptr) - 7200};
            utime(QFile::encodeName(path).constData(), &times);
        }
        return path;
    };
    const QString stale = make(".v.zlm.Ab3dEf6hIj9L.tmp", true);
    const QStringList kept = {
        make(".v.zlm.Young0young0.tmp", false),   // a save still running
        make(".w.zlm.Ab3dEf6hIj9L.tmp", true),    // another vault's
        make(".v.zlm.short.tmp", true),           // not the pattern
        make("v.zlm.Ab3dEf6hIj9L.tmp", true),     // not hidden
        make(".v.zlm.Ab3dEf6hIj9L.tmp.x", true),  // more behind it
    };
    const QString linked = Tmp(".v.zlm.LinkLinkLink.tmp");
    ASSERT_TRUE(QFile::link(kept[1], linked));

    const SRun r = Cli({QStringLiteral("add"), vault, QStringLiteral("--site"), QStringLiteral("neu"),
                        QStringLiteral("--password"), QStringLiteral("p")},
                       "\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(stale));
    for (const QString& path : kept) {
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
    }
    EXPECT_TRUE(QFileInfo(linked).isSymLink());
}

TEST_F(CliFilesTest, ACharacterTheVaultCannotHoldIsNamedAndNothingIsWritten) {
    const QString vault = Tmp("neu.zlm");
    const SRun r = Cli({QStringLiteral("add"), vault, QStringLiteral("--site"), QStringLiteral("Łódź2020"),
                        QStringLiteral("--password"), QStringLiteral("p")},
                       "\n");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err,
              QStringLiteral("zelmora-cli: --site enthält das Zeichen „Ł“ (U+0141), das ein Zelmora-Tresor "
                             "nicht speichern kann.\n"));
    EXPECT_FALSE(QFileInfo::exists(vault));
}

TEST_F(CliFilesTest, APathHoldingPlaceholdersComesOutAsItIs) {
    // A plain vault whose entry holds a zero byte: an encrypted one cannot keep it.
    const QString vault = Tmp("x%2y%3.zlm");
    Write(vault, QByteArray("\x01"
                            "1\x04site\x03"
                            "a\0b\x00\x00",
                            13));
    const SRun r = Cli({QStringLiteral("passwd"), vault}, "\nneu\n");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err,
              QStringLiteral("zelmora-cli: %1 wurde nicht gespeichert: Eintrag 0, Feld \"name\" enthält ein "
                             "Null-Byte, das verschlüsselt verloren ginge.\n")
                  .arg(vault));
}

}  // namespace
