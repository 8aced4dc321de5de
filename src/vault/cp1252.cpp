#include "vault/cp1252.h"

namespace cp1252 {
namespace {

// Code points of the bytes 80..9F; the rest of the page equals Latin-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        // Every code point of the page lies in the Basic Multilingual Plane.
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at i; false on malformed input (overlong, surrogate, out of range).
bool DecodeUtf8(const std::string& s, std::size_t& i, char32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    std::size_t extra;
    char32_t min;
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1, min = 0x80, cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, min = 0x800, cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, min = 0x10000, cp = b0 & 0x07;
    } else {
        return false;
    }
    if (s.size() - i <= extra) {
        return false;
    }
    for (std::size_t k = 1; k <= extra; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return false;
    }
    i += extra + 1;
    return true;
}

bool Convert(const std::string& utf8, std::string& out, std::size_t* errorOffset, bool refuseZero) {
    std::string result;
    result.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t start = i;
        char32_t cp = 0;
        unsigned char b = 0;
        if (!DecodeUtf8(utf8, i, cp) || !FromUnicode(cp, b) || (refuseZero && cp == 0)) {
            if (errorOffset) {
                *errorOffset = start;
            }
            return false;
        }
        result.push_back(static_cast<char>(b));
    }
    out.swap(result);
    return true;
}

}  // namespace

char32_t ToUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return kHigh[byte - 0x80];
    }
    return byte;
}

bool FromUnicode(char32_t codePoint, unsigned char& byte) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        byte = static_cast<unsigned char>(codePoint);
        return true;
    }
    for (unsigned k = 0; k < 32; ++k) {
        if (kHigh[k] == codePoint) {
            byte = static_cast<unsigned char>(0x80 + k);
            return true;
        }
    }
    return false;
}

bool IsStorable(char32_t codePoint) {
    unsigned char b;
    return codePoint != 0 && FromUnicode(codePoint, b);
}

std::string ToUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (char c : text) {
        AppendUtf8(out, ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

bool FromUtf8(const std::string& utf8, std::string& out, std::size_t* errorOffset) {
    return Convert(utf8, out, errorOffset, false);
}

bool StorableFromUtf8(const std::string& utf8, std::string& out, std::size_t* errorOffset) {
    return Convert(utf8, out, errorOffset, true);
}

}  // namespace cp1252
