// Time-outs of the meter link.
#pragma once

#include <cstdint>

namespace lgm {

struct Timeouts {
    int32_t Meter;   // every meter command, each of its two reads
    int32_t Adaptor; // the adaptor's set-level and identity commands
    int32_t Flash;   // the adaptor's flash duration
};

// 6000, 3000 and 6000 ms. ZORCOMLGM_TIMEOUT_PERCENT (1 ... 100), read once
// at the first call, shortens all three in proportion, so tests of failing
// devices need not wait the full time.
const Timeouts& LinkTimeouts();

// The time-outs under a percentage; any other text than a whole number
// 1 ... 100 leaves them at full length.
Timeouts ScaledTimeouts(const char* percent);

} // namespace lgm
