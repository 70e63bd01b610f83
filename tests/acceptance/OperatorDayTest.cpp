// The operator's day at the test rig, through the real program: the main
// window with its exchange thread (on the test clock, so no power-up or poll
// takes its real time), the ЛГМ meter, the rig controller and a ГКМС meter
// simulated by lgmsim behind COM1, COM2 and COM3, the file dialogs answered by the test and both
// reports written as PDF by the renderer of the print preview.
//
// One scenario in the order of a working day. Every step checks the values it
// produced before the next step builds on them, and the day stops at the
// first step that fails.

#include "document/tests/WidgetDriver.h"
#include "files/tests/ModalDriver.h"

#include "SimProcess.h"
#include "XTestClock.h"
#include "approx/StdSectDlg.h"
#include "charts/ReportPreview.h"
#include "document/CalibrN3Unit.h"
#include "document/testing/MessageRecorder.h"
#include "exchange/TunePortUnit.h"
#include "files/FileMenu.h"
#include "files/ProgramFiles.h"
#include "files/SelTxtExpDlg.h"

#include "ZorComLgm.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace {

constexpr int kWait = 10000; // ms for an exchange or a rig run (each takes far less)

// lgmsim's devices: the meter (version 2) on COM1, the rig on COM2 and a
// ГКМС meter of mode 2 on COM3. The rig's meter under test gives
// f = (Q - 0.01) / 0.02 Hz without spread; its reference channel gives 10
// pulses per litre, which is also what a meter's pulse output gives at the
// price 0,0001 m³ (N2 of the verification). The rig runs 1000 times faster
// than real time.
constexpr size_t kMeterDevice = 0;
constexpr size_t kRigDevice = 1;
constexpr size_t kGkmsDevice = 2;
constexpr int kMeterPort = 0;
constexpr int kRigPort = 1;
constexpr int kGkmsPort = 2;
constexpr double kSlope = 0.02;
constexpr double kIntercept = 0.01;
constexpr double kLitresPerPulse = 0.1;

// Du 25: its standard flow sequence is 0.15, 0.3, 0.5, 1.0, 7.5, 11.0 and
// 15.0 m³/h. The day's runs: one at each, and a second one near 7.5 that
// falls into the same section, so eight runs form the seven sections.
constexpr int32_t kDu = 2;
constexpr std::array<double, 8> kCalibrationFlows = {0.15, 0.3, 0.5, 1.0, 7.5, 7.6, 11.0, 15.0};
constexpr std::array<double, 3> kVerificationFlows = {2.0, 5.0, 13.0};
// Runs of 200 s: 1400 pulses at the lowest flow, so the frequency is good to
// 0.1 %.
constexpr double kRunSeconds = 200.0;
// The partition defined for Du 25: h 3 %, δ 0.5 %, Tприв 20 °C, and the fourth
// break dragged one section on, so the lines are Q1–Q2, Q2–Q3, Q3–Q4, Q4–Q6
// and Q6–Q7.
constexpr std::array<int32_t, 4> kBreaks = {1, 2, 3, 5};

constexpr const char* kWritten = "Данные переданы успешно";
constexpr const char* kRead = "Данные считаны успешно";
constexpr const char* kSaved = "Данные сохранены";
constexpr const char* kOpened = "Данные импортированы успешно";

bool Near(double value, double expected, double tolerance) {
    return std::fabs(value - expected) <= tolerance;
}

#define VERIFY_NEAR(value, expected, tolerance)                                                    \
    QVERIFY2(Near((value), (expected), (tolerance)),                                               \
             qPrintable(QStringLiteral("%1 = %2, expected %3 ± %4")                                \
                            .arg(#value)                                                           \
                            .arg((value), 0, 'g', 12)                                              \
                            .arg((expected), 0, 'g', 12)                                           \
                            .arg((tolerance), 0, 'g', 3)))

template <class T> T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromUtf8(name));
    if (child == nullptr)
        qFatal("no control %s", name);
    return child;
}

QString Number(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// The text pdftotext reads from a PDF file, with every run of white space
// made one space, so a table row reads as its cells in order.
QString PdfText(const QString& path) {
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, "-"});
    if (!pdftotext.waitForFinished(20000))
        return QStringLiteral("(pdftotext failed)");
    return QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
}

