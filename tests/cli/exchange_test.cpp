#include "cli/exchange.h"

#include <gtest/gtest.h>

#include "vault/vault_data.h"

namespace {

using Records = std::vector<std::vector<QByteArray>>;

Records Csv(const QByteArray& text, bool expectOk = true) {
    Records records;
    QString error;
    EXPECT_EQ(ParseCsv(text, records, error), expectOk) << error.toStdString();
    return records;
}

QString ImportError(const QByteArray& input, EExchangeFormat format) {
    std::vector<SFields> entries;
    QString error;
    EXPECT_FALSE(ImportEntries(input, format, entries, error));
    return error;
}

TEST(CsvParser, QuotedFieldsHoldSeparatorsQuotesAndLineBreaks) {
    const Records r = Csv("a,\"b,c\",\"say \"\"hi\"\"\",\"two\r\nlines\"\r\nx,,\"\",y\n");
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0], (std::vector<QByteArray>{"a", "b,c", "say \"hi\"", "two\r\nlines"}));
    EXPECT_EQ(r[1], (std::vector<QByteArray>{"x", "", "", "y"}));
}

TEST(CsvParser, AcceptsLfCrLfBomAndMissingFinalLineEnd) {
    EXPECT_EQ(Csv("\xEF\xBB\xBFh\r\na\nb").size(), 3u);
    EXPECT_EQ(Csv("h\r\n\r\na\r\n").size(), 2u) << "blank lines are skipped";
    EXPECT_EQ(Csv(",,,\r\n")[0].size(), 4u) << "four empty fields are a record, not a blank line";
}

TEST(CsvParser, RefusesMalformedQuoting) {
    Csv("a,\"open\r\n", false);
    Csv("a,\"closed\"junk\r\n", false);
    Csv("a,mid\"quote\r\n", false);
}

TEST(JsonImport, ReadsFieldsInOrderAndTreatsMissingKeysAsEmpty) {
    std::vector<SFields> entries;
    QString error;
    ASSERT_TRUE(
        ImportEntries(R"([{"site":"s","name":"n","password":"p","comment":"c"},{"password":"\u00e4"}])",
                      EExchangeFormat::kJson, entries, error))
        << error.toStdString();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (SFields{"s", "n", "p", "c"}));
    EXPECT_EQ(entries[1], (SFields{"", "", "\xE4", ""}));
}

TEST(JsonImport, NamesEntryAndFieldOfTextThatCannotBeStored) {
    const QString han =
        ImportError(R"([{"site":"ok"},{"site":"ok","password":"a\u4e2db"}])", EExchangeFormat::kJson);
    EXPECT_TRUE(han.contains(QStringLiteral("Eintrag 1"))) << han.toStdString();
    EXPECT_TRUE(han.contains(QStringLiteral("\"password\""))) << han.toStdString();
    EXPECT_TRUE(han.contains(QStringLiteral("U+4E2D"))) << han.toStdString();

    const QString zero = ImportError(R"([{"comment":"a\u0000b"}])", EExchangeFormat::kJson);
    EXPECT_TRUE(zero.contains(QStringLiteral("Eintrag 0"))) << zero.toStdString();
    EXPECT_TRUE(zero.contains(QStringLiteral("U+0000"))) << zero.toStdString();

    const QString lone = ImportError(R"([{"name":"\ud800"}])", EExchangeFormat::kJson);
    EXPECT_TRUE(lone.contains(QStringLiteral("\"name\""))) << lone.toStdString();
}

TEST(JsonImport, RefusesWrongShapes) {
    EXPECT_FALSE(ImportError("[{\"site\": \"x\"", EExchangeFormat::kJson).isEmpty());
    EXPECT_FALSE(ImportError(R"({"site":"x"})", EExchangeFormat::kJson).isEmpty());
    EXPECT_TRUE(
        ImportError(R"([{"site":"x"}, 5])", EExchangeFormat::kJson).contains(QStringLiteral("Eintrag 1")));
    EXPECT_TRUE(ImportError(R"([{"site":7}])", EExchangeFormat::kJson).contains(QStringLiteral("\"site\"")));
    // A misspelt key would silently lose its text.
    EXPECT_TRUE(
        ImportError(R"([{"passwort":"x"}])", EExchangeFormat::kJson).contains(QStringLiteral("passwort")));
}

TEST(CsvImport, NeedsTheHeaderAndFourFieldsPerRecord) {
    EXPECT_FALSE(ImportError("Site,Name,Password,Comment\r\n", EExchangeFormat::kCsv).isEmpty());
    EXPECT_FALSE(ImportError("", EExchangeFormat::kCsv).isEmpty());
    EXPECT_TRUE(ImportError("Seite,Name,Passwort,Kommentar\r\na,b,c,d\r\na,b,c\r\n", EExchangeFormat::kCsv)
                    .contains(QStringLiteral("Eintrag 1")));
    EXPECT_TRUE(ImportError("Seite,Name,Passwort,Kommentar\r\na,b,\xff,d\r\n", EExchangeFormat::kCsv)
                    .contains(QStringLiteral("UTF-8")));
    EXPECT_TRUE(ImportError("Seite,Name,Passwort,Kommentar\r\na,b,c,\xe2\x82\xbf\r\n", EExchangeFormat::kCsv)
                    .contains(QStringLiteral("U+20BF")));
}

TEST(Export, EveryByteSurvivesBothFormats) {
    CVaultData data;
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    data.AddEntry(all, "", "\"quoted\", with comma", "line\r\nbreak");
    data.AddEntry("", "", "", "");
    for (EExchangeFormat format : {EExchangeFormat::kJson, EExchangeFormat::kCsv}) {
        std::vector<SFields> back;
        QString error;
        ASSERT_TRUE(ImportEntries(ExportEntries(data, format), format, back, error)) << error.toStdString();
        ASSERT_EQ(back.size(), 2u);
        EXPECT_EQ(back[0], (SFields{all, "", "\"quoted\", with comma", "line\r\nbreak"}));
        EXPECT_EQ(back[1], (SFields{"", "", "", ""}));
    }
}

TEST(Export, JsonKeepsFieldOrderAndEscapesControls) {
    CVaultData data;
    EXPECT_EQ(ExportEntries(data, EExchangeFormat::kJson), QByteArray("[]\n"));
    data.AddEntry("a\x01", "\xE4", "\\", "\"");
    EXPECT_EQ(ExportEntries(data, EExchangeFormat::kJson),
              QByteArray("[\n  {\"site\": \"a\\u0001\", \"name\": \"\xC3\xA4\", \"password\": \"\\\\\", "
                         "\"comment\": \"\\\"\"}\n]\n"));
    EXPECT_EQ(ExportEntries(data, EExchangeFormat::kCsv),
              QByteArray("Seite,Name,Passwort,Kommentar\r\na\x01,\xC3\xA4,\\,\"\"\"\"\r\n"));
}

}  // namespace
