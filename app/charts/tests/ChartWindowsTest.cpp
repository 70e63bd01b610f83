// The graph windows on a small document, driven through their controls: the
// series and axes they show, the edits' refusals, the check list, printing,
// and the main window's commands that open them. The rules behind them are
// the core's and are tested there.
#include "document/tests/WidgetDriver.h"

#include "charts/ChartActions.h"
#include "charts/ChartCommands.h"
#include "charts/ChartWidgets.h"
#include "charts/CompDlg.h"
#include "charts/GraphDlg.h"
#include "document/CalibrN3Unit.h"
#include "document/StateWidgets.h"
#include "document/testing/MessageRecorder.h"
#include "files/Calibrn3files.h"

#include <QCheckBox>
#include <QListWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtCharts/QLineSeries>
#include <QtCharts/QLogValueAxis>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

namespace {

constexpr const char* kBadValue = "Недопустимое значение параметра";

MeasurementRecord Point(double frequency, double flow, double deviation, bool disabled = false) {
    MeasurementRecord r = NewMeasurement();
    r.MeasuredFrequency = frequency;
    r.EtalonFlow = flow;
    r.FlowDeviation = deviation;
    if (disabled)
        r.Flags |= RecordFlag::Disabled;
    return r;
}

// Three enabled measurements and a disabled one, with the default
// characteristic of the start-up document.
void FillDocument(CalibrationDocument& doc) {
    TZorDataList& list = doc.CalibrationList();
    list.Add(Point(10, 1.2, 0.004));
    list.Add(Point(20, 2.4, -0.002));
    list.Add(Point(25, 9.9, 0.5, true));
    list.Add(Point(30, 3.6, 0.001));
}

QAbstractAxis* AxisAt(QChart* chart, Qt::Alignment side) {
    for (QAbstractAxis* axis : chart->axes())
        if (axis->alignment() == side)
            return axis;
    return nullptr;
}

// Whether an automatic axis shows the data range min … max with its padding.
bool ShowsData(const QValueAxis* axis, double min, double max) {
    const double pad = kAutomaticPadding * (max - min);
    return qFuzzyCompare(axis->min(), min - pad) && qFuzzyCompare(axis->max(), max + pad);
}

QValueAxis* ValueAxisAt(QChart* chart, Qt::Alignment side) {
    return qobject_cast<QValueAxis*>(AxisAt(chart, side));
}

QList<QXYSeries*> XYSeries(QChart* chart) {
    QList<QXYSeries*> out;
    for (QAbstractSeries* s : chart->series())
        out << qobject_cast<QXYSeries*>(s);
    return out;
}

// Clicks the box of a check box (its middle may lie past its text, where a
// click does nothing).
void ClickCheckBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// The text pdftotext finds in a PDF file.
QString PdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-layout", path, "-"});
    if (!pdftotext.waitForFinished(20000))
        return {};
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// Closes the modal window that a command opens, once it is up.
void CloseModalSoon() {
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
}

} // namespace

class ChartWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void TheGraphOpensOnTheErrorsAndSwitchesToTheCharacteristic();
    void GraphEditsAreCommittedOrRefused();
    void GraphMarksZoomAndPrinting();
    void TheGraphWindowIsKeptForTheRun();
    void ComparisonShowsTheCurrentDocumentAndSevenFiles();
    void ComparisonCheckListAndAxes();
    void TheMainWindowOpensTheWindows();

private:
    QString WriteFile(const QString& name, double shift);

    std::unique_ptr<MessageRecorder> messages_;
    std::unique_ptr<CalibrationDocument> doc_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void ChartWindowsTest::init() {
    messages_ = std::make_unique<MessageRecorder>();
    doc_ = std::make_unique<CalibrationDocument>();
    FillDocument(*doc_);
    dir_ = std::make_unique<QTemporaryDir>();
}

void ChartWindowsTest::cleanup() {
    dir_.reset();
    doc_.reset();
    messages_.reset();
}

