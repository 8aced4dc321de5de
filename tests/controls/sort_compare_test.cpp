#include "controls/sort_compare.h"
#include "platform/c_number.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <climits>
#include <cmath>

using namespace Qt::StringLiterals;
using sortcmp::CompareTexts;

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

int Cmp(int type, const QString& a, const QString& b) {
    return Sign(CompareTexts(type, a, b));
}

}  // namespace

TEST(SortCompare, CaseSensitiveTextComparesWindows1252Bytes) {
    EXPECT_EQ(Cmp(0, u"abc"_s, u"abd"_s), -1);
    EXPECT_EQ(Cmp(0, u"ab"_s, u"abc"_s), -1);
    EXPECT_EQ(Cmp(0, u"abc"_s, u"abc"_s), 0);
    EXPECT_EQ(Cmp(0, u"B"_s, u"a"_s), -1);  // 42 before 61
    EXPECT_EQ(Cmp(0, u"Z"_s, u"Ä"_s), -1);  // 5A before C4: bytes are unsigned
    EXPECT_EQ(Cmp(0, u"Ä"_s, u"ä"_s), -1);
    // The euro sign is byte 80 in Windows-1252, far below its code point 20AC: it sorts before "Ä".
    EXPECT_EQ(Cmp(0, u"€"_s, u"Ä"_s), -1);
    EXPECT_EQ(Cmp(0, u"z"_s, u"€"_s), -1);
    // A character without a byte still orders, after every byte.
    EXPECT_EQ(Cmp(0, u"ÿ"_s, u"Ω"_s), -1);
}

TEST(SortCompare, CaseInsensitiveTextFoldsOnlyAToZ) {
    EXPECT_EQ(Cmp(1, u"abc"_s, u"ABC"_s), 0);
    EXPECT_EQ(Cmp(1, u"aBc"_s, u"AbC"_s), 0);
    EXPECT_EQ(Cmp(1, u"Zebra"_s, u"Äpfel"_s), -1);
    EXPECT_EQ(Cmp(1, u"zebra"_s, u"äpfel"_s), -1);
    EXPECT_EQ(Cmp(1, u"Ä"_s, u"ä"_s), -1);  // not folded
    EXPECT_EQ(Cmp(1, u"b"_s, u"A"_s), 1);
    // Letters fold to lower case, so "_" (5F) stands before every letter.
    EXPECT_EQ(Cmp(1, u"_"_s, u"A"_s), -1);
    EXPECT_EQ(Cmp(1, u"_"_s, u"a"_s), -1);
}

TEST(SortCompare, WholeNumbersReadLikeAtoi) {
    EXPECT_EQ(cnumber::ReadInteger(u"12abc"), 12);
    EXPECT_EQ(cnumber::ReadInteger(u"abc"), 0);
    EXPECT_EQ(cnumber::ReadInteger(u" -7"), -7);
    EXPECT_EQ(cnumber::ReadInteger(u"\t\n+42 3"), 42);
    EXPECT_EQ(cnumber::ReadInteger(u"- 5"), 0);
    EXPECT_EQ(cnumber::ReadInteger(u""), 0);
    EXPECT_EQ(cnumber::ReadInteger(u"99999999999999999999"), INT_MAX);
    EXPECT_EQ(cnumber::ReadInteger(u"-2147483648"), INT_MIN);
    EXPECT_EQ(cnumber::ReadInteger(u"-99999999999"), INT_MIN);

    EXPECT_EQ(Cmp(2, u"12abc"_s, u"12"_s), 0);
    EXPECT_EQ(Cmp(2, u"abc"_s, u"0"_s), 0);
    EXPECT_EQ(Cmp(2, u" -7"_s, u"-8"_s), 1);
    EXPECT_EQ(Cmp(2, u"9"_s, u"10"_s), -1);
    // Far apart values must not overflow into the wrong sign.
    EXPECT_EQ(Cmp(2, u"2000000000"_s, u"-2000000000"_s), 1);
}

TEST(SortCompare, DecimalNumbersReadLikeStrtodWithAFullStop) {
    EXPECT_EQ(cnumber::ReadDecimal(u"1,5"), 1.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"  -2.25xyz"), -2.25);
    EXPECT_EQ(cnumber::ReadDecimal(u".5"), 0.5);
    EXPECT_EQ(cnumber::ReadDecimal(u"5."), 5.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"1e3"), 1000.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"1.5E-1"), 0.15);
    EXPECT_EQ(cnumber::ReadDecimal(u"1e"), 1.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"1e+"), 1.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"."), 0.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"abc"), 0.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"inf"), 0.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"0x10"), 0.0);
    EXPECT_TRUE(std::isinf(cnumber::ReadDecimal(u"1e999")));
    EXPECT_EQ(cnumber::ReadDecimal(u"1e-999"), 0.0);
    EXPECT_TRUE(std::isinf(cnumber::ReadDecimal(QString(400, u'9'))));
    EXPECT_EQ(cnumber::ReadDecimal(u"0."_s + QString(400, u'0') + u"1"_s), 0.0);
    EXPECT_EQ(cnumber::ReadDecimal(u"-1e999"), -HUGE_VAL);

    EXPECT_EQ(Cmp(5, u"1.5"_s, u"1.25"_s), 1);
    EXPECT_EQ(Cmp(5, u"1.25"_s, u"1.5"_s), -1);
    EXPECT_EQ(Cmp(5, u"2"_s, u"10"_s), -1);
    // Equal values give +1 either way round, never 0.
    EXPECT_EQ(Cmp(5, u"1,5"_s, u"1"_s), 1);
    EXPECT_EQ(Cmp(5, u"1"_s, u"1,5"_s), 1);
    EXPECT_EQ(Cmp(5, u"abc"_s, u"0"_s), 1);
}

