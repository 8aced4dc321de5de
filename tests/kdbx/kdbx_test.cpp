// The KDBX export read back by real readers that share no code with it: keepassxc-cli (KeePassXC)
// and pykeepass.  A test whose reader is not installed is skipped and says so.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "cli/exchange.h"
#include "cli/kdbx_writer.h"
#include "vault/cp1252.h"
#include "vault/vault_data.h"
#include "vault/vault_file.h"

namespace {

// Fast enough for many files; the CLI test below uses the real calibration.
const kdbx::SKdfParams kFast{2, 1u << 20, 2};
const QByteArray kPassword = "Neu \xC3\xA4\xE2\x82\xAC!";  // "Neu ä€!" in UTF-8

struct SRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

SRun RunProgram(const QString& program, const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForStarted()) << program.toStdString();
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(180000)) << program.toStdString() << " hangs";
    SRun r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1000;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString KeePassXc() {
    return QStandardPaths::findExecutable(QStringLiteral("keepassxc-cli"));
}

// Debian's python3 first: another python on PATH may lack Debian's module.
QString PythonWithPyKeePass() {
    for (const QString& python :
         {QStringLiteral("/usr/bin/python3"), QStandardPaths::findExecutable(QStringLiteral("python3"))}) {
        if (!python.isEmpty() && QFileInfo(python).isExecutable() &&
            RunProgram(python, {QStringLiteral("-c"), QStringLiteral("import pykeepass")}, {}).code == 0) {
            return python;
        }
    }
    return {};
}

#define REQUIRE_KEEPASSXC()                                                                               \
    if (KeePassXc().isEmpty())                                                                            \
    GTEST_SKIP() << "keepassxc-cli is not installed (Debian package keepassxc): no real reader to check " \
                    "the KDBX file"

// Title, UserName, Password, URL, Notes as a reader gives them back, UTF-8.
using Row = std::array<std::string, 5>;

struct SVaultCase {
    std::vector<std::array<std::string, 4>> entries;  // code page 1252
    std::vector<Row> expected;
    std::vector<std::array<int, 3>> dropped;  // position, field, count
};

// Umlauts, "€", quotes, markup, line ends, empty fields, 1,000-character comments, every
// character of the code page, and control characters that XML cannot carry.
SVaultCase Tricky() {
    SVaultCase c;
    // One character of code page 1252 and its UTF-8, repeated to 1,000 characters.
    const std::vector<std::pair<std::string, std::string>> pattern = {
        {"\xE4", "\xC3\xA4"}, {"\xD6", "\xC3\x96"}, {"\xDF", "\xC3\x9F"}, {"\x80", "\xE2\x82\xAC"},
        {"<", "<"},           {"b", "b"},           {">", ">"},           {"&", "&"},
        {"\"", "\""},         {"'", "'"},           {" ", " "},           {"\n", "\n"}};
    std::string longCp;
    std::string longUtf8;
    for (int i = 0; i < 1000; ++i) {
        longCp += pattern[i % pattern.size()].first;
        longUtf8 += pattern[i % pattern.size()].second;
    }
    std::string everyByte;
    for (int b = 0x20; b <= 0xFF; ++b) {
        everyByte.push_back(static_cast<char>(b));
    }

    c.entries = {
        {"https://www.bank.de/login?a=1&b=2", "anna.m\xFCller", "Pa\"\xDF<b>\x80 '&",
         "Zeile 1\r\nZeile 2\n\tEnde"},
        {"www.example.org", "bert", "", "<b>fett</b> & \"zitiert\""},
        {"Konto bei der Sparkasse", "", "1234", longCp},
        {"", "", "", ""},
        {"ctrl\x01site",
         "es\x1B"
         "c",
         "pw\x07\x7F",
         "\x1F"
         "ok"},
        {"alle.bytes", "\x81\x8D\x8F\x90\x9D", longCp, everyByte},
    };
    c.expected = {
        {"https://www.bank.de/login?a=1&b=2", "anna.m\xC3\xBCller", "Pa\"\xC3\x9F<b>\xE2\x82\xAC '&",
         "https://www.bank.de/login?a=1&b=2", "Zeile 1\r\nZeile 2\n\tEnde"},
        {"www.example.org", "bert", "", "www.example.org", "<b>fett</b> & \"zitiert\""},
        {"Konto bei der Sparkasse", "", "1234", "", longUtf8},
        {"", "", "", "", ""},
        {"ctrlsite", "esc", "pw\x7F", "", "ok"},
        {"alle.bytes", "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", longUtf8, "alle.bytes",
         cp1252::ToUtf8(everyByte)},
    };
    c.dropped = {{4, 0, 1}, {4, 1, 1}, {4, 2, 1}, {4, 3, 1}};
    return c;
}

