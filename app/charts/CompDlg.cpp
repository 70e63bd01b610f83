#include "charts/CompDlg.h"

#include "charts/ChartWidgets.h"
#include "document/EditCommitter.h"
#include "document/StateWidgets.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>

namespace {

constexpr int kMarkerSize = 11;
constexpr int kRowMarkerSize = 14;

template <class Series> void StyleSeries(Series* series, int slot) {
    const SlotStyle& style = SlotStyles[slot];
    const QColor color = ColorOf(style);
    series->setColor(color);
    series->setLightMarker(MarkerImage(style.Marker, color, kMarkerSize));
    series->setMarkerSize(kMarkerSize);
    series->setPointLabelsFormat("@yPoint");
    series->setPointLabelsColor(color.darker(150));
    series->setPointLabelsClipping(true);
    series->setVisible(false);
}

QList<QPointF> QtPoints(const std::vector<ChartPoint>& points) {
    QList<QPointF> out;
    out.reserve(static_cast<qsizetype>(points.size()));
    for (const ChartPoint& p : points)
        out.append(QPointF(p.X, p.Y));
    return out;
}

} // namespace

TCompDlgForm::TCompDlgForm(QWidget* parent) : QDialog(parent) {
    setObjectName("CompDlgForm");
    setWindowTitle(QString::fromUtf8("Сравнительные графики"));
    resize(960, 640);

    Tabs = new QTabWidget(this);
    Tabs->setObjectName("Tabs");
    const char* titles[] = {kErrorChartTitle, kFlowChartTitle};
    for (int c = 0; c < 2; ++c) {
        charts_[c] = NewChartView(Tabs);
        charts_[c]->setObjectName(c == 0 ? "ErrorChart" : "FlowChart");
        Tabs->addTab(charts_[c], QString::fromUtf8(titles[c]));
    }
    for (int slot = 0; slot < kComparisonSlots; ++slot) {
        errorSeries_[slot] = new QScatterSeries(charts_[0]->chart());
        StyleSeries(errorSeries_[slot], slot);
        charts_[0]->chart()->addSeries(errorSeries_[slot]);
        flowSeries_[slot] = new QLineSeries(charts_[1]->chart());
        StyleSeries(flowSeries_[slot], slot);
        flowSeries_[slot]->setPointsVisible(true);
        charts_[1]->chart()->addSeries(flowSeries_[slot]);
    }

    auto* controls = new QVBoxLayout;
    LV = new QListWidget(this);
    LV->setObjectName("LV");
    LV->setIconSize(QSize(kRowMarkerSize, kRowMarkerSize));
    LV->setMaximumHeight(170);
    connect(LV, &QListWidget::itemChanged, this, &TCompDlgForm::LVItemChanged);
    controls->addWidget(LV);

    for (int q = 0; q < kQuantityCount; ++q) {
        const Quantity quantity = static_cast<Quantity>(q);
        const AxisGroup group = NewAxisGroup(quantity, this);
        AutoCheckBox[q] = group.Auto;
        MaxEdit[q] = group.Max;
        GridEdit[q] = group.Grid;
        LogCheckBox[q] = group.Log;
        connect(AutoCheckBox[q], &QCheckBox::clicked, this, [this, quantity](bool checked) {
            model_.AutoCheckBoxClick(quantity, checked);
            ShowAxes();
        });
        const auto maxExit = [this, quantity] { MaxEditExit(quantity); };
        new EditCommitter(MaxEdit[q], maxExit, maxExit);
        const auto gridExit = [this, quantity] { GridEditExit(quantity); };
        new EditCommitter(GridEdit[q], gridExit, gridExit);
        if (LogCheckBox[q] != nullptr)
            connect(LogCheckBox[q], &QCheckBox::clicked, this, [this, quantity](bool checked) {
                model_.LogCheckBoxClick(quantity, checked);
                ShowAxes();
            });
        controls->addWidget(group.Box);
    }

    const ChartButtons buttons = AddChartButtons(controls, this, "OkBtn");
    ValuesCheck = buttons.Values;
    Zoom100Btn = buttons.Zoom100;
    PrintBtn = buttons.Print;
    OkBtn = buttons.Close;
    connect(ValuesCheck, &QCheckBox::clicked, this, [this] { ValuesCheckClick(); });
    connect(Zoom100Btn, &QPushButton::clicked, this, [this] { Zoom100BtnClick(); });
    connect(PrintBtn, &QPushButton::clicked, this, [this] { PrintBtnClick(); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(Tabs, 1);
    layout->addLayout(controls);
}

void TCompDlgForm::Run(const GraphStart& start, const LineTable& lines, double Tpriv) {
    const QStringList files = QFileDialog::getOpenFileNames(
        parentWidget(), QString::fromUtf8("Выберите файлы, с которыми будем сравнивать"), QString(),
        QString::fromUtf8("Файлы ЛГМ-Сервис (*.srv)"));
    if (!files.isEmpty() && Load(start, files, lines, Tpriv))
        exec();
    ReleaseSlots();
}

bool TCompDlgForm::Load(const GraphStart& start, const QStringList& files, const LineTable& lines,
                        double Tpriv) {
    for (QChartView* view : charts_)
        view->chart()->setTitle(FromUtf8(start.Title));
    model_.Start(start.Data);
    bool loaded = true;
    for (qsizetype i = 0; i < files.size() && i < kComparisonFiles && loaded; ++i)
        loaded = model_.LoadFile(files[i].toStdString(), lines, Tpriv);
    ShowSlots();
    return loaded;
}

void TCompDlgForm::ShowSlots() {
    {
        const QSignalBlocker blocker(LV);
        LV->clear();
        for (int slot = 0; slot < model_.SlotCount(); ++slot) {
            const SlotStyle& style = SlotStyles[slot];
            auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(MarkerImage(
                                                 style.Marker, ColorOf(style), kRowMarkerSize))),
                                             FromUtf8(model_.Slot(slot).Name), LV);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(model_.Slot(slot).Visible ? Qt::Checked : Qt::Unchecked);
        }
    }
    for (int slot = 0; slot < kComparisonSlots; ++slot) {
        const bool used = slot < model_.SlotCount();
        errorSeries_[slot]->replace(used ? QtPoints(model_.Slot(slot).ErrorPoints)
                                         : QList<QPointF>());
        flowSeries_[slot]->replace(used ? QtPoints(model_.Slot(slot).FlowPoints)
                                        : QList<QPointF>());
        const bool visible = used && model_.Slot(slot).Visible;
        errorSeries_[slot]->setVisible(visible);
        flowSeries_[slot]->setVisible(visible);
    }
    ValuesCheckClick();
    ShowAxes();
}

