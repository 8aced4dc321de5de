// zelmora-cli: the vault on the command line, for scripts, for moving data to other password
// managers, and for tests.  Messages are German, on standard error.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "cli/exchange.h"
#include "cli/kdbx_writer.h"
#include "cli/password_input.h"
#include "vault/cp1252.h"
#include "vault/password_generator.h"
#include "vault/process_hardening.h"
#include "vault/secure_wipe.h"
#include "vault/vault_data.h"
#include "vault/vault_file.h"
#include "vault/vault_lock.h"

namespace {

// Exit status.
constexpr int kSuccess = 0;
constexpr int kUsageError = 1;
constexpr int kFileError = 2;
constexpr int kWrongPassword = 3;

// The password dialog of the desktop program takes no more than this, so a longer one would lock
// the vault away from it.
constexpr int kMaxPasswordLength = 56;

// Thrown to end the program with a message and an exit status.
struct SExit {
    int code;
    QString message;
};

// The first failed write to standard output (its errno), 0 while none failed.
int g_nOutputError = 0;

void Written(FILE* stream, size_t wanted, size_t written) {
    if (stream == stdout && written != wanted && g_nOutputError == 0) {
        g_nOutputError = errno != 0 ? errno : EIO;
    }
}

void Print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    Written(stream, static_cast<size_t>(bytes.size()),
            fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream));
}

void Warn(const QString& text) {
    Print(stderr, QStringLiteral("zelmora-cli: ") + text + QLatin1Char('\n'));
}

QString FromVault(const std::string& cp1252Text) {
    const std::string utf8 = cp1252::ToUtf8(cp1252Text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void WriteOut(const QByteArray& bytes) {
    errno = 0;
    Written(stdout, static_cast<size_t>(bytes.size()),
            fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout));
}

// Standard output flushed and closed; a write that failed on the way (a full disk, /dev/full, a
// closed pipe's end) turns a success into exit status 2 with a message, so that a cut export is
// never reported as done.
int FinishStandardOutput(int code) {
    errno = 0;
    if (fflush(stdout) != 0 && g_nOutputError == 0) {
        g_nOutputError = errno != 0 ? errno : EIO;
    }
    if (ferror(stdout) && g_nOutputError == 0) {
        g_nOutputError = EIO;
    }
    errno = 0;
    if (fclose(stdout) != 0 && g_nOutputError == 0) {
        g_nOutputError = errno != 0 ? errno : EIO;
    }
    if (g_nOutputError == 0) {
        return code;
    }
    Warn(QStringLiteral("Die Standardausgabe konnte nicht geschrieben werden: %1")
             .arg(QString::fromLocal8Bit(strerror(g_nOutputError))));
    return code == kSuccess ? kFileError : code;
}

void WriteOut(const std::string& cp1252Text) {
    WriteOut(QByteArray::fromStdString(cp1252::ToUtf8(cp1252Text)));
}

// A vault text shown on a terminal: control characters (ESC among them) would act on the terminal,
// so they are shown as escapes.
QString Displayable(const std::string& cp1252Text) {
    QString out;
    for (char c : cp1252Text) {
        const auto b = static_cast<unsigned char>(c);
        const char32_t cp = cp1252::ToUnicode(b);
        if (cp == '\t') {
            out += QStringLiteral("\\t");
        } else if (cp == '\n') {
            out += QStringLiteral("\\n");
        } else if (cp == '\r') {
            out += QStringLiteral("\\r");
        } else if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            out += QStringLiteral("\\x%1").arg(static_cast<uint>(b), 2, 16, QLatin1Char('0'));
        } else {
            out += QString::fromUcs4(&cp, 1);
        }
    }
    return out;
}

std::string NativePath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

bool PathExists(const QString& path) {
    struct stat st;
    return stat(NativePath(path).c_str(), &st) == 0;
}

SExit VaultError(const SVaultResult& result, const QString& path, bool saving) {
    if (result.status == EVaultStatus::kZeroByteInText) {
        static const char* const kNames[4] = {"site", "name", "password", "comment"};
        // One pass of arg(): a path holding "%2" stays as it is.
        return {kFileError, QStringLiteral("%1 wurde nicht gespeichert: Eintrag %2, Feld \"%3\" enthält ein "
                                           "Null-Byte, das verschlüsselt verloren ginge.")
                                .arg(path, QString::number(result.position),
                                     QString::fromLatin1(kNames[result.field & 3]))};
    }
    QString text = FromVault(VaultErrorTemplate(result, saving));
    text.replace(QStringLiteral("%1"), path);
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    return {result.status == EVaultStatus::kWrongPassword ? kWrongPassword : kFileError, text};
}