void Fill(CVaultData& data, const SVaultCase& c) {
    for (const auto& e : c.entries) {
        data.AddEntry(e[0], e[1], e[2], e[3]);
    }
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// keepassxc-cli's CSV export: the group of every entry, and the five fields.
std::vector<Row> KeePassXcRows(const QString& file, const QByteArray& password,
                               std::string* group = nullptr) {
    const SRun r = RunProgram(
        KeePassXc(), {QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("csv"), file},
        password + '\n');
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    std::vector<std::vector<QByteArray>> records;
    QString error;
    EXPECT_TRUE(ParseCsv(r.out, records, error)) << error.toStdString();
    std::vector<Row> rows;
    if (records.empty()) {
        return rows;
    }
    const std::vector<QByteArray> header = {"Group", "Title", "Username", "Password", "URL", "Notes"};
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& rec = records[i];
        if (rec.size() < header.size()) {
            ADD_FAILURE() << "record " << i << " has " << rec.size() << " fields";
            return rows;
        }
        if (i == 0) {
            EXPECT_EQ(std::vector<QByteArray>(rec.begin(), rec.begin() + 6), header);
            continue;
        }
        if (group) {
            *group = rec[0].toStdString();
        }
        rows.push_back({rec[1].toStdString(), rec[2].toStdString(), rec[3].toStdString(),
                        rec[4].toStdString(), rec[5].toStdString()});
    }
    return rows;
}