// Where the records of list differ from records, field by field; empty when
// they hold the same values.
QString Difference(const TZorDataList& list, const std::vector<MeasurementRecord>& records) {
    if (list.Count() != records.size())
        return QStringLiteral("%1 records instead of %2").arg(list.Count()).arg(records.size());
    struct Real {
        const char* name;
        double MeasurementRecord::*field;
    };
    static const Real kReals[] = {{"EtalonMass", &MeasurementRecord::EtalonMass},
                                  {"Temperature", &MeasurementRecord::Temperature},
                                  {"EtalonVolume", &MeasurementRecord::EtalonVolume},
                                  {"EtalonTime", &MeasurementRecord::EtalonTime},
                                  {"MeasuredTime", &MeasurementRecord::MeasuredTime},
                                  {"EtalonFlow", &MeasurementRecord::EtalonFlow},
                                  {"MeasuredFrequency", &MeasurementRecord::MeasuredFrequency},
                                  {"SectionFrequency", &MeasurementRecord::SectionFrequency},
                                  {"SectionFlow", &MeasurementRecord::SectionFlow},
                                  {"FlowDeviation", &MeasurementRecord::FlowDeviation},
                                  {"MeasuredFlow", &MeasurementRecord::MeasuredFlow},
                                  {"ComparedVolume", &MeasurementRecord::ComparedVolume},
                                  {"VolumeDeviation", &MeasurementRecord::VolumeDeviation},
                                  {"LineA", &MeasurementRecord::LineA},
                                  {"LineB", &MeasurementRecord::LineB}};
    struct Whole {
        const char* name;
        int32_t MeasurementRecord::*field;
    };
    static const Whole kWholes[] = {{"MeasuredPulses", &MeasurementRecord::MeasuredPulses},
                                    {"ComparedPulses", &MeasurementRecord::ComparedPulses},
                                    {"Section", &MeasurementRecord::Section},
                                    {"Line", &MeasurementRecord::Line}};
    QStringList differences;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        const MeasurementRecord& read = *list.Item(i);
        const MeasurementRecord& kept = records[i];
        for (const Real& real : kReals)
            if (std::memcmp(&(read.*real.field), &(kept.*real.field), sizeof(double)) != 0)
                differences << QStringLiteral("record %1: %2 %3 instead of %4")
                                   .arg(i)
                                   .arg(real.name)
                                   .arg(read.*real.field, 0, 'g', 17)
                                   .arg(kept.*real.field, 0, 'g', 17);
        for (const Whole& whole : kWholes)
            if (read.*whole.field != kept.*whole.field)
                differences << QStringLiteral("record %1: %2 %3 instead of %4")
                                   .arg(i)
                                   .arg(whole.name)
                                   .arg(read.*whole.field)
                                   .arg(kept.*whole.field);
        // A record read from a file keeps its list's tag in the top byte.
        constexpr uint32_t kRecordFlags = ~RecordFlag::ListTagMask;
        if ((read.Flags & kRecordFlags) != (kept.Flags & kRecordFlags) ||
            read.Reserved != kept.Reserved)
            differences << QStringLiteral("record %1: Flags %2, Reserved %3 instead of %4, %5")
                               .arg(i)
                               .arg(read.Flags, 0, 16)
                               .arg(read.Reserved)
                               .arg(kept.Flags, 0, 16)
                               .arg(kept.Reserved);
    }
    return differences.join('\n');
}

// The file dialogs, answering with what the step put in.
class ScriptedDialogs final : public FileDialogs {
public:
    QString OpenFileName(QWidget*) override { return std::exchange(Open, QString()); }
    SaveTarget SaveFileName(QWidget*) override { return std::exchange(Save, SaveTarget{}); }

    QString Open;
    SaveTarget Save;
};

} // namespace

class OperatorDayTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void ADayOfCalibrationAndVerification();

private:
    // --- The day's steps, in order ---------------------------------------------
    void ChooseTheMeter();
    void DefineTheStandardPartition();
    void CalibrateAtTheRig();
    void Approximate();
    void WriteTheMeter();
    void ReadTheMeterBack();
    void VerifyAtTheRig();
    void PrintBothReports();
    void SaveAndReopenTheFile();
    void ExportAndImportForMathCad();
    void CalibrateAGkmsMeter();
    void EndTheDay();

    // --- Helpers ------------------------------------------------------------------
    template <class T> T* Find(const char* name) const { return Child<T>(form_.get(), name); }
    CalibrationDocument& Doc() const { return form_->Document(); }
    QString Path(const char* name) const { return folder_->filePath(QString::fromUtf8(name)); }
    // "Настройки COM-порта..." with port (0 = COM1) chosen and applied.
    void ChoosePort(int port);
    // "Ввод с МН-4.6" in time mode with runs of kRunSeconds.
    void OpenTheRig();
    // One run at flow: started, left to end by itself and taken with the
    // reference volume of the flow and 20 °C. Checks the record it made.
    void TakeRun(double flow);
    // "Отчет" in the current mode, saved from the preview as path.
    void SaveReport(const QString& path);
    // What the simulated meter holds now.
    MeterParams StoredParams();
    ApproxDataList StoredJournal();

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<lgmsim::SimProcess> sim_;
    std::unique_ptr<MessageRecorder> messages_;
    ScriptedDialogs dialogs_;
    std::shared_ptr<XTestClock> clock_;
    std::unique_ptr<TCalibrN3Form> form_;

    // What the approximation made, for the later steps to compare with.
    MeterParams approximated_{};
    ApproxDataList sections_;
};

void OperatorDayTest::initTestCase() {
    // The devices' time-outs halved (the meter's 6 s become 3 s): a device
    // that fails the day fails it sooner, with room left for a loaded machine.
    qputenv("ZORCOM_TIME_SCALE", "0.5");
}

void OperatorDayTest::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    SetProgramFilesFolder(folder_->path());
    sim_ = std::make_unique<lgmsim::SimProcess>(std::vector<std::string>{
        "lgm,version=2", "bklt,speed=1000,slope=0.02,intercept=0.01,noise=0,ref-k=10",
        "gkms,mode=2"});
    sim_->bindComPort(kMeterPort, kMeterDevice);
    sim_->bindComPort(kRigPort, kRigDevice);
    sim_->bindComPort(kGkmsPort, kGkmsDevice);
    messages_ = std::make_unique<MessageRecorder>();
    InstallFileDialogs(&dialogs_);
    clock_ = std::make_shared<XTestClock>();
    form_ = std::make_unique<TCalibrN3Form>(CommandLineOptions{}, nullptr, clock_);
    form_->show();
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void OperatorDayTest::cleanup() {
    form_.reset();
    InstallFileDialogs(nullptr);
    messages_.reset();
    sim_.reset();
    SetProgramFilesFolder(QString());
    folder_.reset();
}

