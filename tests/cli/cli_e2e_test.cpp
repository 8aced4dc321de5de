// zelmora-cli end to end.  The fixture vaults come from a separate implementation of the file
// format (scripts/make_cli_fixtures.py), so reading them and writing them back byte for byte
// checks the program against something it shares no code with.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

namespace {

const QString kData = QStringLiteral(ZELMORA_TEST_DATA "/cli/");

struct SRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

SRun Cli(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(QStringLiteral(ZELMORA_CLI_PATH), args);
    EXPECT_TRUE(p.waitForStarted());
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000))
        << "zelmora-cli hangs on " << args.join(QLatin1Char(' ')).toStdString();
    SRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1000;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
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

QJsonObject Expected() {
    return QJsonDocument::fromJson(Read(kData + QStringLiteral("expected.json"))).object();
}

// Export's JSON objects as rows of four texts.
QJsonArray Rows(const QByteArray& json) {
    QJsonParseError e{};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &e);
    EXPECT_EQ(e.error, QJsonParseError::NoError) << json.left(200).toStdString();
    QJsonArray rows;
    for (const QJsonValue& v : doc.array()) {
        const QJsonObject o = v.toObject();
        EXPECT_EQ(o.size(), 4);
        rows.append(QJsonArray{o[QStringLiteral("site")], o[QStringLiteral("name")],
                               o[QStringLiteral("password")], o[QStringLiteral("comment")]});
    }
    return rows;
}

// Expected rows as import input.
QByteArray ImportJson(const QJsonArray& rows) {
    QJsonArray entries;
    for (const QJsonValue& row : rows) {
        const QJsonArray r = row.toArray();
        entries.append(QJsonObject{{QStringLiteral("site"), r[0]},
                                   {QStringLiteral("name"), r[1]},
                                   {QStringLiteral("password"), r[2]},
                                   {QStringLiteral("comment"), r[3]}});
    }
    return QJsonDocument(entries).toJson();
}

QByteArray Letters(int n) {
    QByteArray pw;
    for (int i = 0; i < n; ++i) {
        pw.append(static_cast<char>('A' + i % 26));
    }
    return pw;
}

struct SFixture {
    QString file;
    QByteArray password;  // UTF-8
};

std::vector<SFixture> BasicFixtures() {
    std::vector<SFixture> all = {{QStringLiteral("plain.zlm"), ""},
                                 {QStringLiteral("geheim9.zlm"), "Geheim123"}};
    for (int n : {1, 7, 8, 13, 55, 56}) {
        all.push_back({QStringLiteral("pw%1.zlm").arg(n, 2, 10, QLatin1Char('0')), Letters(n)});
    }
    return all;
}

class CliTest : public ::testing::Test {
protected:
    QString Tmp(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

TEST_F(CliTest, ReadsAndWritesIndependentVaultsByteForByte) {
    const QJsonArray basic = Expected()[QStringLiteral("basic")].toArray();
    for (const SFixture& f : BasicFixtures()) {
        SCOPED_TRACE(f.file.toStdString());
        const QString fixture = kData + f.file;
        const SRun exported = Cli({QStringLiteral("export"), fixture}, f.password + '\n');
        ASSERT_EQ(exported.code, 0) << exported.err.toStdString();
        EXPECT_EQ(Rows(exported.out), basic);

        Write(Tmp("in.json"), ImportJson(basic));
        const QString out = m_dir.filePath(QStringLiteral("out-") + f.file);
        const SRun imported = Cli({QStringLiteral("import"), out, Tmp("in.json")}, f.password + '\n');
        ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
        EXPECT_EQ(Read(out), Read(fixture));
    }
}

TEST_F(CliTest, CsvRoundTripGivesTheSameFile) {
    const QString fixture = kData + QStringLiteral("geheim9.zlm");
    const SRun csv =
        Cli({QStringLiteral("export"), fixture, QStringLiteral("--format"), QStringLiteral("csv")},
            "Geheim123\n");
    ASSERT_EQ(csv.code, 0) << csv.err.toStdString();
    EXPECT_TRUE(csv.out.startsWith("Seite,Name,Passwort,Kommentar\r\n"));
    Write(Tmp("in.csv"), csv.out);
    const SRun imported = Cli({QStringLiteral("import"), Tmp("out.zlm"), Tmp("in.csv")}, "Geheim123\n");
    ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
    EXPECT_EQ(Read(Tmp("out.zlm")), Read(fixture));
}

TEST_F(CliTest, EightBitTextsAndLongRecords) {
    const QJsonArray everyByte = Expected()[QStringLiteral("every_byte")].toArray();
    const SRun geheim = Cli({QStringLiteral("export"), kData + QStringLiteral("bytes-geheim.zlm")},
                            "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xE2\x82\xAC\n");
    ASSERT_EQ(geheim.code, 0) << geheim.err.toStdString();
    EXPECT_EQ(Rows(geheim.out), everyByte);
    Write(Tmp("bytes.json"), geheim.out);
    ASSERT_EQ(Cli({QStringLiteral("import"), Tmp("bytes.zlm"), Tmp("bytes.json")},
                  "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xE2\x82\xAC\n")
                  .code,
              0);
    EXPECT_EQ(Read(Tmp("bytes.zlm")), Read(kData + QStringLiteral("bytes-geheim.zlm")));

    // The plain form keeps even a zero byte; importing it back is refused, since no editor can hold it.
    const SRun plain = Cli({QStringLiteral("export"), kData + QStringLiteral("bytes-plain.zlm")}, "\n");
    ASSERT_EQ(plain.code, 0) << plain.err.toStdString();
    const QJsonArray rows = Rows(plain.out);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], everyByte[0]);
    EXPECT_EQ(rows[1].toArray()[0].toString(), QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b"));
    Write(Tmp("zero.json"), plain.out);
    const SRun refused = Cli({QStringLiteral("import"), Tmp("zero.zlm"), Tmp("zero.json")}, "\n");
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(refused.err.contains("Eintrag 1")) << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(Tmp("zero.zlm")));
    // Encrypting it would cut that text at the zero byte: refused, and the plain file stays.
    QFile::copy(kData + QStringLiteral("bytes-plain.zlm"), Tmp("zero.zlm"));
    const SRun encrypt = Cli({QStringLiteral("passwd"), Tmp("zero.zlm")}, "\nneu\n");
    EXPECT_EQ(encrypt.code, 2);
    EXPECT_TRUE(encrypt.err.contains("Eintrag 1, Feld \"site\"")) << encrypt.err.toStdString();
    EXPECT_EQ(Read(Tmp("zero.zlm")), Read(kData + QStringLiteral("bytes-plain.zlm")));

