#include "controls/sort_compare.h"

#include "platform/c_number.h"
#include "vault/cp1252.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <string>

namespace sortcmp {
namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

std::u32string ReadText(const QString& text, bool foldCase) {
    std::u32string key;
    key.reserve(static_cast<std::size_t>(text.size()));
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    while (p != end) {
        char32_t cp = p->unicode();
        if (p->isHighSurrogate() && p + 1 != end && p[1].isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(p[0], p[1]);
            ++p;
        }
        ++p;
        unsigned char byte = 0;
        if (cp1252::FromUnicode(cp, byte)) {
            if (foldCase && byte >= 'A' && byte <= 'Z') {
                byte = static_cast<unsigned char>(byte + ('a' - 'A'));
            }
            key.push_back(byte);
        } else {
            key.push_back(0x100 + cp);
        }
    }
    return key;
}

// A locale format made forgiving the way people type dates: one or two digits for day, month and
// hour, and (with fourDigitYear) "yyyy" for a two-digit year.  Time zone names are left out.
QString Lenient(const QString& format, bool fourDigitYear) {
    QString out;
    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format.at(i);
        if (c == u'\'') {  // quoted text stays as it is
            const qsizetype close = format.indexOf(u'\'', i + 1);
            const qsizetype stop = close < 0 ? n : close + 1;
            out += QStringView(format).mid(i, stop - i);
            i = stop;
            continue;
        }
        qsizetype run = 1;
        while (i + run < n && format.at(i + run) == c) {
            ++run;
        }
        if ((c == u'd' || c == u'M' || c == u'H' || c == u'h') && run <= 2) {
            out += c;
        } else if (c == u'y' && run == 2) {
            out += fourDigitYear ? QStringLiteral("yyyy") : QStringLiteral("yy");
        } else if (c == u't') {
            while (out.endsWith(u' ')) {
                out.chop(1);
            }
        } else {
            out += QStringView(format).mid(i, run);
        }
        i += run;
    }
    return out;
}

void AddUnique(QStringList& list, const QString& format) {
    if (!format.isEmpty() && !list.contains(format)) {
        list.append(format);
    }
}

// Qt reads "yy" as 19yy; a two-digit year means 1930..2029 here.
QDate WindowYear(const QDate& date, const QString& format) {
    if (date.isValid() && !format.contains(QLatin1StringView("yyy")) && date.year() < 1930) {
        return date.addYears(100);
    }
    return date;
}

constexpr double kMsPerDay = 86400000.0;

double DateValue(const QDate& date, const QTime& time) {
    return static_cast<double>(date.toJulianDay()) * kMsPerDay + time.msecsSinceStartOfDay();
}

}  // namespace

CKeyReader::CKeyReader(int type, const QLocale& locale) : m_nType(type), m_locale(locale) {
    if (type != kDateTime && type != kDateTimeToo) {
        return;
    }
    QStringList dates;
    for (const auto length : {QLocale::ShortFormat, QLocale::LongFormat}) {
        const QString format = locale.dateFormat(length);
        AddUnique(dates, format);
        AddUnique(dates, Lenient(format, false));
        AddUnique(dates, Lenient(format, true));
    }
    QStringList times;
    for (const auto length : {QLocale::LongFormat, QLocale::ShortFormat}) {
        AddUnique(times, Lenient(locale.timeFormat(length), false));
    }
    for (const QString& date : dates) {
        for (const QString& time : times) {
            AddUnique(m_dateTimeFormats, date + u' ' + time);
        }
    }
    m_dateFormats = dates;
    m_timeFormats = times;
}

bool CKeyReader::ReadDate(const QString& text, double& value) const {
    const QString trimmed = text.trimmed();
    // Every accepted form has digits; this keeps a sort over plain words fast.
    if (std::none_of(trimmed.cbegin(), trimmed.cend(), [](QChar c) { return IsDigit(c.unicode()); })) {
        return false;
    }
    for (const QString& format : m_dateTimeFormats) {
        const QDateTime dt = m_locale.toDateTime(trimmed, format);
        if (dt.isValid()) {
            value = DateValue(WindowYear(dt.date(), format), dt.time());
            return true;
        }
    }
    for (const QString& format : m_dateFormats) {
        const QDate date = m_locale.toDate(trimmed, format);
        if (date.isValid()) {
            value = DateValue(WindowYear(date, format), QTime(0, 0));
            return true;
        }
    }
    for (const QString& format : m_timeFormats) {
        const QTime time = m_locale.toTime(trimmed, format);
        if (time.isValid()) {
            // A time alone stands on the day a date of 0 names in the usual date numbering.
            value = DateValue(QDate(1899, 12, 30), time);
            return true;
        }
    }
    return false;
}

SortKey CKeyReader::Read(const QString& text) const {
    SortKey key;
    switch (m_nType) {
        case kTextCase:
        case kTextNoCase:
            key.text = ReadText(text, m_nType == kTextNoCase);
            break;
        case kInteger:
            key.value = cnumber::ReadInteger(text);
            break;
        case kDecimal:
            key.value = cnumber::ReadDecimal(text);
            break;
        case kDateTime:
        case kDateTimeToo:
            key.valid = ReadDate(text, key.value);
            break;
        default:
            break;
    }
    return key;
}

int CompareKeys(int type, const SortKey& a, const SortKey& b) {
    switch (type) {
        case kTextCase:
        case kTextNoCase: {
            const int c = a.text.compare(b.text);
            return c < 0 ? -1 : (c > 0 ? 1 : 0);
        }
        case kInteger:
            return a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
        case kDateTime:
        case kDateTimeToo:
            if (!a.valid || !b.valid) {
                return 0;
            }
            return a.value < b.value ? -1 : 1;
        case kDecimal:
            return a.value < b.value ? -1 : 1;
        default:
            return 0;
    }
}

int OrderKeys(int type, const SortKey& a, const SortKey& b) {
    switch (type) {
        case kDateTime:
        case kDateTimeToo:
            if (a.valid != b.valid) {
                return a.valid ? 1 : -1;
            }
            if (!a.valid) {
                return 0;
            }
            [[fallthrough]];
        case kDecimal:
            return a.value < b.value ? -1 : (a.value > b.value ? 1 : 0);
        default:
            return CompareKeys(type, a, b);
    }
}

int CompareTexts(int type, const QString& a, const QString& b, const QLocale& locale) {
    const CKeyReader reader(type, locale);
    return CompareKeys(type, reader.Read(a), reader.Read(b));
}

}  // namespace sortcmp