void OperatorDayTest::ADayOfCalibrationAndVerification() {
    using Step = void (OperatorDayTest::*)();
    static const std::pair<const char*, Step> kDay[] = {
        {"ChooseTheMeter", &OperatorDayTest::ChooseTheMeter},
        {"DefineTheStandardPartition", &OperatorDayTest::DefineTheStandardPartition},
        {"CalibrateAtTheRig", &OperatorDayTest::CalibrateAtTheRig},
        {"Approximate", &OperatorDayTest::Approximate},
        {"WriteTheMeter", &OperatorDayTest::WriteTheMeter},
        {"ReadTheMeterBack", &OperatorDayTest::ReadTheMeterBack},
        {"VerifyAtTheRig", &OperatorDayTest::VerifyAtTheRig},
        {"PrintBothReports", &OperatorDayTest::PrintBothReports},
        {"SaveAndReopenTheFile", &OperatorDayTest::SaveAndReopenTheFile},
        {"ExportAndImportForMathCad", &OperatorDayTest::ExportAndImportForMathCad},
        {"CalibrateAGkmsMeter", &OperatorDayTest::CalibrateAGkmsMeter},
        {"EndTheDay", &OperatorDayTest::EndTheDay}};
    for (const auto& [name, step] : kDay) {
        (this->*step)();
        // A step ends with nothing left to say: each checks and clears its
        // own messages.
        if (!QTest::currentTestFailed())
            QCOMPARE(messages_->Texts(), std::vector<std::string>{});
        if (QTest::currentTestFailed()) {
            // What the program said on the way helps to tell why.
            for (const RecordedMessage& message : messages_->Messages())
                qInfo("message: %s", message.Text.c_str());
            qInfo("the day stopped at %s", name);
            return;
        }
    }
}

// --- Helpers --------------------------------------------------------------------------

void OperatorDayTest::ChoosePort(int port) {
    bool driven = false;
    WhenShown<TTunePortDlg>(&driven, [port](TTunePortDlg* dialog) {
        ChooseComboItem(Child<QComboBox>(dialog, "PortCombo"),
                        QStringLiteral("COM%1").arg(port + 1));
        QTest::mouseClick(Child<QPushButton>(dialog, "ApplyBtn"), Qt::LeftButton);
    });
    Find<QAction>("ServicePortItem")->trigger();
    QVERIFY(driven);
    QVERIFY2(form_->windowTitle().contains(QStringLiteral("порт: COM%1").arg(port + 1)),
             qPrintable(form_->windowTitle()));
    QCOMPARE(Doc().PortIndex(), port);
}

void OperatorDayTest::OpenTheRig() {
    Find<QAction>("GetBkltItem")->trigger();
    auto* rig = Find<QDialog>("TBkltDlg");
    QVERIFY(rig->isVisible());
    QVERIFY(form_->windowTitle().contains(QStringLiteral("ввод с БКЛТ")));
    QCOMPARE(Child<QComboBox>(rig, "ModeCombo")->currentText(),
             QStringLiteral("Остановка по времени"));
    TypeAndEnter(Child<QLineEdit>(rig, "ArgumEdit"), Number(kRunSeconds, 0));
    QCOMPARE(Child<QLineEdit>(rig, "ArgumEdit")->text(), Number(kRunSeconds, 0));
}

void OperatorDayTest::TakeRun(double flow) {
    auto* rig = Find<QDialog>("TBkltDlg");
    auto* apply = Child<QPushButton>(rig, "ApplyBtn");
    sim_->deviceCommand(kRigDevice, "flow " + std::to_string(flow));
    QTest::mouseClick(Child<QPushButton>(rig, "GoBtn"), Qt::LeftButton);
    QVERIFY(!apply->isEnabled());
    QVERIFY(Child<QPushButton>(rig, "StopBtn")->isEnabled());
    // The rig ends the run by itself; the window stops it and may take it.
    QTRY_VERIFY_WITH_TIMEOUT(apply->isEnabled(), kWait);

    const double tq = Child<QLabel>(rig, "TqStatic")->text().toDouble();
    QCOMPARE(tq, kRunSeconds);
    const int n1 = Child<QLabel>(rig, "N1Static")->text().toInt();
    const int n2 = Child<QLabel>(rig, "N2Static")->text().toInt();
    const double frequency = (flow - kIntercept) / kSlope;
    QVERIFY2(std::abs(n1 - frequency * kRunSeconds) <= 2, qPrintable(QString::number(n1)));
    const double litres = flow * kRunSeconds / 3.6;
    QVERIFY2(std::abs(n2 * kLitresPerPulse - litres) <= 2 * kLitresPerPulse,
             qPrintable(QString::number(n2)));

    // The reference volume read off the standard, the water temperature.
    auto* volume = Child<QLineEdit>(rig, "VolEdit");
    volume->setText(Number(litres, 6));
    Child<QLineEdit>(rig, "TempEdit")->setText(QStringLiteral("20.0"));
    TZorDataList& list = Doc().CurrentList();
    const uint32_t before = list.Count();
    QTest::mouseClick(apply, Qt::LeftButton);
    QCOMPARE(messages_->Texts(), std::vector<std::string>{});
    QCOMPARE(list.Count(), before + 1);
    QCOMPARE(Find<QTableView>("MainTbl")->model()->rowCount(), static_cast<int>(list.Count()));

    const MeasurementRecord& r = *list.Item(before);
    QCOMPARE(r.EtalonTime, tq);
    QCOMPARE(r.EtalonVolume, Number(litres, 6).toDouble());
    QCOMPARE(r.Temperature, 20.0);
    VERIFY_NEAR(r.EtalonFlow, flow, 1e-6 * flow);
    QCOMPARE(r.MeasuredPulses, n1);
    QCOMPARE(r.MeasuredFrequency, (n1 - 1) / tq);
    VERIFY_NEAR(r.MeasuredFrequency, frequency, 2e-3 * frequency);
    const bool verification = Doc().Settings().Mode == WorkMode::Verification;
    QCOMPARE(r.ComparedPulses, verification ? n2 : 0);
    QCOMPARE(r.ComparedVolume, verification ? n2 * kLitresPerPulse : 0.0);
}

