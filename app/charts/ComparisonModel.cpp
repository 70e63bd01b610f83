#include "charts/ComparisonModel.h"

#include "charts/AxisMath.h"
#include "document/Messages.h"
#include "document/Numbers.h"
#include "files/Calibrn3files.h"

#include <tuple>

const std::array<SlotStyle, kComparisonSlots> SlotStyles = {{
    {255, 0, 0, MarkerShape::Square},            // red
    {0, 128, 0, MarkerShape::Circle},            // green
    {255, 255, 0, MarkerShape::Triangle},        // yellow
    {0, 0, 255, MarkerShape::DownTriangle},      // blue
    {255, 128, 0, MarkerShape::Diamond},         // orange
    {128, 128, 128, MarkerShape::DiagonalCross}, // grey
    {255, 0, 255, MarkerShape::Star},            // fuchsia
    {0, 128, 128, MarkerShape::Cross},           // teal
}};

namespace {

std::string_view BaseName(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

ComparisonSlot MakeSlot(std::string_view name, const ChartDataSet& data) {
    return {std::string(name), SortedPoints(data.Q, data.E), SortedPoints(data.F, data.Qc), true};
}

} // namespace

void ComparisonModel::Start(const ChartDataSet& current) {
    slots_.clear();
    slots_.push_back(MakeSlot(kCurrentSlotName, current));
}

bool ComparisonModel::AddSlot(std::string_view path, const ChartDataSet& data) {
    if (slots_.empty() || slots_.size() >= kComparisonSlots)
        return false;
    slots_.push_back(MakeSlot(BaseName(path), data));
    return true;
}

bool ComparisonModel::LoadFile(const std::string& path, const LineTable& lines, double Tpriv) {
    if (slots_.empty() || slots_.size() >= kComparisonSlots)
        return false;
    TZorDataList list;
    MeterSettings settings;
    if (ReadCalibrationFile(path, &list, nullptr, nullptr, settings) != CalibrationReadStatus::Ok) {
        ShowError("Ошибка при импорте из " + path + "\nФункция прервана");
        return false;
    }
    return AddSlot(path, FileDataSet(list, lines, Tpriv));
}

void ComparisonModel::Release() {
    if (slots_.size() > 1)
        slots_.resize(1);
}

bool ComparisonModel::RowChecked(int row, bool checked) {
    if (row <= 0 || row >= SlotCount())
        return row == 0 || checked;
    slots_[row].Visible = checked;
    return checked;
}

void ComparisonModel::AutoCheckBoxClick(Quantity q, bool checked) {
    CompAxisSettings& group = settings_[Index(q)];
    if (group.Automatic && !checked)
        for (int a = 0; a < kCompAxisCount; ++a)
            if (GroupOf(CompAxis(a)) == q) {
                const AxisLayout shown = Axis(CompAxis(a));
                kept_[a] = {shown.Min, shown.Max};
            }
    group.Automatic = checked;
}

void ComparisonModel::LogCheckBoxClick(Quantity q, bool checked) {
    if (q != Quantity::Error)
        settings_[Index(q)].Logarithmic = checked;
}

EditOutcome ComparisonModel::MaxEditExit(Quantity q, std::string_view text) {
    // An empty edit is one the operator left alone or emptied: nothing to
    // take, and no reason to hold the operator in it.
    if (IsBlank(text))
        return {false, {}, false, {}};
    const std::optional<double> value = ReadReal(text);
    if (!value)
        return {false, {}, true, {}};
    settings_[Index(q)].Max = *value;
    return {true, std::string(text), false, {}};
}

EditOutcome ComparisonModel::GridEditExit(Quantity q, std::string_view text) {
    CompAxisSettings& group = settings_[Index(q)];
    const std::string accepted = group.Divisions ? FormatInteger(group.Divisions) : std::string();
    if (IsBlank(text))
        return {false, accepted, false, {}};
    const std::optional<uint32_t> count = ReadCount(text);
    if (!count || *count < kMinDivisions || *count > kMaxDivisions) {
        ShowError(kBadParameterText);
        return {false, accepted, true, kBadParameterText};
    }
    group.Divisions = *count;
    return {true, FormatInteger(*count), false, {}};
}

Quantity ComparisonModel::GroupOf(CompAxis axis) {
    switch (axis) {
    case CompAxis::ErrorChartError:
        return Quantity::Error;
    case CompAxis::FlowChartFrequency:
        return Quantity::Frequency;
    default:
        return Quantity::Flow;
    }
}

ValueRange ComparisonModel::DataRange(CompAxis axis) const {
    ValueRange range;
    for (const ComparisonSlot& slot : slots_) {
        if (!slot.Visible)
            continue;
        const bool errorChart =
            axis == CompAxis::ErrorChartFlow || axis == CompAxis::ErrorChartError;
        const bool x = axis == CompAxis::ErrorChartFlow || axis == CompAxis::FlowChartFrequency;
        for (const ChartPoint& p : errorChart ? slot.ErrorPoints : slot.FlowPoints)
            range.Add(x ? p.X : p.Y);
    }
    return range;
}

void ComparisonModel::SetRange(CompAxis axis, AxisLayout& layout) const {
    const Quantity q = GroupOf(axis);
    const CompAxisSettings& group = settings_[Index(q)];
    if (group.Automatic) {
        const ValueRange data = DataRange(axis);
        if (!data.Empty) {
            layout.Min = data.Min;
            layout.Max = data.Max;
        }
    } else {
        std::tie(layout.Min, layout.Max) = kept_[static_cast<size_t>(axis)];
    }
    if (!group.Automatic && group.Max) {
        layout.Max = *group.Max;
        if (q == Quantity::Error)
            layout.Min = -*group.Max;
    }
}

AxisLayout ComparisonModel::Axis(CompAxis axis) const {
    const Quantity q = GroupOf(axis);
    const CompAxisSettings& group = settings_[Index(q)];
    AxisLayout layout;
    layout.Title = q == Quantity::Flow        ? kFlowAxisTitle
                   : q == Quantity::Frequency ? kFrequencyAxisTitle
                                              : kErrorAxisTitle;
    layout.Logarithmic = q != Quantity::Error && group.Logarithmic;
    SetRange(axis, layout);
    const double r = q == Quantity::Error ? layout.Max - layout.Min : layout.Max;
    layout.Step = GridIncrement(group.Divisions, r);
    const ValueRange data = DataRange(axis);
    FinishLayout(layout, data, group.Automatic && !data.Empty);
    return layout;
}
