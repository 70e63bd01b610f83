#include "charts/GraphDlg.h"

#include "charts/ChartWidgets.h"
#include "document/EditCommitter.h"
#include "document/StateWidgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>

TGraphDlg::TGraphDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("GraphDlg");
    setWindowTitle(QString::fromUtf8("Графики"));
    resize(900, 600);

    chartView_ = NewChartView(this);
    chartView_->setObjectName("Chart");
    QChart* chart = chartView_->chart();

    auto* approx = new QLineSeries(chart);
    approx->setName(QString::fromUtf8("Аппрокс."));
    approx->setPen(QPen(Qt::red, 2));
    auto* etalon = new QScatterSeries(chart);
    etalon->setName(QString::fromUtf8("Эталон"));
    auto* error = new QScatterSeries(chart);
    error->setName(QString::fromUtf8("Погрешн."));
    const std::pair<QScatterSeries*, QColor> points[] = {{etalon, QColor(0, 128, 0)},
                                                         {error, QColor(255, 255, 0)}};
    for (const auto& [series, color] : points) {
        series->setMarkerShape(QScatterSeries::MarkerShapeCircle);
        series->setMarkerSize(9);
        series->setColor(color);
        series->setBorderColor(color.darker(160));
    }
    series_ = {approx, etalon, error};
    for (QXYSeries* series : series_) {
        series->setPointLabelsFormat("@yPoint");
        series->setPointLabelsColor(series->color().darker(150));
        series->setPointLabelsClipping(true);
        chart->addSeries(series);
    }

    auto* controls = new QVBoxLayout;
    auto* typeBox = new QGroupBox(QString::fromUtf8("Тип графика: "), this);
    typeBox->setObjectName("TypeRadios");
    auto* typeLayout = new QVBoxLayout(typeBox);
    auto* typeGroup = new QButtonGroup(this);
    const char* types[] = {"Частота-расход", "Расход-погрешность"};
    for (int i = 0; i < 2; ++i) {
        TypeRadios[i] = new QRadioButton(QString::fromUtf8(types[i]), typeBox);
        TypeRadios[i]->setObjectName(QString("TypeRadios%1").arg(i));
        typeGroup->addButton(TypeRadios[i], i);
        typeLayout->addWidget(TypeRadios[i]);
    }
    connect(typeGroup, &QButtonGroup::idClicked, this, [this] { TypeRadiosClick(); });
    controls->addWidget(typeBox);

    for (int q = 0; q < kQuantityCount; ++q) {
        const Quantity quantity = static_cast<Quantity>(q);
        const AxisGroup group = NewAxisGroup(quantity, this);
        AutoCheckBox[q] = group.Auto;
        MaxEdit[q] = group.Max;
        GridEdit[q] = group.Grid;
        LogCheckBox[q] = group.Log;
        GridEdit[q]->setProperty("tag", GraphModel::kGridTagBase + q);
        connect(AutoCheckBox[q], &QCheckBox::clicked, this, [this, quantity](bool checked) {
            model_.AutoCheckBoxClick(quantity, checked);
            ShowModel();
        });
        const auto maxExit = [this, quantity] { MaxEditExit(quantity); };
        new EditCommitter(MaxEdit[q], maxExit, maxExit);
        const int tag = GridEdit[q]->property("tag").toInt();
        new EditCommitter(
            GridEdit[q], [this, tag] { GridEditExit(tag, false); },
            [this, tag] { GridEditExit(tag, true); });
        if (LogCheckBox[q] != nullptr)
            connect(LogCheckBox[q], &QCheckBox::clicked, this, [this, quantity](bool checked) {
                model_.LogCheckBoxClick(quantity, checked);
                ShowModel();
            });
        controls->addWidget(group.Box);
    }

    const ChartButtons buttons = AddChartButtons(controls, this, "CloseBtn");
    ValuesCheck = buttons.Values;
    Zoom100Btn = buttons.Zoom100;
    PrintBtn = buttons.Print;
    CloseBtn = buttons.Close;
    connect(ValuesCheck, &QCheckBox::clicked, this, [this] { ValuesCheckClick(); });
    connect(Zoom100Btn, &QPushButton::clicked, this, [this] { Zoom100BtnClick(); });
    connect(PrintBtn, &QPushButton::clicked, this, [this] { PrintBtnClick(); });

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(chartView_, 1);
    layout->addLayout(controls);
    ShowModel();
}

void TGraphDlg::ShowGraph(int type, const ChartDataSet& data, const QString& title) {
    model_.ShowGraph(type, data);
    for (int s = 0; s < GraphModel::SeriesCount; ++s) {
        QList<QPointF> points;
        for (const ChartPoint& p : model_.Points(s))
            points.append(QPointF(p.X, p.Y));
        series_[s]->replace(points);
    }
    chartView_->chart()->setTitle(title);
    ShowModel();
}

void TGraphDlg::ShowModel() {
    QChart* chart = chartView_->chart();
    if (chart->isZoomed())
        chart->zoomReset();
    for (int s = 0; s < GraphModel::SeriesCount; ++s)
        series_[s]->setVisible(model_.Active(s));
    ApplyAxis(chart, Qt::AlignBottom, model_.BottomAxis(), SeriesList(series_));
    ApplyAxis(chart, Qt::AlignLeft, model_.LeftAxis(), SeriesList(series_));

    TypeRadios[model_.GraphType() == GraphModel::FrequencyFlow ? 0 : 1]->setChecked(true);
    for (int q = 0; q < kQuantityCount; ++q) {
        const Quantity quantity = static_cast<Quantity>(q);
        const GraphAxisSettings& settings = model_.Settings(quantity);
        AutoCheckBox[q]->setChecked(settings.Automatic);
        if (LogCheckBox[q] != nullptr)
            LogCheckBox[q]->setChecked(settings.Logarithmic);
        MaxEdit[q]->setText(FromUtf8(model_.MaxText(quantity)));
        GridEdit[q]->setText(FromUtf8(model_.GridText(quantity)));
    }
}

void TGraphDlg::TypeRadiosClick() {
    model_.TypeRadiosClick(TypeRadios[0]->isChecked() ? 0 : 1);
    ShowModel();
}

void TGraphDlg::ValuesCheckClick() {
    for (QXYSeries* series : series_)
        series->setPointLabelsVisible(ValuesCheck->isChecked());
}

void TGraphDlg::Zoom100BtnClick() {
    chartView_->chart()->zoomReset();
}

void TGraphDlg::PrintBtnClick() {
    PrintChartWithDialog(this, chartView_);
}

void TGraphDlg::MaxEditExit(Quantity q) {
    QLineEdit* edit = MaxEdit[static_cast<int>(q)];
    const EditOutcome outcome = model_.MaxEditCommit(q, edit->text().toStdString());
    ShowModel();
    edit->setText(FromUtf8(outcome.Text));
    if (outcome.KeepFocus)
        edit->setFocus(Qt::OtherFocusReason);
}

void TGraphDlg::GridEditExit(int tag, bool enter) {
    QLineEdit* edit = GridEdit[tag - GraphModel::kGridTagBase];
    const EditOutcome outcome = model_.GridEditCommit(tag, edit->text().toStdString());
    ShowModel();
    edit->setText(FromUtf8(outcome.Text));
    if (outcome.KeepFocus)
        edit->setFocus(Qt::OtherFocusReason);
    else if (enter && outcome.Accepted)
        focusNextChild();
}