QString ChartWindowsTest::WriteFile(const QString& name, double shift) {
    TZorDataList list;
    for (int i = 1; i <= 4; ++i)
        list.Add(Point(10.0 * i + shift, 1.2 * i, 0));
    const QString path = dir_->filePath(name);
    const WriteOutcome written =
        WriteCalibrationFile(path.toStdString(), MeterSettings{}, &list, nullptr, nullptr);
    if (written != WriteOutcome::Written)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void ChartWindowsTest::TheGraphOpensOnTheErrorsAndSwitchesToTheCharacteristic() {
    const std::optional<GraphStart> start = GraphBtnClick(*doc_);
    QVERIFY(start);
    TGraphDlg dlg;
    dlg.ShowGraph(GraphModel::FlowError, start->Data, FromUtf8(start->Title));
    dlg.show();
    QChart* chart = dlg.ChartView()->chart();
    QCOMPARE(chart->title(),
             QStringLiteral("Номер прибора: 00000001,  Ду: 15,  Тип: ЛГМ-ЧИ2.xx-xxx"));
    const QList<QXYSeries*> series = XYSeries(chart);
    QCOMPARE(series.size(), 3);
    QCOMPARE(series[0]->name(), QStringLiteral("Аппрокс."));
    QVERIFY(qobject_cast<QLineSeries*>(series[0]) && series[0]->color() == QColor(Qt::red));
    QCOMPARE(series[1]->name(), QStringLiteral("Эталон"));
    QCOMPARE(series[2]->name(), QStringLiteral("Погрешн."));
    QVERIFY(!series[0]->isVisible() && !series[1]->isVisible() && series[2]->isVisible());
    QCOMPARE(series[2]->count(), 3); // the disabled measurement is left out
    QCOMPARE(series[2]->at(0), QPointF(1.2, 0.4));
    QVERIFY(dlg.TypeRadios[1]->isChecked());

    QValueAxis* bottom = ValueAxisAt(chart, Qt::AlignBottom);
    QValueAxis* left = ValueAxisAt(chart, Qt::AlignLeft);
    QVERIFY(bottom && left);
    QCOMPARE(bottom->titleText(), QStringLiteral("Расход, м3/ч"));
    QVERIFY(ShowsData(bottom, 1.2, 3.6));
    QCOMPARE(left->titleText(), QStringLiteral("Погрешность, %"));
    QCOMPARE(dlg.MaxEdit[0]->text(), QStringLiteral("3.6"));

    QTest::mouseClick(dlg.TypeRadios[0], Qt::LeftButton);
    QVERIFY(series[0]->isVisible() && series[1]->isVisible() && !series[2]->isVisible());
    QCOMPARE(series[1]->count(), 3);
    QCOMPARE(ValueAxisAt(chart, Qt::AlignBottom)->titleText(), QStringLiteral("Частота, Гц"));
    QVERIFY(ShowsData(ValueAxisAt(chart, Qt::AlignBottom), 10, 30));
    QCOMPARE(ValueAxisAt(chart, Qt::AlignLeft)->titleText(), QStringLiteral("Расход, м3/ч"));
}

void ChartWindowsTest::GraphEditsAreCommittedOrRefused() {
    TGraphDlg dlg;
    dlg.ShowGraph(GraphModel::FlowError, GraphBtnClick(*doc_)->Data, QString());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QChart* chart = dlg.ChartView()->chart();

    QLineEdit* flowGrid = dlg.GridEdit[0];
    QCOMPARE(flowGrid->property("tag").toInt(), 100);
    TypeAndEnter(flowGrid, "2");
    QCOMPARE(messages_->Single(), (RecordedMessage{MessageKind::Error, kBadValue}));
    QCOMPARE(flowGrid->text(), QStringLiteral("6"));
    QVERIFY(flowGrid->hasFocus());
    messages_->Clear();
    TypeAndEnter(flowGrid, "16");
    QCOMPARE(flowGrid->text(), QStringLiteral("16"));
    QVERIFY(!flowGrid->hasFocus()); // Enter moves on after a valid count

    ClickCheckBox(dlg.AutoCheckBox[2]);
    TypeAndEnter(dlg.MaxEdit[2], "3");
    QValueAxis* left = ValueAxisAt(chart, Qt::AlignLeft);
    QCOMPARE(left->min(), -3.0);
    QCOMPARE(left->max(), 3.0);
    QCOMPARE(left->tickType(), QValueAxis::TicksDynamic);
    QCOMPARE(left->tickInterval(), 1.0);
    TypeAndEnter(dlg.MaxEdit[2], "abc"); // put back silently
    QCOMPARE(dlg.MaxEdit[2]->text(), QStringLiteral("3"));
    QVERIFY(messages_->Empty());

    // A manual flow axis of Max 0 shows the range 0 … 0 as the operator set it.
    ClickCheckBox(dlg.AutoCheckBox[0]);
    TypeAndEnter(dlg.MaxEdit[0], "0");
    QCOMPARE(ValueAxisAt(chart, Qt::AlignBottom)->min(), 0.0);
    QCOMPARE(ValueAxisAt(chart, Qt::AlignBottom)->max(), 0.0);

    ClickCheckBox(dlg.LogCheckBox[0]);
    QVERIFY(qobject_cast<QLogValueAxis*>(AxisAt(chart, Qt::AlignBottom)));
    for (QXYSeries* s : XYSeries(chart))
        QVERIFY(s->attachedAxes().contains(AxisAt(chart, Qt::AlignBottom)));
}

void ChartWindowsTest::GraphMarksZoomAndPrinting() {
    TGraphDlg dlg;
    dlg.ShowGraph(GraphModel::FlowError, GraphBtnClick(*doc_)->Data, QStringLiteral("Прибор 42"));
    dlg.show();
    ClickCheckBox(dlg.ValuesCheck);
    for (QXYSeries* s : XYSeries(dlg.ChartView()->chart()))
        QVERIFY(s->pointLabelsVisible());
    QChart* chart = dlg.ChartView()->chart();
    chart->zoomIn();
    QVERIFY(chart->isZoomed());
    QTest::mouseClick(dlg.Zoom100Btn, Qt::LeftButton);
    QVERIFY(!chart->isZoomed());

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir_->filePath("graph.pdf"));
    printer.setPageOrientation(QPageLayout::Landscape);
    QVERIFY(PrintChart(dlg.ChartView(), printer));
    QVERIFY(PdfText(printer.outputFileName()).contains(QStringLiteral("Прибор 42")));
    QCOMPARE(chart->size(), dlg.ChartView()->chart()->size()); // the view is as it was
}

