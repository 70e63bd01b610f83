#include "files/FileFields.h"

#include <cmath>

uint32_t ScaleSetting(double value) {
    const double scaled = value * 10000.0 + 0.5;
    if (!(scaled >= 0.0))
        return 0;
    if (scaled >= 4294967296.0)
        return UINT32_MAX;
    return static_cast<uint32_t>(scaled);
}

double UnscaleSetting(uint32_t stored) {
    return stored / 10000.0;
}