std::string AskPassword(const QString& prompt) {
    std::string utf8;
    QString message;
    if (!ReadPassword(prompt, utf8, message)) {
        throw SExit{kUsageError, message};
    }
    std::string cp;
    const bool ok = cp1252::StorableFromUtf8(utf8, cp);
    SecureWipe(utf8);
    if (!ok) {
        throw SExit{kUsageError,
                    QStringLiteral("Das Passwort enthält ein Zeichen, das ein Zelmora-Tresor nicht "
                                   "speichern kann.")};
    }
    return cp;
}

// Asks the password of an existing vault.  A FIFO or a device is refused before anything is asked
// or read.
std::string AskVaultPassword(const QString& path, const QString& prompt) {
    if (!PathExists(path)) {
        throw VaultError(FileErrorResult(ENOENT), path, false);
    }
    if (const SVaultResult access = CheckVaultFileReadable(NativePath(path)); !access.ok()) {
        throw VaultError(access, path, false);
    }
    return AskPassword(prompt.arg(path));
}

// Reads the vault with password, which is wiped.
void ReadVaultWith(const QString& path, CVaultData& data, std::string& password) {
    if (password.empty() && IsEncryptedVaultFile(NativePath(path))) {
        // Read as plain texts, its cipher records would be written back re-encrypted or trimmed.
        SecureWipe(password);
        throw SExit{
            kWrongPassword,
            QStringLiteral("%1 ist verschlüsselt. Geben Sie das Passwort des Tresors ein.").arg(path)};
    }
    data.SetVaultPassword(password);
    SecureWipe(password);
    const SVaultResult result = LoadVaultFile(NativePath(path), data);
    if (!result.ok()) {
        throw VaultError(result, path, false);
    }
    data.SetModified(false);
}

// Opens an existing vault with the password asked for it.
void OpenVault(const QString& path, CVaultData& data, const QString& prompt) {
    std::string password = AskVaultPassword(path, prompt);
    ReadVaultWith(path, data, password);
}

// Takes the lock that every Zelmora process holds around its read-modify-write of the vault, so
// that two writers at once cannot lose one's change.  Taken after the passwords were asked: a
// person typing must not keep the others waiting.
void LockVault(const QString& path, CVaultLock& lock) {
    switch (lock.Acquire(NativePath(path), CVaultLock::kWaitMs)) {
        case ELockStatus::kLocked:
            return;
        case ELockStatus::kTimeout:
            throw SExit{kFileError,
                        QStringLiteral("%1 wird gerade von einem anderen Programm geändert. Nach %2 Sekunden "
                                       "Warten aufgegeben; nichts wurde geschrieben.")
                            .arg(path)
                            .arg(CVaultLock::kWaitMs / 1000)};
        case ELockStatus::kError:
            // No lock file beside the vault (a folder we may not write): the save says why it fails.
            return;
    }
}

// Asks a new vault password (twice when a person types it).
std::string AskNewPassword(const QString& path) {
    std::string password =
        AskPassword(QStringLiteral("Neues Passwort für %1 (leer: unverschlüsselt): ").arg(path));
    if (PasswordsFromTerminal()) {
        std::string again = AskPassword(QStringLiteral("Neues Passwort wiederholen: "));
        const bool same = again == password;
        SecureWipe(again);
        if (!same) {
            SecureWipe(password);
            throw SExit{kUsageError, QStringLiteral("Die beiden Passwörter stimmen nicht überein.")};
        }
    }
    if (password.size() > static_cast<std::size_t>(kMaxPasswordLength)) {
        SecureWipe(password);
        throw SExit{kUsageError,
                    QStringLiteral("Geben Sie bitte nicht mehr als %1 Zeichen ein.").arg(kMaxPasswordLength)};
    }
    return password;
}

// Reads the vault once to tell a wrong password before more is asked; the lock's read comes later.
void CheckVaultPassword(const QString& path, const std::string& password) {
    CVaultData check;
    std::string copy = password;
    ReadVaultWith(path, check, copy);
}

// A password that is wiped whatever way the command ends.
struct SSecret {
    std::string text;
    SSecret() = default;
    explicit SSecret(std::string t) : text(std::move(t)) {}
    SSecret(const SSecret&) = delete;
    SSecret& operator=(const SSecret&) = delete;
    ~SSecret() { SecureWipe(text); }
};

