#include "files/Extended80.h"

#include "files/FileFields.h"

#include <bit>

namespace {

constexpr int kExtendedBias = 16383;
constexpr int kDoubleBias = 1023;
constexpr int kDoubleFractionBits = 52;
constexpr uint32_t kMaxExtendedExponent = 0x7FFF;
constexpr uint64_t kIntegerBit = uint64_t{1} << 63;
constexpr uint64_t kDoubleExponentMask = uint64_t{0x7FF} << kDoubleFractionBits;

// significand >> shift, rounded to nearest with ties to even.
uint64_t ShiftRoundEven(uint64_t significand, int shift) {
    if (shift <= 0)
        return significand;
    if (shift > 64)
        return 0;
    const uint64_t kept = shift == 64 ? 0 : significand >> shift;
    const uint64_t dropped = shift == 64 ? significand : significand & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (dropped > half || (dropped == half && (kept & 1) != 0))
        return kept + 1;
    return kept;
}

} // namespace

std::optional<double> DecodeExtended80(std::span<const uint8_t, kExtended80Size> bytes) {
    uint64_t significand = LoadField<uint64_t>(bytes, 0);
    const uint32_t signAndExponent = LoadField<uint16_t>(bytes, 8);
    const uint64_t sign = uint64_t{signAndExponent >> 15} << 63;
    const uint32_t exponent = signAndExponent & kMaxExtendedExponent;

    if (exponent == kMaxExtendedExponent)
        return std::nullopt;
    if (exponent != 0 && (significand & kIntegerBit) == 0)
        return std::nullopt;
    if (significand == 0)
        return std::bit_cast<double>(sign);

    // value = significand · 2^(e − 63), with e = exponent − bias (denormals
    // and pseudo-denormals use the exponent 1 − bias). Normalise so that the
    // integer bit is set: value = 1.f · 2^e.
    int e = (exponent == 0 ? 1 : static_cast<int>(exponent)) - kExtendedBias;
    const int leading = std::countl_zero(significand);
    significand <<= leading;
    e -= leading;

    const int biased = e + kDoubleBias;
    if (biased >= 0x7FF)
        return std::nullopt;
    uint64_t bits;
    if (biased >= 1) {
        // Normal double: keep 53 bits of the 64; a carry out of the rounding
        // lands in the exponent field, which is exactly the right result.
        bits = (uint64_t{static_cast<uint32_t>(biased - 1)} << kDoubleFractionBits) +
               ShiftRoundEven(significand, 63 - kDoubleFractionBits);
    } else {
        // Subnormal double (or zero): the significand is shifted further and
        // rounded once; rounding up to the smallest normal is again exact.
        bits = ShiftRoundEven(significand, 63 - kDoubleFractionBits + 1 - biased);
    }
    if ((bits & kDoubleExponentMask) == kDoubleExponentMask)
        return std::nullopt;
    return std::bit_cast<double>(sign | bits);
}