void ChartWindowsTest::TheGraphWindowIsKeptForTheRun() {
    QWidget owner;
    CloseModalSoon();
    OpenGraphWindow(&owner, *doc_);
    auto* dlg = owner.findChild<TGraphDlg*>();
    QVERIFY(dlg);
    dlg->TypeRadios[0]->click();
    dlg->GridEdit[1]->setText("9");
    QVERIFY(dlg->Model().GraphType() == GraphModel::FrequencyFlow);

    // Opening again reuses the window: the type starts at the errors, the
    // settings stay.
    QTimer::singleShot(0, [dlg] {
        dlg->GridEdit[1]->setFocus();
        dlg->GridEdit[1]->setText("9");
        dlg->CloseBtn->setFocus();
        dlg->close();
    });
    OpenGraphWindow(&owner, *doc_);
    QCOMPARE(owner.findChildren<TGraphDlg*>().size(), 1);
    QCOMPARE(dlg->Model().GraphType(), int(GraphModel::FlowError));
    QCOMPARE(dlg->Model().Settings(Quantity::Frequency).Divisions, 9u);

    doc_->Params().LineCount = 0;
    OpenGraphWindow(&owner, *doc_);
    QCOMPARE(messages_->Texts(),
             std::vector<std::string>{"Перед построение графиков надо выполнить аппроксимацию"});
}

void ChartWindowsTest::ComparisonShowsTheCurrentDocumentAndSevenFiles() {
    QStringList files;
    for (int i = 0; i < 10; ++i)
        files << WriteFile(QString("meter%1.srv").arg(i), i);
    TCompDlgForm dlg;
    QVERIFY(dlg.Load(*CompChartItemClick(*doc_), files, doc_->Params(), 20.0));
    dlg.show();
    QCOMPARE(dlg.Tabs->tabText(0), QStringLiteral("Расход-погрешность"));
    QCOMPARE(dlg.Tabs->tabText(1), QStringLiteral("Частота-расход"));
    QCOMPARE(dlg.LV->count(), 8);
    QCOMPARE(dlg.LV->item(0)->text(), QStringLiteral("Текущий"));
    QCOMPARE(dlg.LV->item(7)->text(), QStringLiteral("meter6.srv"));
    for (int row = 0; row < 8; ++row) {
        QCOMPARE(dlg.LV->item(row)->checkState(), Qt::Checked);
        QVERIFY(!dlg.LV->item(row)->icon().isNull());
        QVERIFY(dlg.ErrorSeries(row)->isVisible());
        QCOMPARE(dlg.FlowSeries(row)->count(), row == 0 ? 3 : 4);
        QCOMPARE(dlg.FlowSeries(row)->color(), ColorOf(SlotStyles[row]));
    }
    QCOMPARE(dlg.ErrorChart()->chart()->title(), dlg.FlowChart()->chart()->title());
    QVERIFY(ShowsData(ValueAxisAt(dlg.FlowChart()->chart(), Qt::AlignBottom), 10, 46));

    // A file that cannot be read stops before the window would show.
    TCompDlgForm broken;
    QVERIFY(!broken.Load(*CompChartItemClick(*doc_), {files[0], dir_->filePath("none.srv")},
                         doc_->Params(), 20.0));
    QCOMPARE(messages_->Single().Text,
             ("Ошибка при импорте из " + dir_->filePath("none.srv") + "\nФункция прервана")
                 .toStdString());
}