// Encrypted fields come back without trailing white space; say so before it happens.
void WarnAboutTrailingSpace(const CVaultData& data) {
    if (data.GetVaultPasswordLength() == 0) {
        return;
    }
    static const char* const kNames[4] = {"site", "name", "password", "comment"};
    for (int p = 0; p < data.GetEntryCount(); ++p) {
        const CEntry& e = data.GetEntryAt(p);
        const std::string* fields[4] = {&e.GetSeite(), &e.GetName(), &e.GetPasswort(), &e.GetKommentar()};
        for (int f = 0; f < 4; ++f) {
            const std::string& t = *fields[f];
            if (!t.empty() && std::string(" \t\n\v\f\r").find(t.back()) != std::string::npos) {
                Warn(QStringLiteral("Warnung: Eintrag %1, Feld \"%2\" endet mit Leerraum, der beim "
                                    "verschlüsselten Speichern verloren geht.")
                         .arg(p)
                         .arg(QString::fromLatin1(kNames[f])));
            }
        }
    }
}

void SaveVault(const QString& path, const CVaultData& data) {
    WarnAboutTrailingSpace(data);
    const SVaultResult result = SaveVaultFile(NativePath(path), data);
    if (!result.ok()) {
        throw VaultError(result, path, true);
    }
}

// Copies the vault's bytes as they are to VAULT.bak, before it is replaced.
void BackUp(const QString& path) {
    const QString backup = path + QStringLiteral(".bak");
    if (const SVaultResult access = CheckVaultFileReadable(NativePath(path)); !access.ok()) {
        throw VaultError(access, path, false);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw VaultError(FileErrorResult(file.error() == QFileDevice::OpenError ? EACCES : EIO), path, false);
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw VaultError(FileErrorResult(EIO), path, false);
    }
    const SVaultResult result = SaveFileBytes(NativePath(backup), bytes.toStdString());
    if (!result.ok()) {
        throw VaultError(result, backup, true);
    }
}

int ParsePosition(const QString& text, const CVaultData& data) {
    bool ok = false;
    const int pos = text.toInt(&ok, 10);
    if (!ok || pos < 0 || text.startsWith(QLatin1Char('+'))) {
        throw SExit{kUsageError, QStringLiteral("\"%1\" ist keine Position (0, 1, 2, ...).").arg(text)};
    }
    if (pos >= data.GetEntryCount()) {
        throw SExit{kUsageError,
                    data.GetEntryCount() == 0
                        ? QStringLiteral("Der Tresor hat keine Einträge.")
                        : QStringLiteral("Es gibt keinen Eintrag an Position %1 (Positionen 0 bis %2).")
                              .arg(pos)
                              .arg(data.GetEntryCount() - 1)};
    }
    return pos;
}

EExchangeFormat ParseFormat(const QCommandLineParser& parser, const QString& fileForDefault) {
    if (!parser.isSet(QStringLiteral("format"))) {
        return fileForDefault.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? EExchangeFormat::kCsv
                                                                                    : EExchangeFormat::kJson;
    }
    const QString value = parser.value(QStringLiteral("format")).toLower();
    if (value == QLatin1StringView("json")) {
        return EExchangeFormat::kJson;
    }
    if (value == QLatin1StringView("csv")) {
        return EExchangeFormat::kCsv;
    }
    throw SExit{kUsageError, QStringLiteral("Unbekanntes Format \"%1\" (json oder csv).").arg(value)};
}

