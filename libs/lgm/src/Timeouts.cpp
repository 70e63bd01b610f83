#include "Timeouts.h"

#include <cstdlib>

namespace lgm {

namespace {

constexpr Timeouts kFull{6000, 3000, 6000};

int32_t Scale(int32_t ms, long percent) {
    const int32_t scaled = static_cast<int32_t>(ms * percent / 100);
    return scaled > 0 ? scaled : 1;
}

} // namespace

Timeouts ScaledTimeouts(const char* percent) {
    if (percent == nullptr || *percent == '\0')
        return kFull;
    char* end = nullptr;
    const long value = std::strtol(percent, &end, 10);
    if (*end != '\0' || value < 1 || value > 100)
        return kFull;
    return {Scale(kFull.Meter, value), Scale(kFull.Adaptor, value), Scale(kFull.Flash, value)};
}

const Timeouts& LinkTimeouts() {
    static const Timeouts timeouts = ScaledTimeouts(std::getenv("ZORCOMLGM_TIMEOUT_PERCENT"));
    return timeouts;
}

} // namespace lgm
