#include "platform/c_number.h"

#include "vault/vault_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace cnumber {
namespace {

// The white space of the C locale, which is what atoi and strtod skip.
bool IsCSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

int ReadInteger(QStringView text) {
    // The vault reads its count record the same way; only ASCII matters to it, so Latin-1 will do.
    const QByteArray bytes = text.toLatin1();
    return ParseCount(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

double ReadDecimal(QStringView text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto digitsFrom = [&](std::string& out) {
        for (; i < n && IsDigit(text[i].unicode()); ++i) {
            out.push_back(static_cast<char>(text[i].unicode()));
        }
    };
    while (i < n && IsCSpace(text[i].unicode())) {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::string whole;
    std::string fraction;
    digitsFrom(whole);
    if (i < n && text[i] == u'.') {
        ++i;
        digitsFrom(fraction);
    }
    if (whole.empty() && fraction.empty()) {
        return 0;
    }
    // An exponent counts only with at least one digit: "1e" and "1e+" read as 1.
    long long exponent = 0;
    std::string exponentText;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        const qsizetype start = i;
        ++i;
        const bool minus = i < n && text[i] == u'-';
        if (i < n && (text[i] == u'+' || text[i] == u'-')) {
            ++i;
        }
        std::string digits;
        digitsFrom(digits);
        if (digits.empty()) {
            i = start;
        } else {
            for (char d : digits) {
                exponent = std::min(exponent * 10 + (d - '0'), 1000000LL);  // far past any double
            }
            exponent = minus ? -exponent : exponent;
            exponentText = (minus ? "e-" : "e") + digits;
        }
    }
    const std::string number = whole + '.' + fraction + exponentText;
    double value = 0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Like strtod: too large gives infinity, too small gives zero.  The decimal magnitude says which.
        const std::size_t lead = whole.find_first_not_of('0');
        const long long magnitude = lead != std::string::npos
                                        ? static_cast<long long>(whole.size() - lead) + exponent
                                        : exponent - static_cast<long long>(fraction.find_first_not_of('0'));
        value = magnitude > 0 ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

}  // namespace cnumber
