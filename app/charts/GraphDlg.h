// "Графики": the calibration as the characteristic with its reference points
// or as the flow error over the flow. The window only shows; its rules are
// GraphModel's.
#pragma once

#include "charts/GraphModel.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QChartView;
class QXYSeries;

class TGraphDlg : public QDialog {
    Q_OBJECT
public:
    explicit TGraphDlg(QWidget* parent = nullptr);

    // ShowGraph: fills the series, applies the graph type and the axes. The
    // caller then shows the window (exec).
    void ShowGraph(int type, const ChartDataSet& data, const QString& title);

    const GraphModel& Model() const { return model_; }
    QChartView* ChartView() const { return chartView_; }

    // Controls, named as the handlers address them.
    QRadioButton* TypeRadios[2] = {};
    QCheckBox* AutoCheckBox[kQuantityCount] = {}; // flow, frequency, error
    QLineEdit* MaxEdit[kQuantityCount] = {};
    QLineEdit* GridEdit[kQuantityCount] = {};    // tags 100, 101, 102
    QCheckBox* LogCheckBox[kQuantityCount] = {}; // flow, frequency; none for the error
    QCheckBox* ValuesCheck = nullptr;            // "Отображать значения"
    QPushButton* Zoom100Btn = nullptr;           // "1 : 1"
    QPushButton* PrintBtn = nullptr;             // "Печать"
    QPushButton* CloseBtn = nullptr;             // "Закрыть"

private:
    void TypeRadiosClick();
    void ValuesCheckClick();
    void Zoom100BtnClick();
    void PrintBtnClick();
    // The "Max" edits commit alike on leaving and on Enter.
    void MaxEditExit(Quantity q);
    void GridEditExit(int tag, bool enter);
    // Shows the model: series visibility, axes and the edits' texts.
    void ShowModel();

    GraphModel model_;
    QChartView* chartView_ = nullptr;
    // "Аппрокс." (line, red), "Эталон" (circles, green), "Погрешн." (circles,
    // yellow), in GraphModel's order.
    std::array<QXYSeries*, GraphModel::SeriesCount> series_{};
};
