// What tests and benchmarks write into a simulated meter: a characteristic
// and a journal that every meter version can hold.
#pragma once

#include "ZorComLgm.h"
#include "approx/Sections.h"

#include <cstdint>

// Three lines over Du index 5, with the given meter version.
MeterParams SampleMeterParams(uint32_t version);

// Six section summaries near the standard sequence of Du index 4.
ApproxDataList SampleJournal();
