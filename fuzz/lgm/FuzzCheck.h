// Shared by the ZorComLgm fuzz targets: a broken promise stops the run.
#pragma once

#include "Link.h"
#include "MeterProtocol.h"
#include "ZorCommon.h"

#include <cstdint>
#include <cstdlib>
#include <initializer_list>

namespace lgmfuzz {

inline void Require(bool promise) {
    if (!promise)
        std::abort();
}

inline bool OneOf(int32_t code, std::initializer_list<int32_t> codes) {
    for (int32_t c : codes)
        if (c == code)
            return true;
    return false;
}

// The log goes to /dev/null so its formatting runs too.
inline int NullLog() {
    static const int log = ZorCreateLogA("/dev/null", 1);
    return log;
}

inline const lgm::Timeouts& Timeouts() {
    static const lgm::Timeouts timeouts{6000, 3000, 6000};
    return timeouts;
}

} // namespace lgmfuzz