    const SRun longRecords =
        Cli({QStringLiteral("export"), kData + QStringLiteral("long-geheim.zlm")}, "lang\n");
    ASSERT_EQ(longRecords.code, 0) << longRecords.err.toStdString();
    const QJsonArray l = Rows(longRecords.out)[0].toArray();
    EXPECT_EQ(l[0].toString(), QString(300, QLatin1Char('x')));
    EXPECT_EQ(l[1].toString(), QString(65540, QLatin1Char('y')));
    EXPECT_EQ(l[2].toString(), QString());
    EXPECT_EQ(l[3].toString(), QString(7, QLatin1Char('k')));
}

TEST_F(CliTest, PlainRecordsAtEveryPrefixBoundary) {
    // Lengths 254/255 switch to the 3-byte prefix, 65534 to the 7-byte one.
    const int lengths[] = {254, 255, 65533, 65534, 65535, 0, 1, 70000};
    QJsonArray rows;
    for (int e = 0; e < 2; ++e) {
        QJsonArray row;
        for (int f = 0; f < 4; ++f) {
            row.append(QString(lengths[e * 4 + f], QLatin1Char(static_cast<char>('a' + e * 4 + f))));
        }
        rows.append(row);
    }
    Write(Tmp("in.json"), ImportJson(rows));
    ASSERT_EQ(Cli({QStringLiteral("import"), Tmp("long.zlm"), Tmp("in.json")}, "\n").code, 0);
    const QByteArray file = Read(Tmp("long.zlm"));
    EXPECT_EQ(file.left(2), QByteArray("\x01"
                                       "2",
                                       2));
    EXPECT_EQ(file.mid(2, 1), QByteArray("\xFE"));                   // 254: one byte
    EXPECT_EQ(file.mid(3 + 254, 3), QByteArray("\xFF\xFF\x00", 3));  // 255: FF and 16 bits
    const SRun exported = Cli({QStringLiteral("export"), Tmp("long.zlm")}, "\n");
    ASSERT_EQ(exported.code, 0);
    EXPECT_EQ(Rows(exported.out), rows);
}

TEST_F(CliTest, SixteenBitRecordsAreConverted) {
    const SRun r = Cli({QStringLiteral("export"), kData + QStringLiteral("wide.zlm")}, "\n");
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonArray row = Rows(r.out)[0].toArray();
    EXPECT_EQ(row[0].toString(), QStringLiteral("Gr\u00fc\u00dfe \u20ac ?"));
    EXPECT_EQ(row[1].toString(), QStringLiteral("n"));
}