// export --format kdbx: the vault, encrypted under a new password, into a KDBX 4 file.
int ExportKdbx(const QString& vault, const QCommandLineParser& parser) {
    const QString output = parser.value(QStringLiteral("output"));
    if (output.isEmpty() || output == QLatin1StringView("-")) {
        throw SExit{kUsageError,
                    QStringLiteral("KDBX wird nicht auf die Standardausgabe geschrieben. Geben Sie "
                                   "die Datei mit --output DATEI.kdbx an.")};
    }
    const bool force = parser.isSet(QStringLiteral("force"));
    const auto exists = [&] {
        return SExit{kUsageError, QStringLiteral("%1 gibt es schon. --force ersetzt die Datei.").arg(output)};
    };
    // Asked before the passwords, so that nobody types them in vain; the save checks once more.
    if (PathExists(output) && !force) {
        throw exists();
    }
    CVaultData data;
    OpenVault(vault, data, QStringLiteral("Passwort für %1: "));

    // The new file's password: UTF-8 as typed, any character; asked twice, from a script too.
    std::string password;
    std::string again;
    QString message;
    const auto wipe = [&] {
        SecureWipe(password);
        SecureWipe(again);
    };
    if (!ReadPassword(QStringLiteral("Passwort für %1: ").arg(output), password, message) ||
        !ReadPassword(QStringLiteral("Passwort für %1 wiederholen: ").arg(output), again, message)) {
        wipe();
        throw SExit{kUsageError, message};
    }
    const bool same = password == again;
    const bool valid = QUtf8StringView(password).isValidUtf8();
    if (!same || password.empty() || !valid) {
        wipe();
        throw SExit{kUsageError, !same    ? QStringLiteral("Die beiden Passwörter stimmen nicht überein.")
                                 : !valid ? QStringLiteral("Das Passwort ist kein gültiges UTF-8.")
                                          : QStringLiteral("Ohne Passwort schützt die KDBX-Datei nichts. "
                                                           "Geben Sie ein Passwort ein.")};
    }

    SVaultResult result;
    try {
        QString name = QFileInfo(vault).completeBaseName();
        if (name.isEmpty()) {
            name = QFileInfo(vault).fileName();
        }
        const kdbx::CKdbxPayload payload(data, name.toStdString());
        static const char* const kNames[4] = {"site", "name", "password", "comment"};
        for (const kdbx::SDropped& d : payload.Dropped()) {
            Warn(QStringLiteral(
                     "Warnung: Eintrag %1, Feld \"%2\": %3 Steuerzeichen ausgelassen, die KDBX (XML) "
                     "nicht speichern kann.")
                     .arg(d.position)
                     .arg(QString::fromLatin1(kNames[d.field & 3]))
                     .arg(d.count));
        }
        if (PasswordsFromTerminal()) {
            Print(stderr, QStringLiteral("Der Schlüssel wird abgeleitet (etwa eine Sekunde) ...\n"));
        }
        result = kdbx::WriteKdbxFile(NativePath(output), payload, password, kdbx::CalibrateKdf(),
                                     force ? EReplace::kAllowed : EReplace::kNever);
    } catch (const std::bad_alloc&) {
        result.status = EVaultStatus::kOutOfMemory;
    } catch (const std::exception&) {
        result.status = EVaultStatus::kGeneralError;
    }
    wipe();
    if (!force && result.status == EVaultStatus::kFileError && result.sysError == EEXIST) {
        throw exists();
    }
    if (!result.ok()) {
        throw VaultError(result, output, true);
    }
    Print(stderr, (data.GetEntryCount() == 1 ? QStringLiteral("%1 Eintrag nach %2 geschrieben.\n")
                                             : QStringLiteral("%1 Einträge nach %2 geschrieben.\n"))
                      .arg(data.GetEntryCount())
                      .arg(output));
    return kSuccess;
}

// One subcommand: its synopsis, description, options and positional arguments.
struct SCommand {
    const char* name;
    const char* synopsis;
    const char* description;
};

constexpr SCommand kCommands[] = {
    {"list", "list VAULT", "Zeigt Position, Seite, Name und Kommentar jedes Eintrags (ohne Passwörter)."},
    {"show", "show VAULT POS [--field F]",
     "Zeigt einen Eintrag, oder mit --field nur ein Feld (site, name, password, comment)."},
    {"add",
     "add VAULT --site S [--name N] [--password P | --generate [--length N] [--no-symbols] [--show]] "
     "[--comment C]",
     "Hängt einen Eintrag an; legt VAULT an, wenn es die Datei noch nicht gibt.\n"
     "Ohne --password wird das Passwort des Eintrags abgefragt wie das des Tresors.\n"
     "--generate speichert ein zufälliges Passwort wie von generate; es wird nur mit --show ausgegeben."},
    {"rm", "rm VAULT POS", "Löscht den Eintrag an Position POS."},
    {"export", "export VAULT [--format json|csv | --format kdbx --output FILE [--force]]",
     "Gibt alle Einträge auf der Standardausgabe aus. Mit --format kdbx schreibt es sie\n"
     "verschlüsselt in die KDBX-4-Datei FILE (für KeePassXC, KeePass und verwandte Programme);\n"
     "nach dem Passwort des Tresors wird das neue Passwort zweimal abgefragt."},
    {"import", "import VAULT FILE [--format json|csv] [--append | --replace]",
     "Schreibt die Einträge von FILE in einen neuen Tresor VAULT. Einen vorhandenen ergänzt\n"
     "--append (fragt sein Passwort), --replace ersetzt ihn (der alte kommt nach VAULT.bak)."},
    {"passwd", "passwd VAULT", "Ändert das Passwort: fragt erst das alte, dann das neue."},
    {"generate", "generate [--length N] [--no-symbols]",
     "Gibt ein zufälliges Passwort aus: 20 Zeichen (--length 8 bis 56) aus A-Z, a-z, 0-9 und\n"
     "Satzzeichen, von jeder Art mindestens eines; --no-symbols lässt die Satzzeichen weg."},
};

