// "Сравнительные графики": the current document against up to seven
// calibration files, on the tabs "Расход-погрешность" and "Частота-расход".
// The window only reads; its rules are ComparisonModel's.
#pragma once

#include "charts/ChartCommands.h"
#include "charts/ComparisonModel.h"

#include <QDialog>
#include <QStringList>
#include <array>

class QCheckBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QChartView;
class QLineSeries;
class QScatterSeries;

class TCompDlgForm : public QDialog {
    Q_OBJECT
public:
    explicit TCompDlgForm(QWidget* parent = nullptr);

    // Run: asks for the files to compare with, loads them and shows the
    // window modally; nothing is shown when no file is chosen or one cannot
    // be read. The files' data are released when the window closes.
    void Run(const GraphStart& start, const LineTable& lines, double Tpriv);
    // Puts the current document into slot 0 and the first seven files into
    // the next slots, each with its check-list row, and draws them. False when
    // a file could not be read (its error was shown).
    bool Load(const GraphStart& start, const QStringList& files, const LineTable& lines,
              double Tpriv);

    const ComparisonModel& Model() const { return model_; }
    QChartView* ErrorChart() const { return charts_[0]; } // "Расход-погрешность"
    QChartView* FlowChart() const { return charts_[1]; }  // "Частота-расход"
    QScatterSeries* ErrorSeries(int slot) const { return errorSeries_[slot]; }
    QLineSeries* FlowSeries(int slot) const { return flowSeries_[slot]; }

    QTabWidget* Tabs = nullptr;
    QListWidget* LV = nullptr;                    // one checkable row per slot, with its marker
    QCheckBox* AutoCheckBox[kQuantityCount] = {}; // flow, frequency, error
    QLineEdit* MaxEdit[kQuantityCount] = {};
    QLineEdit* GridEdit[kQuantityCount] = {};
    QCheckBox* LogCheckBox[kQuantityCount] = {}; // flow, frequency; none for the error
    QCheckBox* ValuesCheck = nullptr;
    QPushButton* Zoom100Btn = nullptr;
    QPushButton* PrintBtn = nullptr;
    QPushButton* OkBtn = nullptr; // "Закрыть"

private:
    void LVItemChanged(QListWidgetItem* item);
    void ValuesCheckClick();
    void Zoom100BtnClick();
    void PrintBtnClick();
    void MaxEditExit(Quantity q);
    void GridEditExit(Quantity q);
    // Draws the slots and the check list, then the axes.
    void ShowSlots();
    void ShowAxes();
    void ReleaseSlots();

    ComparisonModel model_;
    std::array<QChartView*, 2> charts_{};
    std::array<QScatterSeries*, kComparisonSlots> errorSeries_{};
    std::array<QLineSeries*, kComparisonSlots> flowSeries_{};
};