class KdbxTest : public ::testing::Test {
protected:
    QString Tmp(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    // The tricky vault exported with the fast setting.
    QString ExportTricky(kdbx::CKdbxPayload** payloadOut = nullptr) {
        CVaultData data;
        Fill(data, Tricky());
        m_payload = std::make_unique<kdbx::CKdbxPayload>(data, "Tresor \xC3\xA4<1>");
        const QString file = Tmp("tricky.kdbx");
        EXPECT_TRUE(kdbx::WriteKdbxFile(QFile::encodeName(file).toStdString(), *m_payload,
                                        kPassword.toStdString(), kFast)
                        .ok());
        if (payloadOut) {
            *payloadOut = m_payload.get();
        }
        return file;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<kdbx::CKdbxPayload> m_payload;
};

TEST_F(KdbxTest, KeePassXcGivesBackExactlyOurEntries) {
    REQUIRE_KEEPASSXC();
    kdbx::CKdbxPayload* payload = nullptr;
    const QString file = ExportTricky(&payload);
    std::string group;
    EXPECT_EQ(KeePassXcRows(file, kPassword, &group), Tricky().expected);
    EXPECT_EQ(group, "Tresor \xC3\xA4<1>");

    std::vector<std::array<int, 3>> dropped;
    for (const kdbx::SDropped& d : payload->Dropped()) {
        dropped.push_back({d.position, d.field, d.count});
    }
    EXPECT_EQ(dropped, Tricky().dropped);
    EXPECT_EQ(payload->DroppedCount(), 4);

    // Two exports of the same vault share no key material and no identifiers.
    const QByteArray first = FileBytes(file);
    ASSERT_TRUE(QFile::rename(file, Tmp("first.kdbx")));
    ExportTricky();
    EXPECT_NE(FileBytes(file).mid(12, 200), first.mid(12, 200));
}

TEST_F(KdbxTest, KeePassXcRefusesAWrongPasswordAndEveryAlteredByte) {
    REQUIRE_KEEPASSXC();
    const QString file = ExportTricky();
    const SRun wrong = RunProgram(
        KeePassXc(), {QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("csv"), file},
        "Neu \xC3\xA4\xE2\x82\xAC\n");
    EXPECT_NE(wrong.code, 0);
    EXPECT_FALSE(wrong.out.contains("bank.de"));

    const QByteArray good = FileBytes(file);
    // The KDF's iterations and memory are read before anything can be checked: a changed high
    // byte there asks the reader for years of work, so only their lowest byte is altered.
    std::vector<qsizetype> slow;
    for (const char* key : {"\x01\x00\x00\x00I\x08\x00\x00\x00", "\x01\x00\x00\x00M\x08\x00\x00\x00"}) {
        const qsizetype at = good.indexOf(QByteArray(key, 9)) + 9;
        ASSERT_GT(at, 9);
        for (int i = 1; i < 8; ++i) {
            slow.push_back(at + i);
        }
    }
    // Every byte of the header, its hash and HMAC; then a sample of the block stream, with the
    // first block's HMAC and size and the closing block.
    std::vector<qsizetype> positions;
    const qsizetype headerEnd = good.indexOf(QByteArray("\x00\x04\x00\x00\x00\r\n\r\n", 9)) + 9;
    ASSERT_GT(headerEnd, 9);
    for (qsizetype i = 0; i < good.size(); i += (i < headerEnd + 64 ? 1 : 29)) {
        positions.push_back(i);
    }
    for (qsizetype i :
         {headerEnd + 63, headerEnd + 64, headerEnd + 95, headerEnd + 96, headerEnd + 99, headerEnd + 100,
          good.size() / 2, good.size() - 37, good.size() - 36, good.size() - 4, good.size() - 1}) {
        positions.push_back(i);
    }
    for (const qsizetype at : positions) {
        if (std::find(slow.begin(), slow.end(), at) != slow.end()) {
            continue;
        }
        QByteArray bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x01);
        WriteBytes(Tmp("bad.kdbx"), bad);
        const SRun r = RunProgram(
            KeePassXc(),
            {QStringLiteral("export"), QStringLiteral("--format"), QStringLiteral("csv"), Tmp("bad.kdbx")},
            kPassword + '\n');
        EXPECT_NE(r.code, 0) << "byte " << at << " of " << good.size() << " altered, yet the file opened";
        EXPECT_FALSE(r.out.contains("bank.de")) << "byte " << at;
    }
}

TEST_F(KdbxTest, PyKeePassReadsTheSameFile) {
    const QString python = PythonWithPyKeePass();
    if (python.isEmpty()) {
        GTEST_SKIP() << "pykeepass is not installed (Debian package python3-pykeepass): the second reader "
                        "cannot check the KDBX file";
    }
    const QString file = ExportTricky();
    const QString script = QStringLiteral(
        "import json, sys\n"
        "from pykeepass import PyKeePass\n"
        "kp = PyKeePass(sys.argv[1], password=sys.stdin.buffer.readline().rstrip(b'\\n').decode('utf-8'))\n"
        "f = lambda v: v or ''\n"
        "rows = [[f(e.title), f(e.username), f(e.password), f(e.url), f(e.notes)] for e in "
        "kp.root_group.entries]\n"
        "print(json.dumps({'group': kp.root_group.name, 'groups': len(kp.groups), 'entries': rows}))\n");
    const SRun r = RunProgram(python, {QStringLiteral("-c"), script, file}, kPassword + '\n');
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o[QStringLiteral("group")].toString().toStdString(), "Tresor \xC3\xA4<1>");
    EXPECT_EQ(o[QStringLiteral("groups")].toInt(), 1);
    std::vector<Row> rows;
    for (const QJsonValue& v : o[QStringLiteral("entries")].toArray()) {
        const QJsonArray a = v.toArray();
        Row row;
        for (int i = 0; i < 5; ++i) {
            row[static_cast<std::size_t>(i)] = a[i].toString().toStdString();
        }
        rows.push_back(row);
    }
    EXPECT_EQ(rows, Tricky().expected);

    const SRun wrong = RunProgram(python, {QStringLiteral("-c"), script, file}, "falsch\n");
    EXPECT_NE(wrong.code, 0);
}

// ---- zelmora-cli export --format kdbx

SRun Cli(const QStringList& args, const QByteArray& input) {
    return RunProgram(QStringLiteral(ZELMORA_CLI_PATH), args, input);
}