// --length and --no-symbols of generate and add --generate.
pwgen::SGeneratorOptions GeneratorOptions(const QCommandLineParser& parser) {
    pwgen::SGeneratorOptions options;
    if (parser.isSet(QStringLiteral("length"))) {
        const QString text = parser.value(QStringLiteral("length"));
        bool ok = false;
        options.length = text.toInt(&ok, 10);
        if (!ok || text.startsWith(QLatin1Char('+')) || options.length < pwgen::kMinLength ||
            options.length > pwgen::kMaxLength) {
            throw SExit{kUsageError,
                        QStringLiteral("--length muss eine Zahl von %1 bis %2 sein, nicht \"%3\".")
                            .arg(pwgen::kMinLength)
                            .arg(pwgen::kMaxLength)
                            .arg(text)};
        }
    }
    options.classes[pwgen::kSymbols] = !parser.isSet(QStringLiteral("no-symbols"));
    return options;
}

// Into password's own buffer, which its owner wipes: a returned string of up to 15 characters
// would leave a copy in the stack slot it was moved from.
void Generate(const pwgen::SGeneratorOptions& options, std::string& password) {
    if (const int error = pwgen::GeneratePassword(options, password); error != 0) {
        // Never a weaker source: without the system's randomness there is no password.
        throw SExit{kFileError, QStringLiteral("Der Zufallsgenerator des Systems versagt: %1. Es wurde kein "
                                               "Passwort erzeugt.")
                                    .arg(QString::fromLocal8Bit(strerror(error)))};
    }
}

// A generated password (ASCII, so no conversion and no copy of it) and a line end.
void WriteGeneratedLine(const std::string& password) {
    WriteOut(QByteArray::fromRawData(password.data(), static_cast<qsizetype>(password.size())));
    WriteOut(QByteArrayLiteral("\n"));
}

QString GeneralHelp() {
    QString text = QStringLiteral(
        "Aufruf: zelmora-cli BEFEHL [Optionen] [Argumente]\n"
        "Liest und schreibt Zelmora-Tresore (.zlm) auf der Kommandozeile.\n\nBefehle:\n");
    for (const SCommand& c : kCommands) {
        QString description = QString::fromUtf8(c.description);
        description.replace(QLatin1Char('\n'), QStringLiteral("\n      "));
        text += QStringLiteral("  %1\n      %2\n").arg(QString::fromUtf8(c.synopsis), description);
    }
    text += QStringLiteral(
        "\nDas Passwort des Tresors wird am Terminal ohne Echo abgefragt. Ist die Standardeingabe kein\n"
        "Terminal, ist jedes benötigte Passwort eine Zeile der Standardeingabe (bei add ohne --password\n"
        "folgt das des Eintrags auf das des Tresors). Ein leeres Passwort bedeutet: der Tresor ist nicht\n"
        "verschlüsselt; einen verschlüsselten Tresor öffnet es nicht.\n"
        "--password zeigt das Passwort des Eintrags allen Benutzern in der Prozessliste; --generate\n"
        "erzeugt eines, das niemand sieht.\n"
        "Positionen zählen ab 0, in der Reihenfolge der Datei.\n"
        "JSON: eine Liste von Objekten mit \"site\", \"name\", \"password\", \"comment\".\n"
        "CSV: RFC 4180 mit der Kopfzeile Seite,Name,Passwort,Kommentar.\n\n"
        "Rückgabewert: 0 Erfolg, 1 falscher Aufruf, 2 Datei- oder Formatfehler, 3 falsches Passwort.\n"
        "\"zelmora-cli BEFEHL --help\" zeigt die Hilfe zu einem Befehl.\n");
    return text;
}

