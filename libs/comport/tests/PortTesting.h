// Small helpers shared by the port tests.
#pragma once

#include "NkComPort.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace porttest {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// Milliseconds since start.
inline long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Every byte value 0 … 255, twice, with runs of 0xFF: the bytes a raw
// line must carry untouched (CR, LF, ^C, XON, XOFF, DEL, 0xFF).
inline Bytes allByteValues() {
    Bytes bytes;
    for (int round = 0; round < 2; ++round) {
        for (int b = 0; b < 256; ++b) {
            bytes.push_back(static_cast<uint8_t>(b));
        }
    }
    bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0x00, 0xFF});
    return bytes;
}

inline std::string openError(int port) {
    char text[256];
    return NkComPortGetOpenErrorA(port, text, sizeof text) >= 0 ? text : "?";
}

inline std::string deviceName(int port) {
    char text[256];
    return NkComPortGetDeviceNameA(port, text, sizeof text) >= 0 ? text : "?";
}

inline void pointPortAt(int port, const std::string& device) {
    const std::string name = "LGMSERVICE_COM" + std::to_string(port + 1);
    ::setenv(name.c_str(), device.c_str(), 1);
}

} // namespace porttest
