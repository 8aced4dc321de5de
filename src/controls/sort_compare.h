// The comparison types of the sortable list: how two cell texts of a column are ordered.
//
// A sort reads every row's text once into a SortKey and then compares keys only; CompareTexts is the
// same comparison straight on two texts.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <string>

namespace sortcmp {

enum Type : int {
    kTextCase = 0,     // character codes of Windows-1252, unsigned
    kTextNoCase = 1,   // as kTextCase, but A-Z equal a-z
    kInteger = 2,      // read like atoi
    kDateTime = 3,     // locale's date and time formats; unparsable texts are equal to everything
    kNone = 4,         // always equal
    kDecimal = 5,      // read like strtod with a full stop
    kDateTimeToo = 6,  // the same as kDateTime
};
constexpr int kMaxType = 6;

struct SortKey {
    // Types 0 and 1: one element per character, the Windows-1252 byte where there is one (so that
    // "Ä" keeps its code C4) and 0x100 + code point otherwise, so that such texts still order.
    std::u32string text;
    // Types 2, 3, 5 and 6; a date is its milliseconds since the start of the Julian calendar.
    double value = 0;
    bool valid = false;  // types 3 and 6: the text parsed as a date or time
};

// Reads texts into keys for one comparison type.  Keeps the date formats of its locale, so that a
// sort builds them once.
class CKeyReader {
public:
    explicit CKeyReader(int type, const QLocale& locale = QLocale::system());
    SortKey Read(const QString& text) const;

private:
    bool ReadDate(const QString& text, double& value) const;

    int m_nType;
    QLocale m_locale;
    QStringList m_dateTimeFormats;  // tried in order; the first that parses wins
    QStringList m_dateFormats;
    QStringList m_timeFormats;
};

// Negative, zero or positive before any sort direction is applied.  A type outside 0..6 gives 0.
int CompareKeys(int type, const SortKey& a, const SortKey& b);

int CompareTexts(int type, const QString& a, const QString& b, const QLocale& locale = QLocale::system());

// The order a sort uses: CompareKeys where the keys differ, but a strict weak order, which a sort
// needs in both directions.  Equal decimals and dates give 0 (CompareKeys gives +1), and under
// types 3 and 6 a text that is no date sorts before every date instead of equalling all of them.
int OrderKeys(int type, const SortKey& a, const SortKey& b);

}  // namespace sortcmp