TEST_F(CliTest, DamagedAndHostileFilesGiveFormatErrors) {
    struct {
        const char* file;
        QByteArray password;
    } cases[] = {{"truncated.zlm", "Geheim123\n"},
                 {"huge-record.zlm", "\n"},
                 {"huge-count.zlm", "\n"},
                 {"count-short.zlm", "\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const SRun r = Cli({QStringLiteral("export"), kData + QString::fromLatin1(c.file)}, c.password);
        EXPECT_EQ(r.code, 2) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("Unerwartetes Dateiformat.")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    const SRun missing = Cli({QStringLiteral("list"), Tmp("nirgends.zlm")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains(Tmp("nirgends.zlm").toUtf8() + " wurde nicht gefunden."))
        << missing.err.toStdString();
}

TEST_F(CliTest, WrongPasswordIsDetectedAndNothingIsWritten) {
    const QByteArray expected = "Das Passwort passt nicht zu ";
    const SRun wrong = Cli({QStringLiteral("list"), kData + QStringLiteral("geheim9.zlm")}, "geheim123\n");
    EXPECT_EQ(wrong.code, 3);
    EXPECT_TRUE(wrong.err.contains(expected)) << wrong.err.toStdString();
    EXPECT_TRUE(wrong.out.isEmpty());

    const SRun plainWithPassword = Cli({QStringLiteral("list"), kData + QStringLiteral("plain.zlm")}, "x\n");
    EXPECT_EQ(plainWithPassword.code, 3);
    EXPECT_TRUE(plainWithPassword.err.contains("oder die Datei ist nicht verschl\xC3\xBCsselt."));

    QFile::copy(kData + QStringLiteral("geheim9.zlm"), Tmp("v.zlm"));
    const SRun add =
        Cli({QStringLiteral("add"), Tmp("v.zlm"), QStringLiteral("--site"), QStringLiteral("x")}, "falsch\n");
    EXPECT_EQ(add.code, 3);
    EXPECT_EQ(Read(Tmp("v.zlm")), Read(kData + QStringLiteral("geheim9.zlm")));
}

TEST_F(CliTest, EditingCommands) {
    const QString v = Tmp("neu.zlm");
    const SRun created =
        Cli({QStringLiteral("add"), v, QStringLiteral("--site"), QStringLiteral("bank.example"),
             QStringLiteral("--name"), QStringLiteral("J\u00fcrgen"), QStringLiteral("--password"),
             QStringLiteral("s3cr\u20act"), QStringLiteral("--comment"), QStringLiteral("Giro")},
            "Tresor\n");
    ASSERT_EQ(created.code, 0) << created.err.toStdString();
    struct stat st;
    ASSERT_EQ(stat(QFile::encodeName(v).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "a new vault is private to its owner";

    ASSERT_EQ(
        Cli({QStringLiteral("add"), v, QStringLiteral("--site"), QStringLiteral("mail")}, "Tresor\n\n").code,
        0);
    const SRun list = Cli({QStringLiteral("list"), v}, "Tresor\n");
    ASSERT_EQ(list.code, 0) << list.err.toStdString();
    EXPECT_EQ(list.out, QByteArray("0\tbank.example\tJ\xC3\xBCrgen\tGiro\n1\tmail\t\t\n"));

    const SRun show = Cli({QStringLiteral("show"), v, QStringLiteral("0"), QStringLiteral("--field"),
                           QStringLiteral("password")},
                          "Tresor\n");
    EXPECT_EQ(show.out, QByteArray("s3cr\xE2\x82\xACt\n"));

    ASSERT_EQ(Cli({QStringLiteral("rm"), v, QStringLiteral("0")}, "Tresor\n").code, 0);
    EXPECT_EQ(Cli({QStringLiteral("list"), v}, "Tresor\n").out, QByteArray("0\tmail\t\t\n"));

    ASSERT_EQ(chmod(QFile::encodeName(v).constData(), 0640), 0);
    const SRun passwd = Cli({QStringLiteral("passwd"), v}, "Tresor\nNeu\n");
    ASSERT_EQ(passwd.code, 0) << passwd.err.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("list"), v}, "Tresor\n").code, 3);
    EXPECT_EQ(Cli({QStringLiteral("list"), v}, "Neu\n").out, QByteArray("0\tmail\t\t\n"));
    ASSERT_EQ(stat(QFile::encodeName(v).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "a replaced vault keeps its mode";

    // Saving through a symbolic link writes the link's target and keeps the link.
    ASSERT_TRUE(QFile::link(v, Tmp("link.zlm")));
    ASSERT_EQ(Cli({QStringLiteral("add"), Tmp("link.zlm"), QStringLiteral("--site"), QStringLiteral("via")},
                  "Neu\n\n")
                  .code,
              0);
    EXPECT_TRUE(QFileInfo(Tmp("link.zlm")).isSymLink());
    EXPECT_EQ(Cli({QStringLiteral("list"), v}, "Neu\n").out, QByteArray("0\tmail\t\t\n1\tvia\t\t\n"));
}

TEST_F(CliTest, TwentyAddsStartedAtOnceOnOneVaultLoseNoEntry) {
    const QString v = Tmp("geteilt.zlm");
    // Large enough that each run's read-modify-write takes a while, so that the runs overlap.
    QJsonArray many;
    for (int i = 0; i < 3000; ++i) {
        many.append(QJsonArray{QStringLiteral("alt%1").arg(i), QStringLiteral("n"), QStringLiteral("p"),
                               QStringLiteral("k")});
    }
    Write(Tmp("alt.json"), ImportJson(many));
    ASSERT_EQ(Cli({QStringLiteral("import"), v, Tmp("alt.json")}, "pw\n").code, 0);
    ASSERT_TRUE(QFile::remove(Tmp("alt.json")));
    // The password is there before each run starts: all of them go at once.
    Write(Tmp("pw.txt"), "pw\n");
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 20; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setStandardInputFile(Tmp("pw.txt"));
        p->start(QStringLiteral(ZELMORA_CLI_PATH),
                 {QStringLiteral("add"), v, QStringLiteral("--site"), QStringLiteral("eintrag%1").arg(i),
                  QStringLiteral("--password"), QStringLiteral("x")});
        runs.push_back(std::move(p));
    }
    for (auto& p : runs) {
        ASSERT_TRUE(p->waitForFinished(60000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    ASSERT_TRUE(QFile::remove(Tmp("pw.txt")));
    const SRun list = Cli({QStringLiteral("list"), v}, "pw\n");
    QStringList sites;
    for (const QByteArray& line : list.out.split('\n')) {
        if (!line.isEmpty()) {
            sites << QString::fromUtf8(line.split('\t').value(1));
        }
    }
    sites.sort();
    QStringList expected;
    for (int i = 0; i < 3000; ++i) {
        expected << QStringLiteral("alt%1").arg(i);
    }
    for (int i = 0; i < 20; ++i) {
        expected << QStringLiteral("eintrag%1").arg(i);
    }
    expected.sort();
    EXPECT_EQ(sites.size(), expected.size());
    EXPECT_TRUE(sites == expected);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList(QStringLiteral("geteilt.zlm")))
        << "no lock or temporary file is left";
}

TEST_F(CliTest, ListShowsControlCharactersAsEscapes) {
    Write(Tmp("in.json"), R"([{"site":"a\u001b[2Jb","name":"tab\there","comment":"x\ny"}])");
    ASSERT_EQ(Cli({QStringLiteral("import"), Tmp("v.zlm"), Tmp("in.json")}, "\n").code, 0);
    EXPECT_EQ(Cli({QStringLiteral("list"), Tmp("v.zlm")}, "\n").out,
              QByteArray("0\ta\\x1b[2Jb\ttab\\there\tx\\ny\n"));
}

TEST_F(CliTest, ImportRefusesBadInputWithoutWriting) {
    QFile::copy(kData + QStringLiteral("plain.zlm"), Tmp("v.zlm"));
    const QByteArray before = Read(Tmp("v.zlm"));
    const struct {
        const char* name;
        QByteArray content;
        const char* mustMention;
    } cases[] = {
        {"han.json", R"([{"site":"a"},{"site":"b","comment":"\u4e2d"}])", "Eintrag 1"},
        {"broken.json", "[{\"site\": ", "JSON"},
        {"broken.csv", "Seite,Name,Passwort,Kommentar\r\n\"a,b,c,d\r\n", "Zeile 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(Tmp(c.name), c.content);
        const SRun r =
            Cli({QStringLiteral("import"), Tmp("v.zlm"), Tmp(c.name), QStringLiteral("--replace")}, "pw\n");
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains(c.mustMention)) << r.err.toStdString();
        EXPECT_EQ(Read(Tmp("v.zlm")), before);
        EXPECT_FALSE(QFileInfo::exists(Tmp("v.zlm.bak")));
    }
}

TEST_F(CliTest, UsageErrorsAndHelp) {
    EXPECT_EQ(Cli({}).code, 1);
    EXPECT_EQ(Cli({QStringLiteral("frobnicate")}).code, 1);
    EXPECT_EQ(Cli({QStringLiteral("list")}).code, 1);
    EXPECT_EQ(Cli({QStringLiteral("add"), Tmp("v.zlm")}, "\n").code, 1) << "--site is required";
    EXPECT_EQ(Cli({QStringLiteral("export"), kData + QStringLiteral("plain.zlm"), QStringLiteral("--format"),
                   QStringLiteral("xml")},
                  "\n")
                  .code,
              1);
    EXPECT_EQ(
        Cli({QStringLiteral("show"), kData + QStringLiteral("plain.zlm"), QStringLiteral("4")}, "\n").code,
        1);
    EXPECT_EQ(
        Cli({QStringLiteral("show"), kData + QStringLiteral("plain.zlm"), QStringLiteral("x")}, "\n").code,
        1);
    for (const char* command : {"list", "show", "add", "rm", "export", "import", "passwd", "generate"}) {
        const SRun help = Cli({QString::fromLatin1(command), QStringLiteral("--help")});
        EXPECT_EQ(help.code, 0) << command;
        EXPECT_TRUE(help.out.contains(command)) << help.out.toStdString();
    }
    EXPECT_EQ(Cli({QStringLiteral("--help")}).code, 0);
}

// The classes a generated password holds: upper, lower, digits, punctuation; 0 for anything else.
int Classes(const QByteArray& password) {
    int found = 0;
    for (char c : password) {
        const bool upper = c >= 'A' && c <= 'Z', lower = c >= 'a' && c <= 'z', digit = c >= '0' && c <= '9';
        const bool symbol = c > ' ' && c < 0x7F && !upper && !lower && !digit;
        if (!upper && !lower && !digit && !symbol) {
            return 0;
        }
        found |= (upper ? 1 : 0) | (lower ? 2 : 0) | (digit ? 4 : 0) | (symbol ? 8 : 0);
    }
    return found;
}

TEST_F(CliTest, GeneratedPasswordsArePrintedOrStoredUnseen) {
    const SRun first = Cli({QStringLiteral("generate")});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    ASSERT_TRUE(first.out.endsWith('\n'));
    EXPECT_EQ(first.out.size(), 21);
    EXPECT_EQ(Classes(first.out.chopped(1)), 0xF) << first.out.toStdString();
    EXPECT_NE(Cli({QStringLiteral("generate")}).out, first.out);
    const SRun plain = Cli({QStringLiteral("generate"), QStringLiteral("--length"), QStringLiteral("8"),
                            QStringLiteral("--no-symbols")});
    EXPECT_EQ(plain.out.size(), 9);
    EXPECT_EQ(Classes(plain.out.chopped(1)), 0x7) << plain.out.toStdString();
    for (const char* bad : {"7", "57", "zwanzig", "+20"}) {
        const SRun r =
            Cli({QStringLiteral("generate"), QStringLiteral("--length"), QString::fromLatin1(bad)});
        EXPECT_EQ(r.code, 1) << bad;
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains("--length muss eine Zahl von 8 bis 56 sein")) << r.err.toStdString();
    }

    const QString v = Tmp("gen.zlm");
    const SRun unseen = Cli({QStringLiteral("add"), v, QStringLiteral("--site"), QStringLiteral("bank"),
                             QStringLiteral("--generate")},
                            "Tresor\n");
    ASSERT_EQ(unseen.code, 0) << unseen.err.toStdString();
    EXPECT_TRUE(unseen.out.isEmpty()) << "nothing of the password without --show";
    EXPECT_FALSE(unseen.err.contains(Cli({QStringLiteral("show"), v, QStringLiteral("0"),
                                          QStringLiteral("--field"), QStringLiteral("password")},
                                         "Tresor\n")
                                         .out.chopped(1)));
    const SRun stored = Cli({QStringLiteral("show"), v, QStringLiteral("0"), QStringLiteral("--field"),
                             QStringLiteral("password")},
                            "Tresor\n");
    EXPECT_EQ(stored.out.size(), 21);
    EXPECT_EQ(Classes(stored.out.chopped(1)), 0xF);

    const SRun shown = Cli({QStringLiteral("add"), v, QStringLiteral("--site"), QStringLiteral("mail"),
                            QStringLiteral("--generate"), QStringLiteral("--length"), QStringLiteral("56"),
                            QStringLiteral("--no-symbols"), QStringLiteral("--show")},
                           "Tresor\n");
    ASSERT_EQ(shown.code, 0) << shown.err.toStdString();
    EXPECT_EQ(shown.out, Cli({QStringLiteral("show"), v, QStringLiteral("1"), QStringLiteral("--field"),
                              QStringLiteral("password")},
                             "Tresor\n")
                             .out);
    EXPECT_EQ(shown.out.size(), 57);
    EXPECT_EQ(Classes(shown.out.chopped(1)), 0x7);

    // Contradictions are refused before anything is asked or written.
    const QByteArray before = Read(v);
    for (const QStringList& extra :
         {QStringList{QStringLiteral("--generate"), QStringLiteral("--password"), QStringLiteral("x")},
          QStringList{QStringLiteral("--show")},
          QStringList{QStringLiteral("--length"), QStringLiteral("30")},
          QStringList{QStringLiteral("--generate"), QStringLiteral("--length"), QStringLiteral("99")}}) {
        const SRun r =
            Cli(QStringList{QStringLiteral("add"), v, QStringLiteral("--site"), QStringLiteral("x")} + extra,
                QByteArray());
        EXPECT_EQ(r.code, 1) << extra.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(r.err.contains("Kein Passwort")) << "refused before a password is read";
    }
    EXPECT_EQ(Read(v), before);
}

// Written by the independent implementation: encrypted records with one plain entry after them,
// and a vault with one damaged record.
TEST_F(CliTest, MixedAndDamagedVaultsOpenWithTheRightPassword) {
    const QJsonArray basic = Expected()[QStringLiteral("basic")].toArray();
    const SRun mixed = Cli({QStringLiteral("export"), kData + QStringLiteral("mixed.zlm")}, "Geheim123\n");
    ASSERT_EQ(mixed.code, 0) << mixed.err.toStdString();
    QJsonArray withTyped = basic;
    withTyped.append(Expected()[QStringLiteral("typed")]);
    EXPECT_EQ(Rows(mixed.out), withTyped);
    EXPECT_EQ(Cli({QStringLiteral("list"), kData + QStringLiteral("mixed.zlm")}, "Geheim12\n").code, 3);

    const SRun damaged =
        Cli({QStringLiteral("export"), kData + QStringLiteral("damaged.zlm")}, "Geheim123\n");
    ASSERT_EQ(damaged.code, 0) << damaged.err.toStdString();
    QJsonArray rows = Rows(damaged.out);
    ASSERT_EQ(rows.size(), basic.size());
    QJsonArray entry1 = rows[1].toArray();
    EXPECT_NE(entry1[2], basic[1].toArray()[2]) << "the damaged field reads as its record";
    entry1[2] = basic[1].toArray()[2];
    rows[1] = entry1;
    EXPECT_EQ(rows, basic) << "every other field is whole";
}

TEST_F(CliTest, EncryptedVaultWithAnEmptyPasswordIsRefused) {
    const QString v = Tmp("v.zlm");
    const QString kV = QStringLiteral("VAULT");
    Write(Tmp("in.json"), R"([{"site":"x"}])");
    const QStringList commands[] = {
        {QStringLiteral("list"), kV},
        {QStringLiteral("show"), kV, QStringLiteral("0")},
        {QStringLiteral("export"), kV},
        {QStringLiteral("add"), kV, QStringLiteral("--site"), QStringLiteral("x"),
         QStringLiteral("--password"), QStringLiteral("p")},
        {QStringLiteral("rm"), kV, QStringLiteral("0")},
        {QStringLiteral("passwd"), kV},
        {QStringLiteral("import"), kV, Tmp("in.json"), QStringLiteral("--append")},
    };
    for (const char* fixture : {"geheim9.zlm", "mixed.zlm"}) {
        for (QStringList args : commands) {
            SCOPED_TRACE((QString::fromLatin1(fixture) + QLatin1Char(' ') + args[0]).toStdString());
            QFile::remove(v);
            ASSERT_TRUE(QFile::copy(kData + QString::fromLatin1(fixture), v));
            args.replaceInStrings(kV, v);
            const SRun r = Cli(args, "\nneu\n");
            EXPECT_EQ(r.code, 3) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(v.toUtf8() + " ist verschl\xC3\xBCsselt.")) << r.err.toStdString();
            EXPECT_TRUE(r.out.isEmpty());
            EXPECT_EQ(Read(v), Read(kData + QString::fromLatin1(fixture)));
        }
    }
    // A plain vault still opens with the empty password.
    EXPECT_EQ(Cli({QStringLiteral("list"), kData + QStringLiteral("plain.zlm")}, "\n").code, 0);
}

TEST_F(CliTest, ImportOntoAnExistingVault) {
    const QString v = Tmp("v.zlm");
    ASSERT_TRUE(QFile::copy(kData + QStringLiteral("geheim9.zlm"), v));
    const QByteArray old = Read(v);
    Write(Tmp("in.json"), R"([{"site":"neu","password":"pw"}])");
    const QStringList import = {QStringLiteral("import"), v, Tmp("in.json")};

    const SRun refused = Cli(import, "Geheim123\n");
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.err.contains("--append") && refused.err.contains("--replace"))
        << refused.err.toStdString();
    EXPECT_EQ(Cli(import + QStringList{QStringLiteral("--append"), QStringLiteral("--replace")}, "\n").code,
              1);
    EXPECT_EQ(Cli(import + QStringList{QStringLiteral("--append")}, "falsch\n").code, 3);
    EXPECT_EQ(Read(v), old);
    EXPECT_FALSE(QFileInfo::exists(v + QStringLiteral(".bak")));

    // --append: the vault's own password, the new entries after its entries.
    ASSERT_EQ(Cli(import + QStringList{QStringLiteral("--append")}, "Geheim123\n").code, 0);
    const SRun appended = Cli({QStringLiteral("list"), v}, "Geheim123\n");
    EXPECT_TRUE(appended.out.endsWith("\n4\tneu\t\t\n")) << appended.out.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("show"), v, QStringLiteral("4"), QStringLiteral("--field"),
                   QStringLiteral("password")},
                  "Geheim123\n")
                  .out,
              QByteArray("pw\n"));

    // --replace: the old bytes to VAULT.bak first, then a new vault under a new password.
    const QByteArray beforeReplace = Read(v);
    ASSERT_EQ(Cli(import + QStringList{QStringLiteral("--replace")}, "anders\n").code, 0);
    EXPECT_EQ(Read(v + QStringLiteral(".bak")), beforeReplace);
    EXPECT_EQ(Cli({QStringLiteral("list"), v}, "anders\n").out, QByteArray("0\tneu\t\t\n"));
}

