#include "charts/GraphModel.h"

#include "charts/AxisMath.h"

#include "document/Messages.h"
#include "document/Numbers.h"

#include <charconv>

namespace {

constexpr const char* kBadControl =
    "Внутренняя ошибка - неверный идентификатор элемента управления";

// The X or Y values of some points.
ValueRange RangeOf(const std::vector<ChartPoint>& points, bool x) {
    ValueRange range;
    for (const ChartPoint& p : points)
        range.Add(x ? p.X : p.Y);
    return range;
}

// The value as a plain real number of at most six significant digits, as
// "%g" writes it: a maximum taken over from the data need not show all the
// digits of the measurement.
std::string PlainReal(double value) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    return std::string(text, result.ptr);
}

} // namespace

GraphModel::GraphModel() {
    SetUpAxes();
}

void GraphModel::ShowGraph(int type, const ChartDataSet& data) {
    points_[Approximation] = SortedPoints(data.F, data.Qc);
    points_[Etalon] = SortedPoints(data.F, data.Q);
    points_[Error] = SortedPoints(data.Q, data.E);
    TypeRadiosClick(type == FrequencyFlow ? 0 : 1);
}

void GraphModel::TypeRadiosClick(int index) {
    type_ = index == 0 ? FrequencyFlow : FlowError;
    SetUpAxes();
}

bool GraphModel::Active(int series) const {
    return (series == Error) == (type_ == FlowError);
}

std::string GraphModel::MaxText(Quantity q) const {
    return PlainReal(Settings(q).Max);
}

std::string GraphModel::GridText(Quantity q) const {
    return FormatInteger(Settings(q).Divisions);
}

void GraphModel::AutoCheckBoxClick(Quantity q, bool checked) {
    settings_[Index(q)].Automatic = checked;
    SetUpAxes();
}

void GraphModel::LogCheckBoxClick(Quantity q, bool checked) {
    if (q == Quantity::Error)
        return;
    settings_[Index(q)].Logarithmic = checked;
    SetUpAxes();
}

EditOutcome GraphModel::MaxEditCommit(Quantity q, std::string_view text) {
    const std::optional<double> value = ReadReal(text);
    if (!value)
        return {false, MaxText(q), true, {}};
    settings_[Index(q)].Max = *value;
    SetUpAxes();
    return {true, MaxText(q), false, {}};
}

EditOutcome GraphModel::GridEditCommit(int tag, std::string_view text) {
    const int quantity = tag - kGridTagBase;
    if (quantity < 0 || quantity >= kQuantityCount) {
        ShowError(kBadControl);
        return {false, std::string(text), false, kBadControl};
    }
    GraphAxisSettings& setting = settings_[quantity];
    const std::optional<uint32_t> count = ReadCount(text);
    if (!count || *count < kMinDivisions || *count > kMaxDivisions) {
        ShowError(kBadParameterText);
        return {false, FormatInteger(setting.Divisions), true, kBadParameterText};
    }
    setting.Divisions = *count;
    SetUpAxes();
    return {true, FormatInteger(setting.Divisions), false, {}};
}

void GraphModel::SetUpAxes() {
    if (type_ == FlowError) {
        bottom_ = LayOut(Quantity::Flow, RangeOf(points_[Error], true));
        left_ = LayOut(Quantity::Error, RangeOf(points_[Error], false));
    } else {
        ValueRange flows = RangeOf(points_[Approximation], false);
        flows.Add(RangeOf(points_[Etalon], false));
        ValueRange frequencies = RangeOf(points_[Approximation], true);
        frequencies.Add(RangeOf(points_[Etalon], true));
        left_ = LayOut(Quantity::Flow, flows);
        bottom_ = LayOut(Quantity::Frequency, frequencies);
    }
}

AxisLayout GraphModel::LayOut(Quantity q, const ValueRange& data) {
    GraphAxisSettings& setting = settings_[Index(q)];
    const bool error = q == Quantity::Error;
    AxisLayout axis;
    axis.Title = q == Quantity::Flow        ? kFlowAxisTitle
                 : q == Quantity::Frequency ? kFrequencyAxisTitle
                                            : kErrorAxisTitle;
    axis.Logarithmic = !error && setting.Logarithmic;
    double range = 0.0;
    if (setting.Automatic && !data.Empty) {
        axis.Min = data.Min;
        axis.Max = data.Max;
        setting.Max = data.Max;
        range = data.Max - data.Min;
    } else if (error) {
        axis.Min = -setting.Max;
        axis.Max = setting.Max;
        range = 2 * setting.Max;
    } else {
        axis.Min = 0.0;
        axis.Max = setting.Max;
        range = setting.Max;
    }
    axis.Step = AxisStep(setting.Divisions, range);
    FinishLayout(axis, data, setting.Automatic && !data.Empty);
    return axis;
}
