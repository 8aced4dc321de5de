#include "cli/exchange.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include "vault/cp1252.h"
#include "vault/vault_data.h"

const char* const kJsonKeys[4] = {"site", "name", "password", "comment"};
const char* const kCsvTitles[4] = {"Seite", "Name", "Passwort", "Kommentar"};

namespace {

const std::string& Field(const CEntry& e, int i) {
    switch (i) {
        case 0:
            return e.GetSeite();
        case 1:
            return e.GetName();
        case 2:
            return e.GetPasswort();
        default:
            return e.GetKommentar();
    }
}

void AppendJsonString(QByteArray& out, const std::string& cp1252Text) {
    static const char kHex[] = "0123456789abcdef";
    const std::string utf8 = cp1252::ToUtf8(cp1252Text);
    out.append('"');
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out.append("\\\"");
                break;
            case '\\':
                out.append("\\\\");
                break;
            case '\n':
                out.append("\\n");
                break;
            case '\r':
                out.append("\\r");
                break;
            case '\t':
                out.append("\\t");
                break;
            default:
                if (c < 0x20) {
                    out.append("\\u00");
                    out.append(kHex[c >> 4]);
                    out.append(kHex[c & 15]);
                } else {
                    out.append(static_cast<char>(c));
                }
        }
    }
    out.append('"');
}

bool CsvNeedsQuotes(const std::string& utf8) {
    return utf8.find_first_of(",\"\r\n") != std::string::npos;
}

void AppendCsvField(QByteArray& out, const std::string& cp1252Text) {
    const std::string utf8 = cp1252::ToUtf8(cp1252Text);
    if (!CsvNeedsQuotes(utf8)) {
        out.append(utf8.data(), static_cast<qsizetype>(utf8.size()));
        return;
    }
    out.append('"');
    for (char c : utf8) {
        if (c == '"') {
            out.append('"');
        }
        out.append(c);
    }
    out.append('"');
}

QString CodePointName(char32_t cp) {
    return QStringLiteral("U+") +
           QStringLiteral("%1").arg(static_cast<uint>(cp), 4, 16, QLatin1Char('0')).toUpper();
}

QString UnstorableMessage(int position, const char* fieldName, char32_t cp) {
    if (cp == 0) {
        return QStringLiteral(
                   "Eintrag %1, Feld \"%2\": ein Null-Zeichen (U+0000) kann in einem Zelmora-Tresor "
                   "nicht gespeichert werden.")
            .arg(position)
            .arg(QString::fromLatin1(fieldName));
    }
    QString shown;
    if (cp >= 0x20 && !(cp >= 0x7F && cp < 0xA0) && cp != 0xFFFD && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        shown = QStringLiteral("\u201E%1\u201C ").arg(QString::fromUcs4(&cp, 1));
    }
    return QStringLiteral(
               "Eintrag %1, Feld \"%2\": das Zeichen %3(%4) kann in einem Zelmora-Tresor nicht "
               "gespeichert werden.")
        .arg(position)
        .arg(QString::fromLatin1(fieldName), shown, CodePointName(cp));
}

// QString (UTF-16, possibly with lone surrogates from JSON escapes) to storable bytes.
bool StorableFromQString(const QString& text, std::string& out, char32_t& bad) {
    out.clear();
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t cp = text[i].unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        unsigned char b = 0;
        if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF) || !cp1252::FromUnicode(cp, b)) {
            bad = cp;
            return false;
        }
        out.push_back(static_cast<char>(b));
    }
    return true;
}