TEST_F(CliTest, EntryPasswordIsAskedAfterTheVaultPassword) {
    const QString v = Tmp("v.zlm");
    const QStringList add = {QStringLiteral("add"), v, QStringLiteral("--site"), QStringLiteral("s")};
    EXPECT_EQ(Cli(add, "Tresor\n").code, 1) << "no line for the entry password";
    EXPECT_FALSE(QFileInfo::exists(v));
    ASSERT_EQ(Cli(add, "Tresor\ngeheim\n").code, 0);
    ASSERT_EQ(Cli(add, "Tresor\nzwei \xC3\xA4\n").code, 0);
    const QStringList show = {QStringLiteral("show"), v, QStringLiteral("1"), QStringLiteral("--field"),
                              QStringLiteral("password")};
    EXPECT_EQ(Cli(show, "Tresor\n").out, QByteArray("zwei \xC3\xA4\n"));
    EXPECT_EQ(Cli(show.mid(0, 2) + QStringList{QStringLiteral("0")} + show.mid(3), "Tresor\n").out,
              QByteArray("geheim\n"));
    EXPECT_TRUE(Cli({QStringLiteral("add"), QStringLiteral("--help")}).out.contains("Prozessliste"));
}

TEST_F(CliTest, ReadOnlyVaultIsNotChanged) {
    const QString v = Tmp("v.zlm");
    ASSERT_TRUE(QFile::copy(kData + QStringLiteral("geheim9.zlm"), v));
    ASSERT_EQ(chmod(QFile::encodeName(v).constData(), 0400), 0);
    const SRun r = Cli({QStringLiteral("rm"), v, QStringLiteral("0")}, "Geheim123\n");
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("Zugriff auf " + v.toUtf8() + " wurde verwehrt.")) << r.err.toStdString();
    EXPECT_EQ(Read(v), Read(kData + QStringLiteral("geheim9.zlm")));
}

