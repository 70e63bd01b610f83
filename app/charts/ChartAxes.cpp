#include "charts/ChartAxes.h"

#include "document/Numbers.h"

#include <cmath>
#include <utility>

namespace {

// More grid lines than this are no help to anyone and slow the chart down.
constexpr double kMaxGridLines = 200;

void PadRange(AxisLayout& axis) {
    if (axis.Logarithmic && axis.Min > 0) {
        axis.Min /= 1 + 2 * kAutomaticPadding;
        axis.Max *= 1 + 2 * kAutomaticPadding;
        return;
    }
    double span = axis.Max - axis.Min;
    if (span <= 0)
        span = axis.Max != 0 ? std::fabs(axis.Max) : 1.0;
    axis.Min -= kAutomaticPadding * span;
    axis.Max += kAutomaticPadding * span;
}

} // namespace

void FinishLayout(AxisLayout& axis, const ValueRange& data, bool automatic) {
    if (axis.Min > axis.Max)
        std::swap(axis.Min, axis.Max);
    if (axis.Logarithmic) {
        if (axis.Min <= 0) {
            if (data.MinPositive > 0 && data.MinPositive < axis.Max)
                axis.Min = data.MinPositive;
            else
                axis.Min = axis.Max > 0 ? axis.Max / 10 : 1.0;
        }
        if (axis.Max <= axis.Min)
            axis.Max = axis.Min * 10;
    }
    if (axis.Step > 0 && (axis.Max - axis.Min) / axis.Step > kMaxGridLines)
        axis.Step = 0.0;
    if (automatic)
        PadRange(axis);
}

std::optional<uint32_t> ReadCount(std::string_view text) {
    const std::optional<int64_t> value = ReadInt64(text);
    if (!value || *value < 0 || *value > UINT32_MAX)
        return std::nullopt;
    return static_cast<uint32_t>(*value);
}
