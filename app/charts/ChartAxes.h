// What the graph windows need to know to draw one axis, and the rules both
// windows share for ranges.
#pragma once

#include "charts/ChartData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The quantities with their own axis settings: the groups "Расход:",
// "Частота:" and "Погрешность:".
enum class Quantity { Flow = 0, Frequency = 1, Error = 2 };
inline constexpr int kQuantityCount = 3;

// Axis titles.
inline constexpr const char* kFlowAxisTitle = "Расход, м3/ч";
inline constexpr const char* kFrequencyAxisTitle = "Частота, Гц";
inline constexpr const char* kErrorAxisTitle = "Погрешность, %";

// Room an automatic axis leaves on each side of the data, as a share of the
// data's span (FinishLayout).
inline constexpr double kAutomaticPadding = 0.04;

// One axis as the chart must show it.
struct AxisLayout {
    std::string Title;
    double Min = 0.0, Max = 0.0; // Min <= Max; both positive on a logarithmic axis
    double Step = 0.0;           // desired increment; 0: the axis picks its own
    bool Logarithmic = false;
};

// Puts the finishing rules on a layout whose range and step the window rules
// chose: a reversed range is turned round; a logarithmic axis gets a positive
// range (from the smallest positive value of the data when the set minimum
// is not positive, a decade below the maximum when there is none); a step
// that would draw more than a few hundred grid lines is dropped so the axis
// picks its own. An automatic range is then widened a little on both sides,
// so the extreme points are drawn whole and a single value still gets a
// range.
void FinishLayout(AxisLayout& axis, const ValueRange& data, bool automatic);

// The error of a refused division count.
inline constexpr const char* kBadParameterText = "Недопустимое значение параметра";

// A division count as "%u" reads it: blanks, digits, the rest ignored. A
// negative number, which "%u" would wrap round into a huge count, is no count
// at all.
std::optional<uint32_t> ReadCount(std::string_view text);