TEST_F(CliTest, PasswordsAreChecked) {
    EXPECT_EQ(Cli({QStringLiteral("list"), kData + QStringLiteral("geheim9.zlm")}, "").code, 1)
        << "no line on standard input is not an empty password";
    const SRun tooLong =
        Cli({QStringLiteral("add"), Tmp("v.zlm"), QStringLiteral("--site"), QStringLiteral("x")},
            Letters(57) + '\n');
    EXPECT_EQ(tooLong.code, 1);
    EXPECT_TRUE(tooLong.err.contains("Geben Sie bitte nicht mehr als 56 Zeichen ein."))
        << tooLong.err.toStdString();
    EXPECT_EQ(Cli({QStringLiteral("add"), Tmp("v.zlm"), QStringLiteral("--site"), QStringLiteral("x")},
                  "\xE4\xB8\xAD\n")
                  .code,
              1);
    EXPECT_FALSE(QFileInfo::exists(Tmp("v.zlm")));
    // CRLF line ends belong to the line end, not to the password.
    EXPECT_EQ(Cli({QStringLiteral("list"), kData + QStringLiteral("geheim9.zlm")}, "Geheim123\r\n").code, 0);
}

// Runs a shell line; $0 is zelmora-cli, $1, $2 ... the arguments.
SRun Shell(const QString& line, const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(QStringLiteral("/bin/sh"),
            QStringList{QStringLiteral("-c"), line, QStringLiteral(ZELMORA_CLI_PATH)} + args);
    EXPECT_TRUE(p.waitForStarted());
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1000, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

TEST_F(CliTest, AWriteOnStandardOutputThatFailsEndsWithStatus2AndSaysSo) {
    const QString v = kData + QStringLiteral("geheim9.zlm");
    const QList<QStringList> commands = {
        {QStringLiteral("export"), v},
        {QStringLiteral("export"), v, QStringLiteral("--format"), QStringLiteral("csv")},
        {QStringLiteral("list"), v},
        {QStringLiteral("show"), v, QStringLiteral("0")},
        {QStringLiteral("--help")}};
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const SRun r = Shell(QStringLiteral("exec \"$0\" \"$@\" > /dev/full"), args, "Geheim123\n");
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains("Die Standardausgabe konnte nicht geschrieben werden: "))
            << r.err.toStdString();
    }

    // A disk that fills up during a CSV export of 200 KiB: a tmpfs of 64 KiB in a mount namespace
    // of its own, or else a file size limit where that cannot be had.
    QByteArray csv = "Seite,Name,Passwort,Kommentar\r\n";
    for (int i = 0; i < 2000; ++i) {
        csv += "www.example" + QByteArray::number(i) + ".org,anna,Geheimnis" + QByteArray::number(i) +
               ",ein Kommentar von einiger Laenge\r\n";
    }
    Write(Tmp("viele.csv"), csv);
    ASSERT_EQ(Cli({QStringLiteral("import"), Tmp("viele.zlm"), Tmp("viele.csv")}, "x\n").code, 0);
    ASSERT_TRUE(QDir().mkpath(Tmp("platte")));
    SRun full =
        Shell(QStringLiteral("unshare -rm sh -c 'mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 99; "
                             "\"$0\" export \"$2\" --format csv > \"$1/aus.csv\"; echo $?' \"$0\" \"$@\""),
              {Tmp("platte"), Tmp("viele.zlm")}, "x\n");
    if (full.code != 0) {
        full = Shell(
            QStringLiteral("trap '' XFSZ; ulimit -f 64; \"$0\" export \"$1\" --format csv > \"$2\"; echo $?"),
            {Tmp("viele.zlm"), Tmp("platte/aus.csv")}, "x\n");
    }
    EXPECT_EQ(full.out.trimmed(), QByteArray("2")) << full.err.toStdString();
    EXPECT_TRUE(full.err.contains("Die Standardausgabe konnte nicht geschrieben werden: "))
        << full.err.toStdString();
}

