// The desired increments of chart axes: a round step near range / divisions.
#pragma once

#include <cstdint>

// The increment of the calibration graph's axes for `divisions` parts of a
// range R: s = R / d; e = log10 s, lowered by 0.5 when negative; p = 10 to the
// power of e truncated toward zero; the step is p·floor(s/p + 0.125). It can
// come out 0 (R = 0.48, d = 6), and is 0 for a range or count that gives no
// positive s: the axis then picks its own increment.
double AxisStep(uint32_t divisions, double range);

// The increment of the comparative graphs' axes, the same rounding with a
// quarter-step threshold: e = r / d, p as above, p·floor((4e/p + 0.5) / 4).
// 0 under the same conditions as AxisStep, and for e/p below 0.875.
double GridIncrement(uint32_t divisions, double range);

// The increment an axis picks for itself when it is given none: 1, 2 or 5
// times a power of ten, about a fifth of the range. 0 for a range that is not
// a positive number.
double OwnStep(double range);
