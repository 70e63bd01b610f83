// Windows-1251, the 8-bit code page of the meters' texts and the exchange log.
// Header-only and constexpr so that ZorLang can encode its texts at compile time
// with the very table ZorCommon converts with at run time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace zor::cp1251 {

// The upper half of the code page; the lower half is ASCII. 0x98 has no
// character in Windows-1251: it stands for U+0098 so that every byte value
// survives a trip to Unicode and back.
inline constexpr std::array<char16_t, 64> kHigh80toBF = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, //
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, //
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, //
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, //
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, //
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, //
};

// 0xC0..0xFF are the Russian alphabet without Ё, in Unicode order.
inline constexpr char16_t kCyrillicA = 0x0410;
inline constexpr char16_t kCyrillicYa = 0x044F;

constexpr char16_t ToUnicode(std::uint8_t byte) {
    if (byte < 0x80)
        return byte;
    if (byte >= 0xC0)
        return static_cast<char16_t>(kCyrillicA + (byte - 0xC0));
    return kHigh80toBF[byte - 0x80];
}

// The byte of a Unicode code point, or nothing when the code page lacks it.
constexpr std::optional<std::uint8_t> FromUnicode(char32_t cp) {
    if (cp < 0x80)
        return static_cast<std::uint8_t>(cp);
    if (cp >= kCyrillicA && cp <= kCyrillicYa)
        return static_cast<std::uint8_t>(0xC0 + (cp - kCyrillicA));
    for (std::size_t i = 0; i < kHigh80toBF.size(); ++i)
        if (kHigh80toBF[i] == cp)
            return static_cast<std::uint8_t>(0x80 + i);
    return std::nullopt;
}

} // namespace zor::cp1251