int RunCommand(const SCommand& command, QStringList args) {
    const QString name = QString::fromLatin1(command.name);
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(command.description));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Zeigt diese Hilfe an."));
    parser.addOption(help);
    const bool isGenerate = name == QLatin1StringView("generate");
    if (!isGenerate) {
        parser.addPositionalArgument(QStringLiteral("VAULT"), QStringLiteral("Die Tresor-Datei (.zlm)."));
    }

    const bool isShow = name == QLatin1StringView("show");
    const bool isAdd = name == QLatin1StringView("add");
    const bool isExchange = name == QLatin1StringView("export") || name == QLatin1StringView("import");
    if (isShow || name == QLatin1StringView("rm")) {
        parser.addPositionalArgument(QStringLiteral("POS"), QStringLiteral("Position des Eintrags, ab 0."));
    }
    if (name == QLatin1StringView("import")) {
        parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Die JSON- oder CSV-Datei."));
    }
    if (isShow) {
        parser.addOption({QStringLiteral("field"),
                          QStringLiteral("Nur dieses Feld, genau wie gespeichert: site, name, password oder "
                                         "comment."),
                          QStringLiteral("F")});
    }
    if (isAdd) {
        parser.addOption({QStringLiteral("site"), QStringLiteral("Seite (Pflicht)."), QStringLiteral("S")});
        parser.addOption({QStringLiteral("name"), QStringLiteral("Name."), QStringLiteral("N")});
        parser.addOption(
            {QStringLiteral("password"),
             QStringLiteral("Passwort des Eintrags. Vorsicht: auf der Kommandozeile sieht es jeder "
                            "Benutzer in der Prozessliste; ohne diese Option wird es abgefragt."),
             QStringLiteral("P")});
        parser.addOption({QStringLiteral("comment"), QStringLiteral("Kommentar."), QStringLiteral("C")});
        parser.addOption({QStringLiteral("generate"),
                          QStringLiteral("Speichert ein zufälliges Passwort (statt --password).")});
        parser.addOption(
            {QStringLiteral("show"),
             QStringLiteral("Gibt das mit --generate erzeugte Passwort auf der Standardausgabe aus.")});
    }
    if (isAdd || isGenerate) {
        parser.addOption({QStringLiteral("length"),
                          QStringLiteral("Länge des erzeugten Passworts, 8 bis 56 (Vorgabe: 20)."),
                          QStringLiteral("N")});
        parser.addOption({QStringLiteral("no-symbols"),
                          QStringLiteral("Das erzeugte Passwort ohne Satzzeichen, nur A-Z, a-z und 0-9.")});
    }
    if (name == QLatin1StringView("import")) {
        parser.addOption(
            {QStringLiteral("append"),
             QStringLiteral("Hängt die Einträge an den vorhandenen Tresor an (fragt sein Passwort).")});
        parser.addOption(
            {QStringLiteral("replace"),
             QStringLiteral("Ersetzt den vorhandenen Tresor; seine bisherigen Bytes kommen zuerst nach "
                            "VAULT.bak.")});
    }
    if (name == QLatin1StringView("export")) {
        parser.addOption({QStringLiteral("output"), QStringLiteral("Die KDBX-Datei, die geschrieben wird."),
                          QStringLiteral("FILE")});
        parser.addOption({QStringLiteral("force"), QStringLiteral("Ersetzt eine vorhandene KDBX-Datei.")});
    }
    if (isExchange) {
        parser.addOption(
            {QStringLiteral("format"),
             QStringLiteral("json oder csv (Vorgabe: json; beim Import csv für *.csv); kdbx beim Export."),
             QStringLiteral("FORMAT")});
    }

    args[0] = QStringLiteral("zelmora-cli ") + name;
    if (!parser.parse(args)) {
        throw SExit{kUsageError, parser.errorText()};
    }
    if (parser.isSet(help)) {
        // Qt names the program by its full path; the synopsis reads better with the command.
        QString text = parser.helpText();
        text.replace(QCoreApplication::arguments().constFirst(), args[0]);
        Print(stdout, text);
        return kSuccess;
    }
    const QStringList pos = parser.positionalArguments();
    const qsizetype wanted =
        (isGenerate ? 0 : 1) +
        ((isShow || name == QLatin1StringView("rm") || name == QLatin1StringView("import")) ? 1 : 0);
    if (pos.size() != wanted) {
        throw SExit{kUsageError, QStringLiteral("Falsche Zahl von Argumenten. Aufruf: zelmora-cli %1")
                                     .arg(QString::fromUtf8(command.synopsis))};
    }
    if (isGenerate) {
        SSecret password;
        Generate(GeneratorOptions(parser), password.text);
        WriteGeneratedLine(password.text);
        return kSuccess;
    }
    const QString& vault = pos[0];
    const QString openPrompt = QStringLiteral("Passwort für %1: ");
    CVaultData data;

    if (name == QLatin1StringView("list")) {
        OpenVault(vault, data, openPrompt);
        for (int p = 0; p < data.GetEntryCount(); ++p) {
            const CEntry& e = data.GetEntryAt(p);
            Print(stdout, QStringLiteral("%1\t%2\t%3\t%4\n")
                              .arg(p)
                              .arg(Displayable(e.GetSeite()), Displayable(e.GetName()),
                                   Displayable(e.GetKommentar())));
        }
        return kSuccess;
    }

    if (isShow) {
        int field = -1;
        if (parser.isSet(QStringLiteral("field"))) {
            const QString f = parser.value(QStringLiteral("field"));
            for (int i = 0; i < 4; ++i) {
                if (f == QLatin1StringView(kJsonKeys[i])) {
                    field = i;
                }
            }
            if (field < 0) {
                throw SExit{
                    kUsageError,
                    QStringLiteral("Unbekanntes Feld \"%1\" (site, name, password oder comment).").arg(f)};
            }
        }
        OpenVault(vault, data, openPrompt);
        const CEntry& e = data.GetEntryAt(ParsePosition(pos[1], data));
        const std::string* fields[4] = {&e.GetSeite(), &e.GetName(), &e.GetPasswort(), &e.GetKommentar()};
        const bool toTerminal = isatty(STDOUT_FILENO) == 1;
        if (field >= 0) {
            if (toTerminal) {
                Print(stdout, Displayable(*fields[field]) + QLatin1Char('\n'));
            } else {
                WriteOut(*fields[field]);
                WriteOut(QByteArrayLiteral("\n"));
            }
            return kSuccess;
        }
        for (int i = 0; i < 4; ++i) {
            Print(stdout, QString::fromLatin1(kCsvTitles[i]) + QStringLiteral(": "));
            if (toTerminal) {
                Print(stdout, Displayable(*fields[i]));
            } else {
                WriteOut(*fields[i]);
            }
            WriteOut(QByteArrayLiteral("\n"));
        }
        return kSuccess;
    }

    if (isAdd) {
        if (!parser.isSet(QStringLiteral("site"))) {
            throw SExit{kUsageError, QStringLiteral("--site fehlt. Aufruf: zelmora-cli %1")
                                         .arg(QString::fromUtf8(command.synopsis))};
        }
        const bool generate = parser.isSet(QStringLiteral("generate"));
        if (generate && parser.isSet(QStringLiteral("password"))) {
            throw SExit{kUsageError, QStringLiteral("--password und --generate schließen sich aus.")};
        }
        if (!generate) {
            for (const char* option : {"show", "length", "no-symbols"}) {
                if (parser.isSet(QString::fromLatin1(option))) {
                    throw SExit{
                        kUsageError,
                        QStringLiteral("--%1 gilt nur mit --generate.").arg(QString::fromLatin1(option))};
                }
            }
        }
        // Checked before any password is asked.
        const pwgen::SGeneratorOptions generatorOptions = GeneratorOptions(parser);
        std::string texts[4];
        const char* const options[4] = {"site", "name", "password", "comment"};
        const bool askEntryPassword = !parser.isSet(QStringLiteral("password")) && !generate;
        for (int i = 0; i < 4; ++i) {
            if (i == 2 && (askEntryPassword || generate)) {
                continue;
            }
            const std::string utf8 = parser.value(QString::fromLatin1(options[i])).toStdString();
            std::size_t offset = 0;
            if (!cp1252::StorableFromUtf8(utf8, texts[i], &offset)) {
                // The character itself, as import names it: "Byte 0" alone leaves the user guessing.
                const char32_t cp = QString::fromUtf8(utf8.substr(offset)).toUcs4().value(0);
                throw SExit{
                    kUsageError,
                    QStringLiteral("--%1 enthält das Zeichen „%2“ (U+%3), das ein Zelmora-Tresor nicht "
                                   "speichern kann.")
                        .arg(QString::fromLatin1(options[i]), QString::fromUcs4(&cp, 1),
                             QString::number(cp, 16).toUpper().rightJustified(4, QLatin1Char('0')))};
            }
        }
        const bool exists = PathExists(vault);
        SSecret password(exists ? AskVaultPassword(vault, openPrompt) : AskNewPassword(vault));
        if (exists && askEntryPassword) {
            CheckVaultPassword(vault, password.text);
        }
        if (askEntryPassword) {
            // Asked like the vault password, after it: an option would show it in the process list.
            texts[2] = AskPassword(QStringLiteral("Passwort des Eintrags: "));
        }
        SSecret generated;
        if (generate) {
            Generate(generatorOptions, generated.text);
            texts[2] = generated.text;
        }
        CVaultLock lock;
        LockVault(vault, lock);
        // Read under the lock: what another writer saved meanwhile stays.
        if (PathExists(vault)) {
            ReadVaultWith(vault, data, password.text);
        } else {
            data.SetVaultPassword(password.text);
        }
        data.AddEntry(texts[0], texts[1], texts[2], texts[3]);
        SecureWipe(texts[2]);
        SaveVault(vault, data);
        Print(stderr, QStringLiteral("Eintrag an Position %1 hinzugefügt.\n").arg(data.GetEntryCount() - 1));
        if (parser.isSet(QStringLiteral("show"))) {
            WriteGeneratedLine(generated.text);
        }
        return kSuccess;
    }

    if (name == QLatin1StringView("rm")) {
        SSecret password(AskVaultPassword(vault, openPrompt));
        CVaultLock lock;
        LockVault(vault, lock);
        ReadVaultWith(vault, data, password.text);
        data.RemoveEntryAt(ParsePosition(pos[1], data));
        SaveVault(vault, data);
        return kSuccess;
    }

    if (name == QLatin1StringView("export")) {
        if (parser.value(QStringLiteral("format")).toLower() == QLatin1StringView("kdbx")) {
            return ExportKdbx(vault, parser);
        }
        if (parser.isSet(QStringLiteral("output")) || parser.isSet(QStringLiteral("force"))) {
            throw SExit{kUsageError, QStringLiteral("--output und --force gelten nur für --format kdbx.")};
        }
        const EExchangeFormat format = ParseFormat(parser, QString());
        OpenVault(vault, data, openPrompt);
        WriteOut(ExportEntries(data, format));
        return kSuccess;
    }

    if (name == QLatin1StringView("import")) {
        const QString& source = pos[1];
        const bool append = parser.isSet(QStringLiteral("append"));
        const bool replace = parser.isSet(QStringLiteral("replace"));
        if (append && replace) {
            throw SExit{kUsageError, QStringLiteral("--append und --replace schließen sich aus.")};
        }
        const bool exists = PathExists(vault);
        if (exists && !append && !replace) {
            throw SExit{
                kUsageError,
                QStringLiteral("%1 gibt es schon. --append hängt die Einträge an (fragt das Passwort "
                               "des Tresors), --replace ersetzt den Tresor (die alte Datei kommt zuerst "
                               "nach %1.bak).")
                    .arg(vault)};
        }
        const EExchangeFormat format = ParseFormat(parser, source);
        QFile file(source);
        if (!file.open(QIODevice::ReadOnly)) {
            throw VaultError(FileErrorResult(PathExists(source) ? EACCES : ENOENT), source, false);
        }
        const QByteArray input = file.readAll();
        std::vector<SFields> entries;
        QString error;
        // Everything is checked before anything is written.
        if (!ImportEntries(input, format, entries, error)) {
            throw SExit{kFileError, source + QStringLiteral(": ") + error};
        }
        SSecret password(exists && append ? AskVaultPassword(vault, openPrompt) : AskNewPassword(vault));
        CVaultLock lock;
        LockVault(vault, lock);
        if (exists && append) {
            ReadVaultWith(vault, data, password.text);
        } else {
            data.SetVaultPassword(password.text);
        }
        data.ReserveEntries(static_cast<std::size_t>(data.GetEntryCount()) + entries.size());
        for (SFields& f : entries) {
            data.AddEntry(std::move(f[0]), std::move(f[1]), std::move(f[2]), std::move(f[3]));
        }
        if (exists && replace) {
            BackUp(vault);
        }
        SaveVault(vault, data);
        Print(stderr,
              QStringLiteral("%1 Einträge nach %2 geschrieben.\n").arg(data.GetEntryCount()).arg(vault));
        return kSuccess;
    }

    // passwd
    SSecret old(AskVaultPassword(vault, QStringLiteral("Altes Passwort für %1: ")));
    CheckVaultPassword(vault, old.text);
    SSecret chosen(AskNewPassword(vault));
    CVaultLock lock;
    LockVault(vault, lock);
    ReadVaultWith(vault, data, old.text);
    data.SetVaultPassword(chosen.text);
    SaveVault(vault, data);
    return kSuccess;
}