void TCompDlgForm::ShowAxes() {
    for (QChartView* view : charts_)
        if (view->chart()->isZoomed())
            view->chart()->zoomReset();
    QChart* errorChart = charts_[0]->chart();
    QChart* flowChart = charts_[1]->chart();
    ApplyAxis(errorChart, Qt::AlignBottom, model_.Axis(CompAxis::ErrorChartFlow),
              SeriesList(errorSeries_));
    ApplyAxis(errorChart, Qt::AlignLeft, model_.Axis(CompAxis::ErrorChartError),
              SeriesList(errorSeries_));
    ApplyAxis(flowChart, Qt::AlignBottom, model_.Axis(CompAxis::FlowChartFrequency),
              SeriesList(flowSeries_));
    ApplyAxis(flowChart, Qt::AlignLeft, model_.Axis(CompAxis::FlowChartFlow),
              SeriesList(flowSeries_));
}

void TCompDlgForm::ReleaseSlots() {
    model_.Release();
    ShowSlots();
}

void TCompDlgForm::LVItemChanged(QListWidgetItem* item) {
    const int row = LV->row(item);
    const bool shown = model_.RowChecked(row, item->checkState() == Qt::Checked);
    {
        const QSignalBlocker blocker(LV);
        item->setCheckState(shown ? Qt::Checked : Qt::Unchecked);
    }
    if (row < kComparisonSlots) {
        errorSeries_[row]->setVisible(shown);
        flowSeries_[row]->setVisible(shown);
    }
    ShowAxes();
}

void TCompDlgForm::ValuesCheckClick() {
    for (int slot = 0; slot < kComparisonSlots; ++slot) {
        const bool on = ValuesCheck->isChecked() && slot < model_.SlotCount();
        errorSeries_[slot]->setPointLabelsVisible(on);
        flowSeries_[slot]->setPointLabelsVisible(on);
    }
}

void TCompDlgForm::Zoom100BtnClick() {
    for (QChartView* view : charts_)
        view->chart()->zoomReset();
}

void TCompDlgForm::PrintBtnClick() {
    PrintChartWithDialog(this, charts_[Tabs->currentIndex() == 0 ? 0 : 1]);
}

void TCompDlgForm::MaxEditExit(Quantity q) {
    QLineEdit* edit = MaxEdit[static_cast<int>(q)];
    const EditOutcome outcome = model_.MaxEditExit(q, edit->text().toStdString());
    edit->setText(FromUtf8(outcome.Text));
    ShowAxes();
    if (outcome.KeepFocus)
        edit->setFocus(Qt::OtherFocusReason);
}

void TCompDlgForm::GridEditExit(Quantity q) {
    QLineEdit* edit = GridEdit[static_cast<int>(q)];
    const EditOutcome outcome = model_.GridEditExit(q, edit->text().toStdString());
    edit->setText(FromUtf8(outcome.Text));
    ShowAxes();
    if (outcome.KeepFocus)
        edit->setFocus(Qt::OtherFocusReason);
}
