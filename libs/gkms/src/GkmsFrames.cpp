#include "GkmsFrames.h"

#include "ZorCommon.h"
#include "ZorLang.h"

#include <cmath>

namespace zorgkms {

namespace {

struct DiameterGroup {
    uint32_t lastIndex;
    double multiplier;
    double limit;
};

constexpr DiameterGroup kGroups[] = {
    {4, 100000.0, 0.36},
    {8, 10000.0, 3.6},
    {13, 1000.0, 36.0},
};

const DiameterGroup* groupOf(uint32_t duIndex) {
    for (const auto& group : kGroups) {
        if (duIndex <= group.lastIndex) {
            return &group;
        }
    }
    return nullptr;
}

// trunc(value × scale) within low … high. A product within rounding error
// of a whole number is taken as that number: 0.29 × 100000 comes out as
// 28999.999999999996 and means 29000.
bool scaled(double value, double scale, int32_t low, int32_t high, int32_t& out) {
    const double product = value * scale;
    if (!std::isfinite(product)) {
        return false;
    }
    const double nearest = std::round(product);
    const double whole =
        std::fabs(product - nearest) <= std::fabs(product) * 1e-12 ? nearest : std::trunc(product);
    if (whole < low || whole > high) {
        return false;
    }
    out = static_cast<int32_t>(whole);
    return true;
}

// A word holds -32768 … 65535: what fits 16 bits signed or unsigned.
bool scaledWord(double value, double scale, int32_t& out) {
    return scaled(value, scale, -32768, 65535, out);
}

uint8_t checksum(const uint8_t* bytes, uint32_t count) {
    return static_cast<uint8_t>(ByteCheckSum(bytes, count));
}

} // namespace

double multiplier(uint32_t duIndex) {
    const DiameterGroup* group = groupOf(duIndex);
    return group != nullptr ? group->multiplier : 0.0;
}

double limit(uint32_t duIndex) {
    const DiameterGroup* group = groupOf(duIndex);
    return group != nullptr ? group->limit : 0.0;
}

int32_t buildFrame(uint32_t mode, const GkmsParams& request, Frame& out) {
    const double m = multiplier(request.DuIndex);
    if (m == 0.0) {
        return ZOR_ERR_BAD_PARAM;
    }
    Frame frame;
    if (mode == 1) {
        int32_t a = 0, ab = 0;
        if (!scaledWord(request.A, m, a) || !scaledWord(request.A + request.B, m, ab)) {
            return ZOR_ERR_BAD_PARAM;
        }
        PutWordRelMSB(frame.bytes.data(), 0, static_cast<uint32_t>(a));
        PutWordRelMSB(frame.bytes.data(), 2, static_cast<uint32_t>(ab));
        frame.bytes[4] = checksum(frame.bytes.data(), 4);
        frame.size = 5;
    } else if (mode == 2) {
        // The small diameters take twice the slope, and say so in byte 0.
        const bool doubled = request.DuIndex < 4;
        int32_t a = 0, b = 0;
        if (!scaledWord(doubled ? 2.0 * request.A : request.A, m, a) ||
            !scaled(request.B, m, -65536, 65535, b)) {
            return ZOR_ERR_BAD_PARAM;
        }
        frame.bytes[0] = doubled ? 1 : 0;
        PutWordRelMSB(frame.bytes.data(), 1, static_cast<uint32_t>(a));
        // The sign byte goes with the word as sent: a B that truncates to 0
        // must not arrive as -65536.
        frame.bytes[3] = b < 0 ? 1 : 0;
        PutWordRelMSB(frame.bytes.data(), 4, static_cast<uint32_t>(b));
        frame.bytes[6] = checksum(frame.bytes.data(), 6);
        frame.bytes[7] = 0x0D;
        frame.size = 8;
    } else {
        return ZOR_ERR_BAD_PARAM;
    }
    out = frame;
    return ZOR_OK;
}

int32_t answerTimeoutMs(uint32_t mode) {
    return mode == 1 ? 6000 : 4000;
}

} // namespace zorgkms
