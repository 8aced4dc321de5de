#include "platform/text_codec.h"

#include "vault/cp1252.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::string Std(const QString& s) {
    return s.toStdString();
}

}  // namespace

TEST(TextCodec, EveryByteHasOneCharacterAndComesBack) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const QString text = TextFromVault(all);
    ASSERT_EQ(text.size(), 256);
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(text.at(b).unicode(), cp1252::ToUnicode(static_cast<unsigned char>(b))) << b;
    }
    EXPECT_EQ(text.at(0x80), QChar(0x20AC));  // the euro sign
    EXPECT_EQ(text.at(0x81), QChar(0x81));    // unassigned bytes keep their value
    EXPECT_EQ(text.at(0x9F), QChar(0x178));
    EXPECT_EQ(text.at(0xE4), QChar(0xE4));

    // A vault text never holds a zero byte, so that one alone is refused on the way back.
    bool ok = true;
    EXPECT_EQ(TextToVault(text.mid(1), &ok), all.substr(1));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(IsStorableText(text.mid(1)));
    EXPECT_EQ(TextToVault(text, &ok), all.substr(1));
    EXPECT_FALSE(ok);
    EXPECT_FALSE(IsStorableText(text));
}

TEST(TextCodec, CharactersWithoutAByteAreRefused) {
    const struct {
        QString text;
        std::string kept;
    } cases[] = {
        {u"Gr\u00FC\u00DFe \u20AC"_s,
         "Gr\xFC\xDF"
         "e \x80"},
        {u"a\u2603b"_s, "ab"},                    // snowman
        {u"x\U0001F600y"_s, "xy"},                // a surrogate pair is one character
        {u"x"_s + QChar(0xD800) + u"y"_s, "xy"},  // a lone surrogate
        {u"\u0100"_s, ""},                        // Latin Extended-A beyond the page
        {u"\u0153\u0152"_s, "\x9C\x8C"},          // but the page's own oe ligatures stay
    };
    for (const auto& c : cases) {
        bool ok = false;
        EXPECT_EQ(TextToVault(c.text, &ok), c.kept) << Std(c.text);
        EXPECT_EQ(ok, IsStorableText(c.text)) << Std(c.text);
        EXPECT_EQ(ok, TextFromVault(c.kept) == c.text) << Std(c.text);
    }
    EXPECT_TRUE(IsStorableText(QString()));
}
