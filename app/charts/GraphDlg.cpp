#include "charts/GraphDlg.h"

#include "charts/ChartWidgets.h"
#include "document/EditCommitter.h"
#include "document/StateWidgets.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>

namespace {

constexpr const char* kGroupTitles[kQuantityCount] = {"Расход:", "Частота:", "Погрешность:"};
constexpr const char* kNames[kQuantityCount] = {"Flow", "Freq", "Err"};

QPushButton* NewButton(const char* name, const char* text, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(name);
    // Enter in an edit commits the edit; it must not press a button as well.
    button->setAutoDefault(false);
    return button;
}

QCheckBox* NewCheckBox(const QString& name, const char* text, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(name);
    return box;
}

QLineEdit* NewEdit(const QString& name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMaximumWidth(90);
    return edit;
}

QList<QXYSeries*> AllOf(const std::array<QXYSeries*, GraphModel::SeriesCount>& series) {
    return {series.begin(), series.end()};
}

} // namespace

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
        auto* group = new QGroupBox(QString::fromUtf8(kGroupTitles[q]), this);
        auto* form = new QFormLayout(group);
        const QString name = kNames[q];
        AutoCheckBox[q] = NewCheckBox(name + "AutoCheckBox", "Автом. выбор", group);
        MaxEdit[q] = NewEdit(name + "MaxEdit", group);
        GridEdit[q] = NewEdit(name + "GridEdit", group);
        GridEdit[q]->setProperty("tag", GraphModel::kGridTagBase + q);
        form->addRow(AutoCheckBox[q]);
        form->addRow(QString::fromUtf8("Max"), MaxEdit[q]);
        form->addRow(QString::fromUtf8("Разбиение"), GridEdit[q]);
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
        if (quantity != Quantity::Error) {
            LogCheckBox[q] = NewCheckBox(name + "LogCheckBox", "Логарифм.шкала", group);
            form->addRow(LogCheckBox[q]);
            connect(LogCheckBox[q], &QCheckBox::clicked, this, [this, quantity](bool checked) {
                model_.LogCheckBoxClick(quantity, checked);
                ShowModel();
            });
        }
        controls->addWidget(group);
    }

    ValuesCheck = NewCheckBox("ValuesCheck", "Отображать значения", this);
    connect(ValuesCheck, &QCheckBox::clicked, this, [this] { ValuesCheckClick(); });
    controls->addWidget(ValuesCheck);
    Zoom100Btn = NewButton("Zoom100Btn", "1 : 1", this);
    connect(Zoom100Btn, &QPushButton::clicked, this, [this] { Zoom100BtnClick(); });
    PrintBtn = NewButton("PrintBtn", "Печать", this);
    connect(PrintBtn, &QPushButton::clicked, this, [this] { PrintBtnClick(); });
    CloseBtn = NewButton("CloseBtn", "Закрыть", this);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    controls->addWidget(Zoom100Btn);
    controls->addWidget(PrintBtn);
    controls->addStretch();
    controls->addWidget(CloseBtn);

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
    ApplyAxis(chart, Qt::AlignBottom, model_.BottomAxis(), AllOf(series_));
    ApplyAxis(chart, Qt::AlignLeft, model_.LeftAxis(), AllOf(series_));

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