bool ImportJson(const QByteArray& input, std::vector<SFields>& entries, QString& error) {
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(input, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("Kein gültiges JSON (Byte %1): %2")
                    .arg(parseError.offset)
                    .arg(parseError.errorString());
        return false;
    }
    if (!doc.isArray()) {
        error = QStringLiteral("Das JSON muss eine Liste von Einträgen sein ([...]).");
        return false;
    }
    const QJsonArray array = doc.array();
    entries.clear();
    entries.reserve(static_cast<std::size_t>(array.size()));
    for (qsizetype pos = 0; pos < array.size(); ++pos) {
        const QJsonValue value = array.at(pos);
        if (!value.isObject()) {
            error = QStringLiteral("Eintrag %1 ist kein JSON-Objekt.").arg(pos);
            return false;
        }
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool known = false;
            for (const char* key : kJsonKeys) {
                known = known || it.key() == QLatin1StringView(key);
            }
            if (!known) {
                // A misspelt key would otherwise drop the text it holds without a word.
                error = QStringLiteral(
                            "Eintrag %1: unbekannter Schlüssel \"%2\" (erlaubt sind site, name, "
                            "password, comment).")
                            .arg(pos)
                            .arg(it.key());
                return false;
            }
        }
        SFields fields;
        for (int f = 0; f < 4; ++f) {
            const QJsonValue v = object.value(QLatin1StringView(kJsonKeys[f]));
            if (v.isUndefined() || v.isNull()) {
                continue;
            }
            if (!v.isString()) {
                error = QStringLiteral("Eintrag %1, Feld \"%2\": Text erwartet.")
                            .arg(pos)
                            .arg(QString::fromLatin1(kJsonKeys[f]));
                return false;
            }
            char32_t bad = 0;
            if (!StorableFromQString(v.toString(), fields[static_cast<std::size_t>(f)], bad)) {
                error = UnstorableMessage(static_cast<int>(pos), kJsonKeys[f], bad);
                return false;
            }
        }
        entries.push_back(std::move(fields));
    }
    return true;
}

char32_t CodePointAt(const std::string& utf8, std::size_t offset) {
    // Decodes for the message only; the offending character was located by the codec.
    const std::string rest = utf8.substr(offset, 4);
    const QString s = QString::fromUtf8(rest.data(), static_cast<qsizetype>(rest.size()));
    if (s.isEmpty()) {
        return 0xFFFD;
    }
    if (s.size() > 1 && s[0].isHighSurrogate() && s[1].isLowSurrogate()) {
        return QChar::surrogateToUcs4(s[0], s[1]);
    }
    return s[0].unicode();
}

bool IsValidUtf8(const std::string& text) {
    std::string ignored;
    std::size_t offset = 0;
    if (cp1252::FromUtf8(text, ignored, &offset)) {
        return true;
    }
    // FromUtf8 also stops at characters without a byte; tell those apart from malformed input.
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8() ==
           QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

bool ImportCsv(const QByteArray& input, std::vector<SFields>& entries, QString& error) {
    std::vector<std::vector<QByteArray>> records;
    if (!ParseCsv(input, records, error)) {
        return false;
    }
    if (records.empty()) {
        error = QStringLiteral(
            "Die CSV-Datei ist leer; die erste Zeile muss \"Seite,Name,Passwort,Kommentar\" "
            "lauten.");
        return false;
    }
    const auto& header = records.front();
    bool headerOk = header.size() == 4;
    for (std::size_t i = 0; headerOk && i < 4; ++i) {
        headerOk = header[i] == kCsvTitles[i];
    }
    if (!headerOk) {
        error =
            QStringLiteral("Die erste Zeile der CSV-Datei muss \"Seite,Name,Passwort,Kommentar\" lauten.");
        return false;
    }
    entries.clear();
    entries.reserve(records.size() - 1);
    for (std::size_t r = 1; r < records.size(); ++r) {
        const int pos = static_cast<int>(r - 1);
        const auto& record = records[r];
        if (record.size() != 4) {
            error = QStringLiteral("Eintrag %1: 4 Felder erwartet, %2 gefunden.").arg(pos).arg(record.size());
            return false;
        }
        SFields fields;
        for (std::size_t f = 0; f < 4; ++f) {
            const std::string utf8 = record[f].toStdString();
            std::size_t offset = 0;
            if (!cp1252::StorableFromUtf8(utf8, fields[f], &offset)) {
                if (!IsValidUtf8(utf8)) {
                    error = QStringLiteral("Eintrag %1, Feld \"%2\": kein gültiges UTF-8.")
                                .arg(pos)
                                .arg(QString::fromLatin1(kCsvTitles[f]));
                } else {
                    error = UnstorableMessage(pos, kCsvTitles[f], CodePointAt(utf8, offset));
                }
                return false;
            }
        }
        entries.push_back(std::move(fields));
    }
    return true;
}

}  // namespace

