// Time-outs of the meter link.
#pragma once

#include <cstdint>

namespace lgm {

struct Timeouts {
    int32_t Meter;   // every meter command, each of its two reads
    int32_t Adaptor; // the adaptor's set-level and identity commands
    int32_t Flash;   // the adaptor's flash duration
};

// 6000, 3000 and 6000 ms on the protocol libraries' time scale
// (ZORCOM_TIME_SCALE, read once), so tests of failing devices need not wait
// the full time.
const Timeouts& LinkTimeouts();

// The three time-outs on a given scale.
Timeouts ScaledTimeouts(double scale);

} // namespace lgm
