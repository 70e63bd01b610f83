#include "charts/ChartActions.h"

#include "charts/ChartCommands.h"
#include "charts/CompDlg.h"
#include "charts/GraphDlg.h"
#include "charts/ReportPreview.h"
#include "document/StateWidgets.h"

#include <QCoreApplication>

#include <ctime>

void OpenGraphWindow(QWidget* owner, const CalibrationDocument& doc) {
    const std::optional<GraphStart> start = GraphBtnClick(doc);
    if (!start)
        return;
    auto* window = owner->findChild<TGraphDlg*>(QString(), Qt::FindDirectChildrenOnly);
    if (window == nullptr)
        window = new TGraphDlg(owner);
    window->ShowGraph(GraphModel::FlowError, start->Data, FromUtf8(start->Title));
    window->exec();
}

void OpenComparativeGraphs(QWidget* owner, const CalibrationDocument& doc) {
    const std::optional<GraphStart> start = CompChartItemClick(doc);
    if (!start)
        return;
    TCompDlgForm window(owner);
    window.Run(*start, doc.Params(), doc.Settings().Tpriv);
}

void OpenReport(QWidget* owner, const CalibrationDocument& doc) {
    const std::optional<ExpandedReport> report =
        RepBtnClick(doc, QCoreApplication::applicationDirPath().toStdString(), std::time(nullptr));
    if (!report)
        return;
    TReportPreview preview(*report, owner);
    preview.exec();
}
