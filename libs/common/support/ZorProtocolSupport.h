// Helpers the device protocol libraries share: exchange log texts encoded in
// Windows-1251 at compile time, and the time scale of their waits.
// Header-only (target ZorProtocolSupport); each library gets its own copy.
#pragma once

#include "Cp1251.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace zorproto {

// A log text written in the source as a UTF-16 literal and held as the
// zero-terminated Windows-1251 bytes the exchange log is kept in. A character
// the code page lacks stops the compilation.
template <std::size_t N> struct Cp1251Text {
    char bytes[N]{};

    consteval Cp1251Text(const char16_t (&text)[N]) {
        for (std::size_t i = 0; i < N; ++i) {
            const auto byte = zor::cp1251::FromUnicode(text[i]);
            if (!byte) {
                throw "the text has a character Windows-1251 lacks";
            }
            bytes[i] = static_cast<char>(*byte);
        }
    }

    const char* c_str() const { return bytes; }
};

// A time scale as written in ZORCOM_TIME_SCALE: a number above 0 and at most
// 1; anything else, or no text, is 1.
inline double parseTimeScale(const char* text) {
    if (text == nullptr) {
        return 1.0;
    }
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0.0 && value <= 1.0 ? value : 1.0;
}

// The factor ZORCOM_TIME_SCALE gives every time-out and pause of the protocol
// libraries, read once. Tests against simulated devices set it to keep a
// missing answer from costing whole seconds.
inline double timeScale() {
    static const double scale = parseTimeScale(std::getenv("ZORCOM_TIME_SCALE"));
    return scale;
}

// A wait of ms milliseconds on a time scale, at least 1 ms.
inline int32_t scaledMs(int32_t ms, double scale) {
    const double scaled = std::ceil(ms * scale);
    return scaled < 1.0 ? 1 : static_cast<int32_t>(scaled);
}

inline int32_t scaledMs(int32_t ms) {
    return scaledMs(ms, timeScale());
}

} // namespace zorproto
