#include "charts/AxisMath.h"

#include <cmath>
#include <initializer_list>

namespace {

// The power of ten that sets the rounding of a step near s: below 1 the
// logarithm is lowered by a half first, so 0.08 rounds in tenths (to 0) and
// not in hundredths.
double DecadeOf(double s) {
    double e = std::log10(s);
    if (e < 0)
        e -= 0.5;
    return std::pow(10.0, std::trunc(e));
}

bool Usable(double s) {
    return std::isfinite(s) && s > 0;
}

} // namespace

double AxisStep(uint32_t divisions, double range) {
    if (divisions == 0)
        return 0.0;
    const double s = range / divisions;
    if (!Usable(s))
        return 0.0;
    const double p = DecadeOf(s);
    return p * std::floor(s / p + 0.125);
}

double GridIncrement(uint32_t divisions, double range) {
    if (divisions == 0)
        return 0.0;
    const double e = range / divisions;
    if (!Usable(e))
        return 0.0;
    const double p = DecadeOf(e);
    return p * std::floor((4 * e / p + 0.5) / 4);
}

double OwnStep(double range) {
    if (!Usable(range))
        return 0.0;
    const double rough = range / 5;
    const double decade = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (factor * decade >= rough)
            return factor * decade;
    return 10 * decade;
}
