// Binary-coded decimal and the MixPt decimal floating code.
#include "ZorCommon.h"

#include <cmath>

namespace {

template <typename T> T BcdToBin(T bcd) {
    constexpr int kDigits = sizeof(T) * 2;
    T value = 0;
    for (int d = kDigits - 1; d >= 0; --d)
        value = value * 10 + ((bcd >> (4 * d)) & 0xF);
    return value;
}

template <typename T> T BinToBcd(T value) {
    T bcd = 0;
    for (unsigned shift = 0; shift < sizeof(T) * 8 && value != 0; shift += 4) {
        bcd |= (value % 10) << shift;
        value /= 10;
    }
    return bcd;
}

constexpr double kPow10[8] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};

constexpr uint32_t kMixPtMaxMantissa = 0x7FF;
constexpr uint32_t kMixPtMaxExponent = 7;
constexpr uint32_t kMixPtOverflow = 0xFFFF;
constexpr uint32_t kMixPtUnderflow = 0x0400;
constexpr double kMixPtUpperLimit = 8191.0;
constexpr double kMixPtLowerLimit = 0.0001023;

constexpr uint32_t MixPtCode(uint32_t mantissa, uint32_t exponent) {
    return (mantissa << 3) | exponent;
}

} // namespace

uint32_t BcdToBinDWord(uint32_t bcd) {
    return BcdToBin(bcd);
}
uint32_t BinToBcdDWord(uint32_t value) {
    return BinToBcd(value);
}
uint64_t BcdToBinQWord(uint64_t bcd) {
    return BcdToBin(bcd);
}
uint64_t BinToBcdQWord(uint64_t value) {
    return BinToBcd(value);
}

double DecodeMixPt(uint32_t code, uint32_t) {
    uint32_t mantissa = (code >> 3) & kMixPtMaxMantissa;
    uint32_t exponent = code & kMixPtMaxExponent;
    // Both operands are exact in a double, so the division rounds once and
    // gives the double nearest to m * 10^-e.
    return mantissa / kPow10[exponent];
}

uint32_t EncodeMixPt(double value, uint32_t) {
    if (std::isnan(value) || value > kMixPtUpperLimit)
        return kMixPtOverflow;
    if (value < kMixPtLowerLimit)
        return kMixPtUnderflow;
    // The finest exponent whose mantissa still fits keeps the most digits.
    for (uint32_t e = kMixPtMaxExponent + 1; e-- > 0;) {
        double mantissa = std::round(value * kPow10[e]);
        if (mantissa <= kMixPtMaxMantissa)
            return MixPtCode(static_cast<uint32_t>(mantissa), e);
    }
    return MixPtCode(kMixPtMaxMantissa, 0);
}
