// Pieces both graph windows draw with: axes from their layouts, marker
// pictures, the chart view and printing a chart.
#pragma once

#include "charts/ChartAxes.h"
#include "charts/ComparisonModel.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>

class QPrinter;

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