TEST(SortCompare, DatesUseTheSystemLocaleAndNeverCompareEqual) {
    const QLocale locale = QLocale::system();
    const QString early = locale.toString(QDate(2023, 12, 24), QLocale::ShortFormat);
    const QString late = locale.toString(QDate(2024, 2, 1), QLocale::ShortFormat);
    const QString morning = locale.toString(QTime(9, 15), QLocale::ShortFormat);
    const QString evening = locale.toString(QTime(21, 5), QLocale::ShortFormat);
    const QString lateEvening =
        locale.toString(QDateTime(QDate(2024, 2, 1), QTime(21, 5)), QLocale::ShortFormat);
    for (int type : {3, 6}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(Cmp(type, early, late), -1);
        EXPECT_EQ(Cmp(type, late, early), 1);
        EXPECT_EQ(Cmp(type, late, late), 1);
        EXPECT_EQ(Cmp(type, morning, evening), -1);
        EXPECT_EQ(Cmp(type, late, lateEvening), -1);
        // A text that is no date is equal to everything.
        EXPECT_EQ(Cmp(type, u"kein Datum"_s, late), 0);
        EXPECT_EQ(Cmp(type, early, u"12 Äpfel"_s), 0);
        EXPECT_EQ(Cmp(type, u""_s, u""_s), 0);
    }
}

// What a sort needs of its order: never a before a, never both a before b and b before a, and
// "neither before the other" passes on.  The comparison types' own results stay where keys differ.
TEST(SortCompare, OrderKeysIsAStrictWeakOrderThatAgreesOnUnequalKeys) {
    const QLocale locale = QLocale::system();
    const QStringList texts = {u"1"_s,
                               u"1.0"_s,
                               u"2"_s,
                               u"-1"_s,
                               u"abc"_s,
                               u""_s,
                               locale.toString(QDate(2023, 12, 24), QLocale::ShortFormat),
                               locale.toString(QDate(2024, 2, 1), QLocale::ShortFormat),
                               u"kein Datum"_s};
    for (int type : {0, 1, 2, 3, 4, 5, 6}) {
        SCOPED_TRACE(type);
        const sortcmp::CKeyReader reader(type, locale);
        std::vector<sortcmp::SortKey> keys;
        for (const QString& t : texts) {
            keys.push_back(reader.Read(t));
        }
        for (int direction : {1, -1}) {
            const auto before = [&](const sortcmp::SortKey& a, const sortcmp::SortKey& b) {
                return direction * sortcmp::OrderKeys(type, a, b) < 0;
            };
            for (const auto& a : keys) {
                EXPECT_FALSE(before(a, a));
                for (const auto& b : keys) {
                    EXPECT_FALSE(before(a, b) && before(b, a));
                    const bool unequal = sortcmp::CompareKeys(type, a, b) != 0 &&
                                         sortcmp::CompareKeys(type, b, a) != 0 &&
                                         sortcmp::CompareKeys(type, a, b) != sortcmp::CompareKeys(type, b, a);
                    if (unequal) {
                        EXPECT_EQ(sortcmp::OrderKeys(type, a, b), sortcmp::CompareKeys(type, a, b));
                    }
                    for (const auto& c : keys) {
                        const bool abEquivalent = !before(a, b) && !before(b, a);
                        const bool bcEquivalent = !before(b, c) && !before(c, b);
                        if (abEquivalent && bcEquivalent) {
                            EXPECT_TRUE(!before(a, c) && !before(c, a));
                        }
                    }
                }
            }
        }
    }
}

TEST(SortCompare, DatesAcceptShortFormsAndTwoDigitYears) {
    const QLocale german(QLocale::German, QLocale::Germany);
    const auto cmp = [&](const QString& a, const QString& b) { return Sign(CompareTexts(3, a, b, german)); };
    EXPECT_EQ(cmp(u"1.2.24"_s, u"24.12.2023"_s), 1);
    EXPECT_EQ(cmp(u"01.02.2024"_s, u"1.2.24 00:01"_s), -1);
    EXPECT_EQ(cmp(u"9:05"_s, u"10:30"_s), -1);
    // Two-digit years run from 1930 to 2029.
    EXPECT_EQ(cmp(u"1.1.30"_s, u"31.12.29"_s), -1);
    EXPECT_EQ(cmp(u"31.12.29"_s, u"1.1.2029"_s), 1);
    EXPECT_EQ(cmp(u"Montag, 5. Februar 2024"_s, u"4.2.24"_s), 1);
    EXPECT_EQ(cmp(u"31.02.2024"_s, u"1.1.2024"_s), 0);
}

TEST(SortCompare, TypeFourAndUnknownTypesAreAlwaysEqual) {
    for (int type : {4, 7, -1, 255}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(CompareTexts(type, u"a"_s, u"b"_s), 0);
        EXPECT_EQ(CompareTexts(type, u"2"_s, u"1"_s), 0);
    }
}