int Run(QStringList args) {
    if (args.size() < 2) {
        Print(stderr, GeneralHelp());
        return kUsageError;
    }
    const QString first = args[1];
    if (first == QLatin1StringView("--help") || first == QLatin1StringView("-h") ||
        first == QLatin1StringView("help")) {
        Print(stdout, GeneralHelp());
        return kSuccess;
    }
    if (first == QLatin1StringView("--version")) {
        Print(stdout, QStringLiteral("zelmora-cli 1.1\n"));
        return kSuccess;
    }
    for (const SCommand& c : kCommands) {
        if (first == QLatin1StringView(c.name)) {
            args.removeAt(1);
            try {
                return RunCommand(c, args);
            } catch (const SExit& e) {
                Warn(e.message);
                return e.code;
            } catch (const std::bad_alloc&) {
                // A vault too large for the memory (a huge field shown or exported) is reported
                // like a damaged one; it never ends the program.
                SVaultResult result;
                result.status = EVaultStatus::kOutOfMemory;
                Warn(FromVault(VaultErrorTemplate(result, false)));
                return kFileError;
            }
        }
    }
    Warn(QStringLiteral("Unbekannter Befehl \"%1\". \"zelmora-cli --help\" zeigt die Befehle.").arg(first));
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    // Decrypted texts must never land in a core file or be read by a debugger of the same user.
    DisableCoreDumpsInReleaseBuilds();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zelmora-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1"));
    // Qt's own texts (option parser errors) in German, like ours.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(&qtTranslator);
    }
    return FinishStandardOutput(Run(QCoreApplication::arguments()));
}