QByteArray ExportEntries(const CVaultData& data, EExchangeFormat format) {
    QByteArray out;
    if (format == EExchangeFormat::kJson) {
        if (data.GetEntryCount() == 0) {
            return QByteArrayLiteral("[]\n");
        }
        out.append("[\n");
        for (int p = 0; p < data.GetEntryCount(); ++p) {
            out.append("  {");
            for (int f = 0; f < 4; ++f) {
                out.append(f ? ", \"" : "\"").append(kJsonKeys[f]).append("\": ");
                AppendJsonString(out, Field(data.GetEntryAt(p), f));
            }
            out.append(p + 1 < data.GetEntryCount() ? "},\n" : "}\n");
        }
        out.append("]\n");
        return out;
    }
    out.append("Seite,Name,Passwort,Kommentar\r\n");
    for (int p = 0; p < data.GetEntryCount(); ++p) {
        for (int f = 0; f < 4; ++f) {
            if (f) {
                out.append(',');
            }
            AppendCsvField(out, Field(data.GetEntryAt(p), f));
        }
        out.append("\r\n");
    }
    return out;
}

bool ImportEntries(const QByteArray& input, EExchangeFormat format, std::vector<SFields>& entries,
                   QString& error) {
    return format == EExchangeFormat::kJson ? ImportJson(input, entries, error)
                                            : ImportCsv(input, entries, error);
}

bool ParseCsv(const QByteArray& input, std::vector<std::vector<QByteArray>>& records, QString& error) {
    records.clear();
    qsizetype i = input.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const qsizetype n = input.size();
    int line = 1;
    while (i < n) {
        const int recordLine = line;
        std::vector<QByteArray> record;
        bool lineEmpty = true;
        for (;;) {
            QByteArray field;
            if (i < n && input[i] == '"') {
                lineEmpty = false;
                ++i;
                for (;;) {
                    if (i >= n) {
                        error =
                            QStringLiteral("Zeile %1: Anführungszeichen nicht geschlossen.").arg(recordLine);
                        return false;
                    }
                    const char c = input[i++];
                    if (c == '"') {
                        if (i < n && input[i] == '"') {
                            field.append('"');
                            ++i;
                            continue;
                        }
                        break;
                    }
                    if (c == '\n') {
                        ++line;
                    }
                    field.append(c);
                }
                if (i < n && input[i] != ',' && input[i] != '\r' && input[i] != '\n') {
                    error = QStringLiteral(
                                "Zeile %1: nach einem Anführungszeichen muss ein Komma oder das "
                                "Zeilenende folgen.")
                                .arg(line);
                    return false;
                }
            } else {
                while (i < n && input[i] != ',' && input[i] != '\r' && input[i] != '\n') {
                    if (input[i] == '"') {
                        error = QStringLiteral(
                                    "Zeile %1: Anführungszeichen mitten in einem Feld ohne "
                                    "Anführungszeichen.")
                                    .arg(line);
                        return false;
                    }
                    field.append(input[i++]);
                }
                if (!field.isEmpty()) {
                    lineEmpty = false;
                }
            }
            record.push_back(std::move(field));
            if (i < n && input[i] == ',') {
                lineEmpty = false;
                ++i;
                continue;
            }
            break;
        }
        // Line end: CRLF, LF or a lone CR.
        if (i < n && input[i] == '\r') {
            ++i;
        }
        if (i < n && input[i] == '\n') {
            ++i;
        }
        ++line;
        if (!lineEmpty) {
            records.push_back(std::move(record));
        }
    }
    return true;
}