void OperatorDayTest::SaveReport(const QString& path) {
    bool driven = false;
    WhenShown<TReportPreview>(&driven, [path](TReportPreview* preview) {
        QVERIFY(preview->SavePdf(path));
        preview->accept();
    });
    QTest::mouseClick(Find<QPushButton>("ReportBtn"), Qt::LeftButton);
    QVERIFY(driven);
    QVERIFY(QFile::exists(path));
}

MeterParams OperatorDayTest::StoredParams() {
    const std::vector<uint8_t> block = FromHex(sim_->deviceCommand(kMeterDevice, "params"));
    MeterParams params{};
    if (block.size() != 44 || ZorComLgmExtractParameters(2, block.data(), &params) != 0)
        qWarning("the meter's parameter block does not decode");
    return params;
}

ApproxDataList OperatorDayTest::StoredJournal() {
    // The version-2 table: the 30-byte journal after its first byte.
    const std::vector<uint8_t> table = FromHex(sim_->deviceCommand(kMeterDevice, "table"));
    ApproxDataList journal;
    if (table.size() != 31 ||
        ZorComLgmExtractJournal(table.data() + 1, kDu, journal.Items.data(), &journal.Count) != 0)
        qWarning("the meter's journal does not decode");
    return journal;
}

// --- The day ----------------------------------------------------------------------------

void OperatorDayTest::ChooseTheMeter() {
    ChooseComboItem(Find<QComboBox>("TypeCombo"), QStringLiteral("ЛГМ-ЧИ1.xx-xxx"));
    ChooseComboItem(Find<QComboBox>("TypeCombo"), QStringLiteral("ЛГМ-ЧИ2.xx-xxx"));
    ChooseComboItem(Find<QComboBox>("DuCombo"), QStringLiteral("25"));
    auto* serial = Find<QLineEdit>("SerNoEdit");
    serial->setFocus();
    serial->selectAll();
    QTest::keyClicks(serial, QStringLiteral("12345"));
    Find<QLineEdit>("TauEdit")->setFocus(); // leaving the edit commits it
    QCOMPARE(serial->text(), QStringLiteral("00012345"));

    const MeterSettings& settings = Doc().Settings();
    QCOMPARE(QString::fromUtf8(MeterTypeOf(settings.DevType).Name),
             QStringLiteral("ЛГМ-ЧИ2.xx-xxx"));
    QCOMPARE(settings.DuIndex, kDu);
    QCOMPARE(settings.SerNo, int64_t{12345});
    QCOMPARE(settings.OutputType, int32_t{OutputKind::Pulse});
    QCOMPARE(PriceOf(settings), 0.0001);
    QCOMPARE(Find<QComboBox>("ApproxMethodCombo")->currentText(), QStringLiteral("Стандартный"));
}

void OperatorDayTest::DefineTheStandardPartition() {
    QVERIFY(!Doc().StdSects()[kDu].IsDefined());
    bool driven = false;
    WhenShown<TStdSectDlg>(&driven, [](TStdSectDlg* window) {
        ChooseComboItem(Child<QComboBox>(window, "DuCombo"), QStringLiteral("25"));
        auto* h = Child<QLineEdit>(window, "HMaxEdit");
        auto* delta = Child<QLineEdit>(window, "DeltaMaxEdit");
        auto* tpriv = Child<QLineEdit>(window, "TprivEdit");
        QCOMPARE(h->text(), QString());
        h->setText(QStringLiteral("3"));
        delta->setText(QStringLiteral("0,5"));
        tpriv->setText(QStringLiteral("20"));
        // The fourth break (column Q5) dragged one section on.
        auto* grid = Child<StdSectGrid>(window, "LinesGrid");
        const auto at = [grid](int column) { return grid->CellRect(column, 1).center(); };
        QTest::mousePress(grid, Qt::LeftButton, {}, at(5));
        QTest::mouseMove(grid, at(6));
        QTest::mouseRelease(grid, Qt::LeftButton, {}, at(6));
        QTest::mouseClick(Child<QPushButton>(window, "ChangeBitBtn"), Qt::LeftButton);
        QCOMPARE(h->text(), QStringLiteral("3.00"));
        QCOMPARE(delta->text(), QStringLiteral("0.50"));
        QCOMPARE(tpriv->text(), QStringLiteral("20.00"));
        QTest::mouseClick(Child<QPushButton>(window, "CloseBtn"), Qt::LeftButton);
    });
    Find<QAction>("StdSectionItem")->trigger();
    QVERIFY(driven);

    const StdSect& entry = Doc().StdSects()[kDu];
    QVERIFY(entry.IsDefined());
    QCOMPARE(entry.SpreadLimit, 0.03);
    QCOMPARE(entry.ErrorLimit, 0.005);
    QCOMPARE(entry.Tpriv, 20.0);
    QCOMPARE(entry.Breaks, kBreaks);
}

