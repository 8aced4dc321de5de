#include "platform/text_codec.h"

#include "vault/cp1252.h"

namespace {

// One character of the text starting at i (a surrogate pair counts as one); i moves past it.
char32_t NextCodePoint(const QString& text, qsizetype& i) {
    const QChar c = text.at(i++);
    if (c.isHighSurrogate() && i < text.size() && text.at(i).isLowSurrogate()) {
        return QChar::surrogateToUcs4(c, text.at(i++));
    }
    return c.unicode();  // a lone surrogate has no byte either
}

}  // namespace

namespace {

QString FromBytes(const char* bytes, std::size_t n) {
    QString text;
    text.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) {
        // Every code point of the page lies in the Basic Multilingual Plane.
        text.append(QChar(static_cast<char16_t>(cp1252::ToUnicode(static_cast<unsigned char>(bytes[i])))));
    }
    return text;
}

}  // namespace

QString TextFromVault(const std::string& cp1252) {
    return FromBytes(cp1252.data(), cp1252.size());
}

QString ShortTextFromVault(const std::string& cp1252, qsizetype maxChars) {
    const auto max = static_cast<std::size_t>(maxChars > 1 ? maxChars : 1);
    if (cp1252.size() <= max) {
        return TextFromVault(cp1252);
    }
    return FromBytes(cp1252.data(), max - 1) + QChar(0x2026);
}

std::string TextToVault(const QString& text, bool* ok) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    bool all = true;
    for (qsizetype i = 0; i < text.size();) {
        const char32_t cp = NextCodePoint(text, i);
        unsigned char byte = 0;
        if (cp != 0 && cp1252::FromUnicode(cp, byte)) {
            bytes.push_back(static_cast<char>(byte));
        } else {
            all = false;
        }
    }
    if (ok) {
        *ok = all;
    }
    return bytes;
}

bool IsStorableText(const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        if (!cp1252::IsStorable(NextCodePoint(text, i))) {
            return false;
        }
    }
    return true;
}

