// The 80-bit extended real of the x87 and of older Pascal programs' files.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

inline constexpr size_t kExtended80Size = 10;

// Decodes ten little-endian bytes — a 64-bit significand with an explicit
// integer bit, then 15 bits of exponent (bias 16383) and the sign — to the
// nearest double (ties to even), on any host. Values below the doubles'
// range become zeros of their sign, the extended denormals among them.
// nullopt for an infinity or NaN, for a value beyond the doubles' range and
// for an "unnormal" (integer bit clear with a non-zero exponent), which the
// x87 itself refuses as an invalid operand.
std::optional<double> DecodeExtended80(std::span<const uint8_t, kExtended80Size> bytes);
