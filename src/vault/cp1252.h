// The one Windows-1252 codec of the program.  Vault texts are bytes of code page 1252; the GUI
// and the CLI convert at their edges through these functions only.
//
// The mapping is exact in both directions: every byte 00..FF has exactly one code point.  The five
// bytes that Windows-1252 leaves unassigned (81, 8D, 8F, 90, 9D) map to the C1 controls of the same
// value, so that any byte string survives a trip through Unicode.
#pragma once

#include <cstddef>
#include <string>

namespace cp1252 {

// The code point of one byte.
char32_t ToUnicode(unsigned char byte);

// The byte for a code point; false when code page 1252 has no byte for it.
bool FromUnicode(char32_t codePoint, unsigned char& byte);

// Whether a character can be kept in a vault text: it has a byte and it is not U+0000.
bool IsStorable(char32_t codePoint);

// Bytes of code page 1252 to UTF-8.  Never fails.
std::string ToUtf8(const std::string& text);

// UTF-8 to bytes of code page 1252.  Fails on malformed UTF-8 and on characters without a byte;
// then *errorOffset (if given) is the byte offset in the input of the first offending character.
bool FromUtf8(const std::string& utf8, std::string& out, std::size_t* errorOffset = nullptr);

// Like FromUtf8, and also refuses U+0000: the test whether a UTF-8 text can be stored at all.
bool StorableFromUtf8(const std::string& utf8, std::string& out, std::size_t* errorOffset = nullptr);

}  // namespace cp1252
