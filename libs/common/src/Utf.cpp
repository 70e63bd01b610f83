#include "Utf.h"

namespace zor::utf {

std::size_t EncodeUtf8(char32_t cp, char* out) {
    std::size_t n = Utf8Length(cp);
    if (n == 1) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    static constexpr unsigned char kLead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (std::size_t k = n - 1; k > 0; --k) {
        out[k] = static_cast<char>(0x80 | (cp & 0x3F));
        cp >>= 6;
    }
    out[0] = static_cast<char>(kLead[n] | cp);
    return n;
}

std::size_t DecodeUtf8(const unsigned char* text, std::size_t length, char32_t& cp) {
    if (length == 0)
        return 0;
    unsigned char lead = text[0];
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    std::size_t n;
    char32_t value;
    char32_t least; // smallest code point that needs n bytes: rejects overlong forms
    if ((lead & 0xE0) == 0xC0) {
        n = 2, value = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3, value = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (length < n)
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((text[k] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (text[k] & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    cp = value;
    return n;
}

std::string Utf16ToUtf8(const char16_t* text) {
    std::string out;
    char bytes[4];
    for (const char16_t* p = text; *p; ++p) {
        char32_t cp = *p;
        if (cp >= 0xD800 && cp <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        out.append(bytes, EncodeUtf8(cp, bytes));
    }
    return out;
}

} // namespace zor::utf
