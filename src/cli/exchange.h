// Moving entries to and from other programs: JSON and CSV, UTF-8 on the outside, the vault's
// Windows-1252 bytes on the inside.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <string>
#include <vector>

class CVaultData;

enum class EExchangeFormat { kJson, kCsv };

// The four texts of one entry in field order (site, name, password, comment), Windows-1252.
using SFields = std::array<std::string, 4>;

// JSON keys and CSV column titles, in field order.
extern const char* const kJsonKeys[4];
extern const char* const kCsvTitles[4];

QByteArray ExportEntries(const CVaultData& data, EExchangeFormat format);

// Parses and checks everything before the caller writes anything.  On failure error names the
// entry (its position) and field, or the place where the file is malformed.
bool ImportEntries(const QByteArray& input, EExchangeFormat format, std::vector<SFields>& entries,
                   QString& error);

// RFC 4180 records (fields may hold commas, quotes and line breaks).  Exposed for tests.
bool ParseCsv(const QByteArray& input, std::vector<std::vector<QByteArray>>& records, QString& error);
