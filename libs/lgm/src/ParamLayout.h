// Byte layouts of the packed parameter block of each meter version.
#pragma once

#include <cstdint>

namespace lgm {

struct ParamLayout {
    uint32_t Length;   // block length in bytes
    uint32_t MaxLines; // line slots
    uint32_t Slope;    // offset of the slope words Sa
    uint32_t End;      // offset of the end words Sb
    uint32_t Lines;    // offset of the line bytes L
    uint32_t Upper;    // offset of the boundary words T (MaxLines - 1 of them)
    uint32_t Lower;    // offset of the boundary words U (MaxLines - 1 of them)
    uint32_t Config;   // configuration byte
    uint32_t Duration; // pulse-duration byte
};

inline constexpr ParamLayout kLayout01{35, 4, 1, 9, 17, 21, 27, 33, 34};
inline constexpr ParamLayout kLayout2{44, 5, 1, 11, 21, 26, 34, 42, 43};

// nullptr for a version above 2.
inline const ParamLayout* LayoutOf(uint32_t version) {
    if (version <= 1)
        return &kLayout01;
    return version == 2 ? &kLayout2 : nullptr;
}

} // namespace lgm