void ChartWindowsTest::ComparisonCheckListAndAxes() {
    TCompDlgForm dlg;
    QVERIFY(dlg.Load(*CompChartItemClick(*doc_), {WriteFile("a.srv", 100)}, doc_->Params(), 20.0));
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QChart* flowChart = dlg.FlowChart()->chart();
    QVERIFY(ShowsData(ValueAxisAt(flowChart, Qt::AlignBottom), 10, 140));

    dlg.LV->item(1)->setCheckState(Qt::Unchecked);
    QVERIFY(!dlg.ErrorSeries(1)->isVisible() && !dlg.FlowSeries(1)->isVisible());
    QVERIFY(ShowsData(ValueAxisAt(flowChart, Qt::AlignBottom), 10, 30)); // fitted to what is shown
    dlg.LV->item(1)->setCheckState(Qt::Checked);
    QVERIFY(dlg.ErrorSeries(1)->isVisible() && dlg.FlowSeries(1)->isVisible());
    dlg.LV->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(dlg.LV->item(0)->checkState(), Qt::Checked);
    QVERIFY(dlg.ErrorSeries(0)->isVisible());

    ClickCheckBox(dlg.AutoCheckBox[2]);
    TypeAndEnter(dlg.MaxEdit[2], "2");
    QValueAxis* error = ValueAxisAt(dlg.ErrorChart()->chart(), Qt::AlignLeft);
    QCOMPARE(error->min(), -2.0);
    QCOMPARE(error->max(), 2.0);
    TypeAndEnter(dlg.MaxEdit[2], "x");
    QCOMPARE(dlg.MaxEdit[2]->text(), QString());
    QVERIFY(dlg.MaxEdit[2]->hasFocus());
    QVERIFY(messages_->Empty());
    TypeAndEnter(dlg.GridEdit[2], "3");
    QCOMPARE(messages_->Single(), (RecordedMessage{MessageKind::Error, kBadValue}));
    TypeAndEnter(dlg.GridEdit[2], "4");
    QCOMPARE(error->tickInterval(), 1.0); // GridIncrement(4, 4)

    ClickCheckBox(dlg.LogCheckBox[0]);
    QVERIFY(qobject_cast<QLogValueAxis*>(AxisAt(dlg.ErrorChart()->chart(), Qt::AlignBottom)));
    QVERIFY(qobject_cast<QLogValueAxis*>(AxisAt(flowChart, Qt::AlignLeft)));

    dlg.Tabs->setCurrentIndex(1);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir_->filePath("compare.pdf"));
    QVERIFY(PrintChart(dlg.FlowChart(), printer));
    QVERIFY(PdfText(printer.outputFileName()).contains(QStringLiteral("Частота, Гц")));
}

void ChartWindowsTest::TheMainWindowOpensTheWindows() {
    TCalibrN3Form form;
    for (const char* name : {"GraphBtn", "ReportBtn"})
        QVERIFY2(form.findChild<QPushButton*>(name)->isEnabled(), name);
    QAction* compare = form.findChild<QAction*>("CompChartItem");
    QVERIFY(compare->isEnabled());

    form.Document().CalibrationList().Add(Point(10, 1, 0));
    form.Document().Params().LineCount = 0;
    form.findChild<QPushButton*>("GraphBtn")->click();
    compare->trigger();
    QCOMPARE(messages_->Texts(),
             (std::vector<std::string>{"Перед построение графиков надо выполнить аппроксимацию",
                                       "Перед построением графиков надо выполнить аппроксимацию"}));
}

QTEST_MAIN(ChartWindowsTest)
#include "ChartWindowsTest.moc"