void OperatorDayTest::CalibrateAtTheRig() {
    ChoosePort(kRigPort);
    OpenTheRig();
    for (double flow : kCalibrationFlows) {
        TakeRun(flow);
        if (QTest::currentTestFailed())
            return;
    }
    QTest::mouseClick(Find<QPushButton>("ReadyBtn"), Qt::LeftButton);
    QVERIFY(!Find<QDialog>("TBkltDlg")->isVisible());
    QVERIFY(Doc().TableEditable());
    QCOMPARE(Doc().CalibrationList().Count(), uint32_t{kCalibrationFlows.size()});
}

void OperatorDayTest::Approximate() {
    QTest::mouseClick(Find<QPushButton>("ApproxBtn"), Qt::LeftButton);
    // The partition's limits are the window's now.
    QCOMPARE(Find<QLineEdit>("DeviationEdit")->text(), QStringLiteral("3.00"));
    QCOMPARE(Find<QLineEdit>("ErrEdit")->text(), QStringLiteral("0.50"));
    QCOMPARE(Find<QLineEdit>("TempEdit")->text(), QStringLiteral("20.0"));

    // Seven sections on the standard sequence; the two runs near 7.5 share one.
    const ApproxDataList& sections = Doc().ApproxData();
    QCOMPARE(sections.Count, 7u);
    for (uint32_t s = 0; s < 7; ++s) {
        const double expected = s == 4 ? (7.5 + 7.6) / 2 : ZorComLgmSeqItem(kDu, s);
        VERIFY_NEAR(sections.Items[s].Q, expected, 1e-6 * expected);
        VERIFY_NEAR(sections.Items[s].F, (expected - kIntercept) / kSlope,
                    2e-3 * expected / kSlope);
    }

    // Five lines breaking at the partition's sections, each the rig's meter.
    const MeterParams& lines = Doc().Params();
    QCOMPARE(lines.LineCount, 5u);
    for (uint32_t i = 0; i < 5; ++i) {
        VERIFY_NEAR(lines.A[i], kSlope, 2e-3 * kSlope);
        VERIFY_NEAR(lines.B[i], kIntercept, 2e-3);
    }
    for (uint32_t i = 0; i < 4; ++i)
        QCOMPARE(lines.Fmax[i], sections.Items[kBreaks[i]].F);
    QCOMPARE(lines.Fmax[4], 1e200);

    // Every run is within the error limit, in frequency order, the first run
    // of each break section marked.
    const TZorDataList& list = Doc().CalibrationList();
    for (uint32_t i = 0; i < list.Count(); ++i) {
        const MeasurementRecord& r = *list.Item(i);
        VERIFY_NEAR(r.FlowDeviation, 0.0, 0.002);
        QCOMPARE(r.Line, static_cast<int32_t>(std::upper_bound(lines.Fmax, lines.Fmax + 4,
                                                               r.MeasuredFrequency - 1e-9) -
                                              lines.Fmax));
        if (i > 0)
            QVERIFY(r.MeasuredFrequency >= list.Item(i - 1)->MeasuredFrequency);
        const bool firstOfSection = i == 0 || list.Item(i - 1)->Section != r.Section;
        const bool breakSection =
            std::find(kBreaks.begin(), kBreaks.end(), r.Section) != kBreaks.end();
        QCOMPARE(r.IsLinePoint(), firstOfSection && breakSection);
    }

    // The window shows the lines: the start frequency, A and B of each.
    auto* table = Find<QTableView>("ApproxTbl");
    QCOMPARE(table->model()->rowCount(), 5);
    QCOMPARE(CellText(table, 2, 1), Number(lines.Fmax[1], 3));
    QCOMPARE(CellText(table, 2, 2), Number(lines.A[2], 6));
    QCOMPARE(CellText(table, 4, 3), Number(lines.B[4], 6));
    QCOMPARE(Find<QTableView>("DiapTbl")->model()->rowCount(), 7);

    approximated_ = lines;
    sections_ = sections;
}

