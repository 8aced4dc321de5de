#include "platform/text_codec.h"

#include "vault/cp1252.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

std::string Std(const QString& s) {
    return s.toStdString();
}

// Types one character at a time as a keyboard with that character would.
void Type(QLineEdit& edit, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, n));
        QApplication::sendEvent(&edit, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text.mid(i, n));
        QApplication::sendEvent(&edit, &release);
        i += n - 1;
    }
}

void Paste(QLineEdit& edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
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

TEST(VaultTextValidator, RefusesUnstorableCharactersAsTheyAreTypedOrPasted) {
    QLineEdit edit;
    edit.setValidator(new CVaultTextValidator(&edit));
    edit.show();

    Type(edit, u"Gr\u00FC\u00DF\u2603e \u20AC\U0001F600!"_s);
    EXPECT_EQ(Std(edit.text()), Std(u"Gr\u00FC\u00DFe \u20AC!"_s));

    edit.setText(u"xy"_s);
    edit.setCursorPosition(1);
    Paste(edit, u"\u2603A\u00E9\U0001F600B\u2603"_s);
    EXPECT_EQ(Std(edit.text()), Std(u"xA\u00E9By"_s));
    EXPECT_EQ(edit.cursorPosition(), 4);  // after what was kept of the paste

    // A paste of nothing storable changes nothing.
    Paste(edit, u"\u2603\u2603"_s);
    EXPECT_EQ(Std(edit.text()), Std(u"xA\u00E9By"_s));
    EXPECT_EQ(edit.cursorPosition(), 4);
    EXPECT_TRUE(edit.hasAcceptableInput());
}
