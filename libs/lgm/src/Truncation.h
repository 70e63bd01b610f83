// Truncation toward zero as the meter's words and bytes are formed.
#pragma once

#include <cmath>
#include <cstdint>

namespace lgm {

// A value a 64-bit integer cannot hold, or not a number, gives 0 instead of
// an undefined conversion; no record the scale search accepts comes near it.
inline int64_t TruncToInteger(double value) {
    return std::fabs(value) < 9.0e18 ? static_cast<int64_t>(value) : 0;
}

} // namespace lgm