void OperatorDayTest::WriteTheMeter() {
    ChoosePort(kMeterPort);
    messages_->Answer({true});
    QTest::mouseClick(Find<QPushButton>("WrParamBtn"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(messages_->Messages().size(), size_t{2}, kWait);
    QCOMPARE(messages_->Texts(),
             (std::vector<std::string>{"В списке данных аппроксимации более 6 записей. "
                                       "Продолжить и записать в прибор только первые 6 записей?",
                                       kWritten}));
    messages_->Clear();

    // The meter holds the lines and the first six sections, to the
    // resolution of its words.
    const MeterParams stored = StoredParams();
    QCOMPARE(stored.LineCount, 5u);
    QCOMPARE(stored.DuIndex, static_cast<uint32_t>(kDu));
    QCOMPARE(stored.WeightCode, 1u); // 0,0001 m³ at Du 25
    for (uint32_t i = 0; i < 5; ++i) {
        VERIFY_NEAR(stored.A[i], approximated_.A[i], 1e-3 * approximated_.A[i]);
        VERIFY_NEAR(stored.B[i], approximated_.B[i], 1e-4);
    }
    for (uint32_t i = 0; i < 4; ++i)
        VERIFY_NEAR(stored.Fmax[i], approximated_.Fmax[i], 1e-2 * approximated_.Fmax[i]);
    const ApproxDataList journal = StoredJournal();
    QCOMPARE(journal.Count, 6u);
    for (uint32_t s = 0; s < 6; ++s) {
        VERIFY_NEAR(journal.Items[s].Q, sections_.Items[s].Q, 1e-4);
        VERIFY_NEAR(journal.Items[s].F, sections_.Items[s].F, 1e-4);
    }
}

void OperatorDayTest::ReadTheMeterBack() {
    // Another Du in the window first: the meter's must come back.
    ChooseComboItem(Find<QComboBox>("DuCombo"), QStringLiteral("20"));
    QCOMPARE(Doc().Settings().DuIndex, 1);
    QTest::mouseClick(Find<QPushButton>("RdParamBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!messages_->Empty(), kWait);
    QTest::qWait(100); // parameters and data list read: one message, no later one
    QCOMPARE(messages_->Texts(), std::vector<std::string>{kRead});
    messages_->Clear();

    // The window has exactly what the meter holds, which is the
    // approximation to the meter's resolution.
    const MeterParams stored = StoredParams();
    const MeterParams& read = Doc().Params();
    QCOMPARE(Doc().Settings().DuIndex, kDu);
    QCOMPARE(Find<QComboBox>("DuCombo")->currentText(), QStringLiteral("25"));
    QCOMPARE(PriceOf(Doc().Settings()), 0.0001);
    QCOMPARE(read.LineCount, 5u);
    for (uint32_t i = 0; i < 5; ++i) {
        QCOMPARE(read.A[i], stored.A[i]);
        QCOMPARE(read.B[i], stored.B[i]);
        VERIFY_NEAR(read.A[i], approximated_.A[i], 1e-3 * approximated_.A[i]);
        VERIFY_NEAR(read.B[i], approximated_.B[i], 1e-4);
    }
    for (uint32_t i = 0; i < 4; ++i) {
        QCOMPARE(read.Fmax[i], stored.Fmax[i]);
        VERIFY_NEAR(read.Fmax[i], approximated_.Fmax[i], 1e-2 * approximated_.Fmax[i]);
    }
    QCOMPARE(read.Fmax[4], 1e200);
    const ApproxDataList& journal = Doc().ApproxData();
    QCOMPARE(journal.Count, 6u);
    for (uint32_t s = 0; s < 6; ++s) {
        VERIFY_NEAR(journal.Items[s].Q, sections_.Items[s].Q, 1e-4);
        VERIFY_NEAR(journal.Items[s].F, sections_.Items[s].F, 1e-4);
    }
    // The runs are recomputed with the characteristic read: still in limits.
    for (const MeasurementRecord& r : Doc().CalibrationList().Records())
        VERIFY_NEAR(r.FlowDeviation, 0.0, 0.002);
}

void OperatorDayTest::VerifyAtTheRig() {
    Find<QAction>("ModeTestItem")->trigger();
    QCOMPARE(Doc().Settings().Mode, int32_t{WorkMode::Verification});
    QVERIFY(form_->windowTitle().startsWith(QStringLiteral("поверка")));
    QVERIFY(!Find<QPushButton>("ApproxBtn")->isEnabled());
    // The empty verification list: the grid's one empty row.
    QCOMPARE(Doc().VerificationList().Count(), 0u);
    QCOMPARE(Find<QTableView>("MainTbl")->model()->rowCount(), 1);

    ChoosePort(kRigPort);
    OpenTheRig();
    for (double flow : kVerificationFlows) {
        TakeRun(flow);
        if (QTest::currentTestFailed())
            return;
    }
    QTest::mouseClick(Find<QPushButton>("ReadyBtn"), Qt::LeftButton);

    // The meter's characteristic holds between the sections, and its pulse
    // output counts the volume.
    QCOMPARE(Doc().VerificationList().Count(), uint32_t{kVerificationFlows.size()});
    QCOMPARE(Doc().CalibrationList().Count(), uint32_t{kCalibrationFlows.size()});
    for (const MeasurementRecord& r : Doc().VerificationList().Records()) {
        VERIFY_NEAR(r.FlowDeviation, 0.0, 0.002);
        VERIFY_NEAR(r.VolumeDeviation, 0.0, 1.5 / r.ComparedPulses);
    }
}

void OperatorDayTest::PrintBothReports() {
    const QString verification = Path("verification.pdf");
    SaveReport(verification);
    QString text = PdfText(verification);
    QVERIFY2(text.contains(QStringLiteral("ПРОТОКОЛ ПОВЕРКИ")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Заводской номер: 00012345")));
    QVERIFY(text.contains(QStringLiteral("Тип прибора: ЛГМ-ЧИ2.xx-xxx")));
    QVERIFY(text.contains(QStringLiteral("Ду: 25 мм")));
    QVERIFY(text.contains(QStringLiteral("Число измерений: 3")));
    for (const MeasurementRecord& r : Doc().VerificationList().Records()) {
        const QString row =
            QStringList{Number(r.EtalonMass, 3),         Number(r.EtalonVolume, 3),
                        Number(r.Temperature, 1),        Number(r.EtalonTime, 3),
                        Number(r.EtalonFlow, 5),         QString::number(r.ComparedPulses),
                        Number(r.ComparedVolume, 3),     Number(r.VolumeDeviation * 100, 2),
                        Number(r.MeasuredFrequency, 4),  Number(r.MeasuredFlow, 5),
                        Number(r.FlowDeviation * 100, 2)}
                .join(' ');
        QVERIFY2(text.contains(row), qPrintable(row + "\n" + text));
    }
    const MeterParams& lines = Doc().Params();
    for (uint32_t i = 0; i < 4; ++i) {
        const QString row = QStringList{QString::number(i + 1), Number(lines.A[i], 6),
                                        Number(lines.B[i], 6), Number(lines.Fmax[i], 3)}
                                .join(' ');
        QVERIFY2(text.contains(row), qPrintable(row + "\n" + text));
    }

    Find<QAction>("ModeGradItem")->trigger();
    const QString calibration = Path("calibration.pdf");
    SaveReport(calibration);
    text = PdfText(calibration);
    QVERIFY2(text.contains(QStringLiteral("ПРОТОКОЛ ГРАДУИРОВКИ")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("Режим аппроксимации: Стандартный")));
    QVERIFY(text.contains(QStringLiteral("Число измерений: 8")));
    QVERIFY(text.contains(QStringLiteral("Страница 1 из 1")));
    for (const MeasurementRecord& r : Doc().CalibrationList().Records()) {
        const QString row =
            QStringList{QString::number(r.Section + 1), QString::number(r.Line + 1),
                        Number(r.EtalonMass, 3),        Number(r.EtalonVolume, 3),
                        Number(r.Temperature, 1),       Number(r.EtalonTime, 3),
                        Number(r.EtalonFlow, 5),        QString::number(r.MeasuredPulses),
                        Number(r.MeasuredTime, 3),      Number(r.MeasuredFrequency, 4),
                        Number(r.MeasuredFlow, 5),      Number(r.FlowDeviation * 100, 2)}
                .join(' ');
        QVERIFY2(text.contains(row), qPrintable(row + "\n" + text));
    }
}

void OperatorDayTest::SaveAndReopenTheFile() {
    const std::vector<MeasurementRecord> calibration(Doc().CalibrationList().Records().begin(),
                                                     Doc().CalibrationList().Records().end());
    const std::vector<MeasurementRecord> verification(Doc().VerificationList().Records().begin(),
                                                      Doc().VerificationList().Records().end());
    const MeterSettings settings = Doc().Settings();
    const MeterParams lines = Doc().Params();

    dialogs_.Save = {Path("day"), kSaveFilterCalibration};
    Find<QAction>("FileSaveAsItem")->trigger();
    QCOMPARE(messages_->Texts(), std::vector<std::string>{kSaved});
    QVERIFY(form_->windowTitle().endsWith(QStringLiteral("файл: day.srv")));
    QCOMPARE(QFileInfo(Path("day.srv")).size(), qint64{640 + 11 * 144});

    // "Новый" empties the calibration; the file brings everything back.
    messages_->Clear();
    messages_->Answer({true});
    Find<QAction>("FileNewItem")->trigger();
    QCOMPARE(Doc().CalibrationList().Count(), 0u);
    QCOMPARE(Doc().Params().LineCount, 0u);
    dialogs_.Open = Path("day.srv");
    Find<QAction>("FileOpenItem")->trigger();
    QCOMPARE(messages_->Texts(), (std::vector<std::string>{"Удалить все измерения?", kOpened}));
    messages_->Clear();

    const QString calibrationDifference = Difference(Doc().CalibrationList(), calibration);
    QVERIFY2(calibrationDifference.isEmpty(), qPrintable(calibrationDifference));
    const QString verificationDifference = Difference(Doc().VerificationList(), verification);
    QVERIFY2(verificationDifference.isEmpty(), qPrintable(verificationDifference));
    // The stored settings come back; the mode, method, source and the
    // meter's flags were never left.
    QVERIFY(Doc().Settings() == settings);
    QCOMPARE(Doc().Params().LineCount, lines.LineCount);
    for (uint32_t i = 0; i < lines.LineCount; ++i) {
        QCOMPARE(Doc().Params().A[i], lines.A[i]);
        QCOMPARE(Doc().Params().B[i], lines.B[i]);
        QCOMPARE(Doc().Params().Fmax[i], lines.Fmax[i]);
    }
    // The sections come from the runs again: all seven.
    QCOMPARE(Doc().ApproxData().Count, 7u);
    for (uint32_t s = 0; s < 7; ++s)
        QCOMPARE(Doc().ApproxData().Items[s].Q, sections_.Items[s].Q);
    QVERIFY(form_->windowTitle().endsWith(QStringLiteral("файл: day.srv")));
    QVERIFY(!Doc().HasUnsavedChanges());
}

void OperatorDayTest::ExportAndImportForMathCad() {
    const std::vector<MeasurementRecord> runs(Doc().CalibrationList().Records().begin(),
                                              Doc().CalibrationList().Records().end());
    bool driven = false;
    WhenShown<TSelTxtExpDlg>(&driven, [](TSelTxtExpDlg* window) {
        auto* list = Child<QListWidget>(window, "DataListBox");
        const QStringList wanted = {
            "T (Температура)", "Vэт (Эталонный объем)", "tq", "N1", "Qэт", "Fизм", "бQ", "A", "B"};
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setCheckState(wanted.contains(list->item(i)->text()) ? Qt::Checked
                                                                                : Qt::Unchecked);
        QTest::mouseClick(Child<QPushButton>(window, "OkBtn"), Qt::LeftButton);
    });
    dialogs_.Save = {Path("day"), kSaveFilterMathCad};
    Find<QAction>("FileSaveAsItem")->trigger();
    QVERIFY(driven);
    QCOMPARE(messages_->Texts(), std::vector<std::string>{kSaved});
    messages_->Clear();
    QFile header(Path("day.hdr"));
    QVERIFY(header.open(QIODevice::ReadOnly));
    QCOMPARE(header.readAll(), QByteArray("T_ V_ tq N1 Q_ F_ dQ A_ B_ "));

    dialogs_.Open = Path("day.txt");
    Find<QAction>("FileOpenItem")->trigger();
    QCOMPARE(messages_->Texts(), std::vector<std::string>{kOpened});
    messages_->Clear();

    // The columns come back to the six decimals of the file; the rest is
    // not in it.
    const TZorDataList& list = Doc().CalibrationList();
    QCOMPARE(list.Count(), uint32_t(runs.size()));
    for (uint32_t i = 0; i < list.Count(); ++i) {
        const MeasurementRecord& read = *list.Item(i);
        const MeasurementRecord& run = runs[i];
        QCOMPARE(read.Temperature, run.Temperature);
        VERIFY_NEAR(read.EtalonVolume, run.EtalonVolume, 5e-7);
        VERIFY_NEAR(read.EtalonTime, run.EtalonTime, 5e-7);
        QCOMPARE(read.MeasuredPulses, run.MeasuredPulses);
        VERIFY_NEAR(read.EtalonFlow, run.EtalonFlow, 5e-7);
        VERIFY_NEAR(read.MeasuredFrequency, run.MeasuredFrequency, 5e-7);
        VERIFY_NEAR(read.FlowDeviation, run.FlowDeviation, 5e-9);
        VERIFY_NEAR(read.LineA, run.LineA, 5e-7);
        VERIFY_NEAR(read.LineB, run.LineB, 5e-7);
        QCOMPARE(read.MeasuredTime, 0.0);
    }
    QCOMPARE(Doc().Params().LineCount, 0u);
    QCOMPARE(Doc().VerificationList().Count(), uint32_t{kVerificationFlows.size()});
}

void OperatorDayTest::CalibrateAGkmsMeter() {
    // The afternoon's meter, a ГКМС of one line, on the same rig: the
    // imported runs go.
    messages_->Answer({true});
    Find<QAction>("FileNewItem")->trigger();
    QCOMPARE(messages_->Texts(), std::vector<std::string>{"Удалить все измерения?"});
    messages_->Clear();
    ChooseComboItem(Find<QComboBox>("TypeCombo"), QStringLiteral("ГКМС-ТИ2"));
    QCOMPARE(Doc().Settings().DuIndex, kDu);
    QCOMPARE(Doc().CalibrationList().Count(), 0u);

    ChoosePort(kRigPort);
    OpenTheRig();
    for (double flow : {2.0, 6.0, 12.0}) {
        TakeRun(flow);
        if (QTest::currentTestFailed())
            return;
    }
    QTest::mouseClick(Find<QPushButton>("ReadyBtn"), Qt::LeftButton);

    // One straight line through the rig's meter.
    QTest::mouseClick(Find<QPushButton>("ApproxBtn"), Qt::LeftButton);
    const MeterParams& line = Doc().Params();
    QCOMPARE(line.LineCount, 1u);
    VERIFY_NEAR(line.A[0], kSlope, 1e-3 * kSlope);
    VERIFY_NEAR(line.B[0], kIntercept, 1e-3);

    // Written in the meter's mode 2: at Du 25 the slope goes doubled, both
    // scaled by 100000.
    ChoosePort(kGkmsPort);
    QTest::mouseClick(Find<QPushButton>("WrParamBtn"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!messages_->Empty(), kWait);
    QCOMPARE(messages_->Texts(), std::vector<std::string>{kWritten});
    messages_->Clear();
    std::map<std::string, std::string> meter = sim_->state(kGkmsDevice);
    QCOMPARE(meter["frames"], std::string("1"));
    QCOMPARE(meter["doubled"], std::string("1"));
    QCOMPARE(std::stoi(meter["a"]), static_cast<int>(2 * line.A[0] * 100000 + 1e-6));
    QCOMPARE(meter["negative"], std::string("0"));
    QCOMPARE(std::stoi(meter["b"]), static_cast<int>(line.B[0] * 100000 + 1e-6));
}

void OperatorDayTest::EndTheDay() {
    // "Выход" over the afternoon's runs asks first.
    messages_->Answer({true});
    Find<QAction>("ExitItem")->trigger();
    QCOMPARE(messages_->Texts(),
             std::vector<std::string>{"Измерения не сохранены. Выйти без сохранения?"});
    messages_->Clear();
    QVERIFY(!form_->isVisible());
    form_.reset();
    QTRY_COMPARE(sim_->state(kMeterDevice)["connected"], std::string("0"));
    QTRY_COMPARE(sim_->state(kRigDevice)["connected"], std::string("0"));
    QTRY_COMPARE(sim_->state(kGkmsDevice)["connected"], std::string("0"));

    // The next morning the partition is still there.
    form_ = std::make_unique<TCalibrN3Form>(CommandLineOptions{}, nullptr, clock_);
    const StdSect& entry = form_->Document().StdSects()[kDu];
    QVERIFY(entry.IsDefined());
    QCOMPARE(entry.SpreadLimit, 0.03);
    QCOMPARE(entry.ErrorLimit, 0.005);
    QCOMPARE(entry.Breaks, kBreaks);
}

QTEST_MAIN(OperatorDayTest)
#include "OperatorDayTest.moc"
