// The main window's graph commands: what "График" and "Сравнительный график"
// hand to their windows, decided from the document.
#pragma once

#include "charts/ChartData.h"
#include "document/CalibrationDocument.h"

#include <optional>
#include <string>

struct GraphStart {
    ChartDataSet Data; // the current list's enabled records
    std::string Title; // ChartTitle of the settings
};

// "График". Nothing happens without an enabled record in the current list;
// without a characteristic (no lines) the error "Перед построение графиков
// надо выполнить аппроксимацию" is shown instead of a chart of nothing.
std::optional<GraphStart> GraphBtnClick(const CalibrationDocument& doc);

// "Сравнительный график" (CompChartItemClick): the same, with the error
// "Перед построением графиков надо выполнить аппроксимацию".
std::optional<GraphStart> CompChartItemClick(const CalibrationDocument& doc);
