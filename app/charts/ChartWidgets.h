// Pieces both graph windows draw with: axes from their layouts, marker
// pictures, the chart view and printing a chart.
#pragma once

#include "charts/ChartAxes.h"
#include "charts/ComparisonModel.h"

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QList>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>
#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPrinter;
class QPushButton;
class QVBoxLayout;

// The controls of one quantity's axis group ("Расход:", "Частота:",
// "Погрешность:"): "Автом. выбор" (ticked), "Max", "Разбиение" and
// "Логарифм.шкала", named FlowAutoCheckBox, FlowMaxEdit, FlowGridEdit,
// FlowLogCheckBox and likewise Freq… and Err…. The error group has no
// logarithmic scale (Log is null).
struct AxisGroup {
    QGroupBox* Box = nullptr;
    QCheckBox* Auto = nullptr;
    QLineEdit* Max = nullptr;
    QLineEdit* Grid = nullptr;
    QCheckBox* Log = nullptr;
};
AxisGroup NewAxisGroup(Quantity q, QWidget* parent);

// The controls under the axis groups of both windows, added to column:
// "Отображать значения", "1 : 1", "Печать" and, at the bottom, "Закрыть"
// (named closeName), which closes the window.
struct ChartButtons {
    QCheckBox* Values = nullptr;
    QPushButton* Zoom100 = nullptr;
    QPushButton* Print = nullptr;
    QPushButton* Close = nullptr;
};
ChartButtons AddChartButtons(QVBoxLayout* column, QDialog* window, const char* closeName);

// A chart view zoomed by dragging a rectangle with the mouse, on a white
// two-dimensional chart without a legend.
QChartView* NewChartView(QWidget* parent);

// Puts the layout on the chart's axis at side (Qt::AlignBottom or
// Qt::AlignLeft): a linear or a logarithmic axis as the layout asks — the
// axis is replaced when its kind changes, and series are attached to the new
// one — with the title, the range and the desired increment (from 0, so
// grid lines fall on its multiples; OwnStep when the layout gives none).
void ApplyAxis(QChart* chart, Qt::Alignment side, const AxisLayout& layout,
               const QList<QXYSeries*>& series);

// The series of an array, for ApplyAxis.
template <class Series, size_t N>
QList<QXYSeries*> SeriesList(const std::array<Series*, N>& series) {
    return {series.begin(), series.end()};
}

QColor ColorOf(const SlotStyle& style);
// A marker picture size×size: the shape filled in the colour, outlined a
// little darker so that yellow stays visible on white.
QImage MarkerImage(MarkerShape shape, const QColor& color, int size);

// Paints the chart onto one page of the printer, filling its printable area
// (the chart is laid out anew for the page's proportions). False when the
// printer cannot be painted on.
bool PrintChart(QChartView* view, QPrinter& printer);
// "Печать": the printer dialog on a landscape page, then PrintChart.
void PrintChartWithDialog(QWidget* parent, QChartView* view);
