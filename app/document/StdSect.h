// The standard partitions of the standard approximation mode, one per nominal
// diameter. The table starts empty; the standard sections file fills it at
// start-up and its window edits it.
#pragma once

#include "document/MeterSettings.h"

#include <array>
#include <cstdint>

struct StdSect {
    // Bit 8 (kStdSectDefined): the entry is defined. The other bits are kept
    // as read from the file and written back unchanged.
    uint32_t Flags = 0;
    double ErrorLimit = 0.0;  // δ, fraction
    double SpreadLimit = 0.0; // h, fraction
    double Tpriv = 0.0;       // reference temperature, °C
    // Sections (0-based) at which lines 1 … 4 end and lines 2 … 5 begin; a 0
    // ends the list.
    std::array<int32_t, 4> Breaks{};

    bool IsDefined() const;
};

inline constexpr uint32_t kStdSectDefined = 0x100;
// Breaks of an entry that is not defined yet: lines Q1–Q2, Q2–Q3, Q3–Q4,
// Q4–Q5 and Q5–Q7.
inline constexpr std::array<int32_t, 4> kDefaultBreaks{1, 2, 3, 4};

// Indexed by Du index (DuTable).
using StdSectTable = std::array<StdSect, kDuCount>;

inline bool StdSect::IsDefined() const {
    return (Flags & kStdSectDefined) != 0;
}
