// The C library's iconv as an independent oracle for the code-page tests.
#pragma once

#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zor::test {

// Converts text between two iconv encodings; throws when iconv refuses it.
inline std::string Iconv(std::string_view text, const char* from, const char* to) {
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    std::string out(text.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    std::size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    ::iconv_close(cd);
    if (result == static_cast<std::size_t>(-1))
        throw std::runtime_error("iconv failed on the text");
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace zor::test
