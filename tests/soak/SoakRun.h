// The soak of the exchange thread: an impatient operator who, for a given
// time, gives random meter, rig and service commands through the real meter
// operations (MeterExchange over TZorXThread) to the simulated devices of
// lgmsim, while faults are switched on and off in the devices.
//
// Checked all along: every command ends within its time-outs (else the
// watchdog aborts the process), a failed exchange leaves the document as it
// was, and no exchange leaves the document locked. Whatever is wrong is
// listed in the tally's violations.
#pragma once

#include "SoakTally.h"

#include <chrono>
#include <cstdint>

struct SoakOptions {
    std::chrono::seconds Duration{180};
    uint32_t Seed = 1;
};

SoakTally RunSoak(const SoakOptions& options);
