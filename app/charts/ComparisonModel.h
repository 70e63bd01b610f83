// The rules of the comparative graphs window "Сравнительные графики": the
// current document and up to seven other calibrations, all evaluated with the
// current characteristic, on two charts that share the axis settings.
#pragma once

#include "charts/ChartAxes.h"
#include "charts/ChartData.h"
#include "document/CalibrationDocument.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Slot 0 is the current document, slots 1 … 7 the files in the order chosen.
inline constexpr int kComparisonSlots = 8;
inline constexpr int kComparisonFiles = kComparisonSlots - 1;
// The check-list row of slot 0.
inline constexpr const char* kCurrentSlotName = "Текущий";

enum class MarkerShape {
    Square,
    Circle,
    Triangle,
    DownTriangle,
    Diamond,
    DiagonalCross,
    Star,
    Cross
};

// A slot's colour and marker, the same on both charts and in the check list.
struct SlotStyle {
    uint8_t R, G, B;
    MarkerShape Marker;
};
extern const std::array<SlotStyle, kComparisonSlots> SlotStyles;

// Chart titles.
inline constexpr const char* kErrorChartTitle = "Расход-погрешность";
inline constexpr const char* kFlowChartTitle = "Частота-расход";

// The four axes: the bottom (flow) and left (error) axes of
// "Расход-погрешность", the bottom (frequency) and left (flow) axes of
// "Частота-расход". The flow group acts on both flow axes.
enum class CompAxis { ErrorChartFlow = 0, ErrorChartError, FlowChartFrequency, FlowChartFlow };
inline constexpr int kCompAxisCount = 4;

struct ComparisonSlot {
    std::string Name;                    // the check-list row's text
    std::vector<ChartPoint> ErrorPoints; // (Q, E), ascending Q
    std::vector<ChartPoint> FlowPoints;  // (F, Qc), ascending F: joined into a line
    bool Visible = true;
};

// Settings of one axis group.
struct CompAxisSettings {
    bool Automatic = true;     // "Автом. выбор"
    bool Logarithmic = false;  // "Логарифм.шкала" (not the error)
    std::optional<double> Max; // the last "Max" read; acts while Automatic is off
    uint32_t Divisions = 0;    // the last "Разбиение" accepted; 0: none yet
};

class ComparisonModel {
public:
    // Division counts a "Разбиение" edit accepts.
    static constexpr uint32_t kMinDivisions = 4, kMaxDivisions = 15;

    // Empties every slot and puts the current document's data into slot 0
    // ("Текущий", shown).
    void Start(const ChartDataSet& current);
    // Puts a file's data set into the next slot under the file's name without
    // its folder; false (nothing added) when the seven file slots are used.
    bool AddSlot(std::string_view path, const ChartDataSet& data);
    // Reads the calibration list of a calibration file, evaluates it with the
    // current characteristic and Tpriv (FileDataSet) and adds it. The file's
    // own settings, lines and verification list play no part. False after
    // showing "Ошибка при импорте из %s\nФункция прервана" (with the path)
    // when the file cannot be read whole; false without a message when the
    // slots are used up.
    bool LoadFile(const std::string& path, const LineTable& lines, double Tpriv);
    // Drops the files' slots; the window calls it when it closes.
    void Release();

    int SlotCount() const { return static_cast<int>(slots_.size()); }
    const ComparisonSlot& Slot(int s) const { return slots_.at(s); }

    // The tick of check-list row r changed: shows or hides slot r on both
    // charts. Row 0 cannot hide the current document. Returns the tick the
    // row shows afterwards.
    bool RowChecked(int row, bool checked);

    const CompAxisSettings& Settings(Quantity q) const { return settings_[Index(q)]; }
    // "Автом. выбор": the group's axes follow the shown data when ticked;
    // unticked, each keeps the range it had (with the group's Max once one
    // was entered).
    void AutoCheckBoxClick(Quantity q, bool checked);
    // "Логарифм.шкала" of the flow or frequency group.
    void LogCheckBoxClick(Quantity q, bool checked);
    // "Max" left: a real number becomes the group's axis maximum (the error
    // axis runs from −Max to +Max); other text empties the edit and keeps
    // the focus, without a message. An empty edit changes nothing and may be
    // left, so an emptied edit does not hold the operator.
    EditOutcome MaxEditExit(Quantity q, std::string_view text);
    // "Разбиение" left: a whole number 4 … 15 gives the group's axes the
    // increment GridIncrement(d, r), r being an axis's maximum (its span for
    // the error axis); other text shows "Недопустимое значение параметра",
    // puts the last count accepted back (or nothing) and keeps the focus. An
    // empty edit changes nothing.
    EditOutcome GridEditExit(Quantity q, std::string_view text);

    // The axis as it must be drawn now.
    AxisLayout Axis(CompAxis axis) const;

private:
    static size_t Index(Quantity q) { return static_cast<size_t>(q); }
    static Quantity GroupOf(CompAxis axis);
    // The shown data along the axis.
    ValueRange DataRange(CompAxis axis) const;
    // The range of an axis from its group's settings, before the finishing
    // rules.
    void SetRange(CompAxis axis, AxisLayout& layout) const;

    std::vector<ComparisonSlot> slots_;
    std::array<CompAxisSettings, kQuantityCount> settings_;
    // The range each axis showed when its group's "Автом. выбор" was
    // unticked.
    std::array<std::pair<double, double>, kCompAxisCount> kept_{};
};
