#include "charts/ChartCommands.h"

#include "document/Messages.h"

namespace {

std::optional<GraphStart> Start(const CalibrationDocument& doc, const char* noLinesText) {
    const TZorDataList& list = doc.CurrentList();
    if (list.EnabledCount() == 0)
        return std::nullopt;
    if (doc.Params().LineCount == 0) {
        ShowError(noLinesText);
        return std::nullopt;
    }
    return GraphStart{DocumentDataSet(list), ChartTitle(doc.Settings())};
}

} // namespace

std::optional<GraphStart> GraphBtnClick(const CalibrationDocument& doc) {
    return Start(doc, "Перед построение графиков надо выполнить аппроксимацию");
}

std::optional<GraphStart> CompChartItemClick(const CalibrationDocument& doc) {
    return Start(doc, "Перед построением графиков надо выполнить аппроксимацию");
}
