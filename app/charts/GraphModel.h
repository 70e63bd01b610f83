// The rules of the calibration graph window "Графики": its three series, the
// two graph types and the axis settings of each quantity. The window lives
// for the whole run, so a model's settings carry from one opening to the
// next; only the data and the graph type are replaced by ShowGraph.
#pragma once

#include "charts/ChartAxes.h"
#include "charts/ChartData.h"
#include "document/CalibrationDocument.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Settings of one quantity's axis.
struct GraphAxisSettings {
    bool Automatic = true;    // "Автом. выбор"
    double Max = 0.0;         // "Max": the maximum of a manual axis (±Max for the error)
    uint32_t Divisions = 6;   // "Разбиение"
    bool Logarithmic = false; // "Логарифм.шкала"; never for the error
};

class GraphModel {
public:
    // Graph types, the items of "Тип графика: ".
    enum Type : int { FrequencyFlow = 0, FlowError = 1 };
    // Series, in the chart's order.
    enum Series : int { Approximation = 0, Etalon = 1, Error = 2, SeriesCount = 3 };
    // Tags of the division edits: the quantity's number plus this.
    static constexpr int kGridTagBase = 100;
    // Division counts an edit accepts.
    static constexpr uint32_t kMinDivisions = 3, kMaxDivisions = 16;

    GraphModel();

    // ShowGraph(type, n, F, Qизм, Qэт, δ): refills the three series from the
    // data — "Аппрокс." (F, Qc), "Эталон" (F, Q), "Погрешн." (Q, E), each in
    // ascending X — then applies the type and sets up the axes.
    void ShowGraph(int type, const ChartDataSet& data);
    // TypeRadiosClick: the first item is "Частота-расход", any other
    // "Расход-погрешность".
    void TypeRadiosClick(int index);

    int GraphType() const { return type_; }
    const std::vector<ChartPoint>& Points(int series) const { return points_.at(series); }
    // Series 1 and 2 show with "Частота-расход", series 3 with
    // "Расход-погрешность".
    bool Active(int series) const;
    // The axes as Algorithms of the set-up left them after the last change.
    const AxisLayout& BottomAxis() const { return bottom_; }
    const AxisLayout& LeftAxis() const { return left_; }

    const GraphAxisSettings& Settings(Quantity q) const { return settings_[Index(q)]; }
    // What the quantity's "Max" and "Разбиение" edits show.
    std::string MaxText(Quantity q) const;
    std::string GridText(Quantity q) const;

    // "Автом. выбор" and "Логарифм.шкала" of a quantity (the error has no
    // logarithmic scale: ignored).
    void AutoCheckBoxClick(Quantity q, bool checked);
    void LogCheckBoxClick(Quantity q, bool checked);
    // A "Max" edit left or Enter released in it: one real number becomes the
    // quantity's Max; anything else puts the current Max back and keeps the
    // focus, without a message.
    EditOutcome MaxEditCommit(Quantity q, std::string_view text);
    // A "Разбиение" edit (told apart by its tag, 100 … 102) left or Enter
    // released in it: one whole number 3 … 16 becomes the division count;
    // anything else shows "Недопустимое значение параметра", puts the stored
    // count back and keeps the focus. Another tag shows "Внутренняя ошибка -
    // неверный идентификатор элемента управления" and changes nothing.
    EditOutcome GridEditCommit(int tag, std::string_view text);

private:
    static size_t Index(Quantity q) { return static_cast<size_t>(q); }
    // Lays out both axes for the graph type and takes the maxima of the
    // automatic ones over as their quantities' Max.
    void SetUpAxes();
    AxisLayout LayOut(Quantity q, const ValueRange& data);

    int type_ = FlowError;
    std::array<std::vector<ChartPoint>, SeriesCount> points_;
    std::array<GraphAxisSettings, kQuantityCount> settings_;
    AxisLayout bottom_, left_;
};