QStringList KdbxArgs(const QString& vault, const QString& out) {
    return {QStringLiteral("export"),   vault, QStringLiteral("--format"), QStringLiteral("kdbx"),
            QStringLiteral("--output"), out};
}

TEST_F(KdbxTest, TheCliExportsWithTheRealKeyDerivation) {
    REQUIRE_KEEPASSXC();
    CVaultData data;
    Fill(data, Tricky());
    data.SetVaultPassword("alt");
    const QString vault = Tmp("Privat.zlm");
    ASSERT_TRUE(SaveVaultFile(QFile::encodeName(vault).toStdString(), data).ok());
    const QString out = Tmp("Privat.kdbx");
    const SRun r = Cli(KdbxArgs(vault, out), "alt\n" + kPassword + '\n' + kPassword + '\n');
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Eintrag 4, Feld \"site\": 1 Steuerzeichen ausgelassen"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("6 Eintr\xC3\xA4ge nach")) << r.err.toStdString();
    struct stat st;
    ASSERT_EQ(stat(QFile::encodeName(out).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    std::string group;
    EXPECT_EQ(KeePassXcRows(out, kPassword, &group), Tricky().expected);
    EXPECT_EQ(group, "Privat");
    const SRun info = RunProgram(KeePassXc(), {QStringLiteral("db-info"), out}, kPassword + '\n');
    ASSERT_EQ(info.code, 0) << info.err.toStdString();
    const QString text = QString::fromUtf8(info.out);
    EXPECT_TRUE(text.contains(QStringLiteral("Cipher: ChaCha20 256-bit"))) << text.toStdString();
    const QRegularExpressionMatch kdf =
        QRegularExpression(QStringLiteral("KDF: Argon2id \\((\\d+) rounds, 65536 KB\\)")).match(text);
    ASSERT_TRUE(kdf.hasMatch()) << text.toStdString();
    EXPECT_GE(kdf.captured(1).toInt(), 2);
}

TEST_F(KdbxTest, TheCliRefusesWhatWouldLeakOrReplaceData) {
    CVaultData data;
    data.AddEntry("www.example.org", "anna", "geheim", "");
    data.SetVaultPassword("alt");
    const QString vault = Tmp("v.zlm");
    ASSERT_TRUE(SaveVaultFile(QFile::encodeName(vault).toStdString(), data).ok());
    const QString out = Tmp("v.kdbx");
    const QByteArray lines = "alt\nneu\nneu\n";

    // Usage errors are found before any password is read.
    for (const QStringList& args :
         {QStringList{QStringLiteral("export"), vault, QStringLiteral("--format"), QStringLiteral("kdbx")},
          KdbxArgs(vault, QStringLiteral("-")),
          QStringList{QStringLiteral("export"), vault, QStringLiteral("--output"), out}}) {
        const SRun r = Cli(args, lines);
        EXPECT_EQ(r.code, 1) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << "nothing on standard output";
    }
    for (const QByteArray& input :
         {QByteArray("alt\nneu\nanders\n"), QByteArray("alt\n\n\n"), QByteArray("alt\nneu\n")}) {
        EXPECT_EQ(Cli(KdbxArgs(vault, out), input).code, 1) << input.toStdString();
    }
    EXPECT_EQ(Cli(KdbxArgs(vault, out), "falsch\nneu\nneu\n").code, 3);
    EXPECT_FALSE(QFileInfo::exists(out)) << "no file after a refusal";

    WriteBytes(out, "keep me");
    const SRun exists = Cli(KdbxArgs(vault, out), lines);
    EXPECT_EQ(exists.code, 1);
    EXPECT_TRUE(exists.err.contains("--force")) << exists.err.toStdString();
    EXPECT_EQ(FileBytes(out), QByteArray("keep me"));

    const SRun forced = Cli(KdbxArgs(vault, out) << QStringLiteral("--force"), lines);
    ASSERT_EQ(forced.code, 0) << forced.err.toStdString();
    EXPECT_TRUE(
        FileBytes(out).startsWith(QByteArray("\x03\xD9\xA2\x9A\x67\xFB\x4B\xB5\x00\x00\x04\x00", 12)));
    if (!KeePassXc().isEmpty()) {
        EXPECT_EQ(KeePassXcRows(out, "neu").size(), 1u);
    }
}

}  // namespace