#ifdef NDEBUG
// A release build leaves no core file, whatever limit it was started with, also while it holds
// the decrypted vault and waits for an entry password.
TEST_F(CliTest, ACrashWhileTheVaultIsOpenLeavesNoCoreFile) {
    const QString v = Tmp("v.zlm");
    ASSERT_TRUE(QFile::copy(kData + QStringLiteral("geheim9.zlm"), v));
    ASSERT_TRUE(QDir().mkpath(Tmp("kern")));
    QProcess p;
    p.setWorkingDirectory(Tmp("kern"));
    p.setChildProcessModifier([] {
        const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_CORE, &unlimited);
    });
    p.start(QStringLiteral(ZELMORA_CLI_PATH),
            {QStringLiteral("add"), v, QStringLiteral("--site"), QStringLiteral("s")});
    ASSERT_TRUE(p.waitForStarted());
    p.write("Geheim123\n");  // the entry password is never sent: the vault stays open
    const QString limits = QStringLiteral("/proc/%1/limits").arg(p.processId());
    QByteArray coreLimit;
    for (int i = 0; i < 100; ++i) {
        QFile file(limits);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n')) {
                if (line.startsWith("Max core file size")) {
                    coreLimit = line.simplified();
                }
            }
        }
        if (coreLimit == "Max core file size 0 0 bytes") {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(coreLimit, QByteArray("Max core file size 0 0 bytes"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(static_cast<pid_t>(p.processId()), SIGSEGV);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(QDir(Tmp("kern")).entryList(QDir::Files).isEmpty())
        << QDir(Tmp("kern")).entryList(QDir::Files).join(QLatin1Char(' ')).toStdString();
}
#endif

TEST_F(CliTest, PasswordLinesAreReadInBlocksAndLeaveTheNextLinesForTheNextReader) {
    const QString v = kData + QStringLiteral("geheim9.zlm");
    // A line of 5 MB is read in well under a second (a byte per system call took seconds).
    const QByteArray longLine = QByteArray(5000000, 'x') + '\n';
    const auto started = std::chrono::steady_clock::now();
    const SRun wrong = Cli({QStringLiteral("list"), v}, longLine);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(wrong.code, 3);
    // An endless line is refused, not read until memory runs out.
    const SRun endless = Shell(QStringLiteral("exec \"$0\" list \"$1\" < /dev/zero"), {v});
    EXPECT_EQ(endless.code, 1);
    EXPECT_TRUE(endless.err.contains("länger als 16 MiB")) << endless.err.toStdString();

    // The line after the password stays on standard input, from a pipe and from a file.
    const QByteArray listed = Cli({QStringLiteral("list"), v}, "Geheim123\n").out;
    ASSERT_FALSE(listed.isEmpty());
    const SRun pipe = Shell(QStringLiteral("\"$0\" list \"$1\"; cat"), {v}, "Geheim123\nREST\n");
    EXPECT_EQ(pipe.out, listed + "REST\n");
    Write(Tmp("eingabe.txt"), "Geheim123\nREST\n");
    const SRun file = Shell(QStringLiteral("{ \"$0\" list \"$1\"; cat; } < \"$2\""), {v, Tmp("eingabe.txt")});
    EXPECT_EQ(file.out, listed + "REST\n");
}

}  // namespace
