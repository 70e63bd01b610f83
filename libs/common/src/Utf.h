// UTF-8 and UTF-16 coding of single code points, shared by the text
// conversions and the UTF-16 forms of the log functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zor::utf {

inline constexpr char32_t kReplacement = 0xFFFD;

// Number of UTF-8 bytes of a code point (which must be a Unicode scalar).
constexpr std::size_t Utf8Length(char32_t cp) {
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

// Writes the UTF-8 bytes of a code point; returns their number.
std::size_t EncodeUtf8(char32_t cp, char* out);

// Decodes the code point at text[0..length) strictly (no overlong forms, no
// surrogates, nothing above U+10FFFF). Returns the bytes taken, 0 when the
// sequence is invalid or cut short; cp then is unchanged.
std::size_t DecodeUtf8(const unsigned char* text, std::size_t length, char32_t& cp);

// A zero-terminated UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const char16_t* text);

} // namespace zor::utf
