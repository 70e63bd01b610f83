// The exchange windows end to end: the main window, its exchange thread (on
// a virtual clock, so no power-up, poll or output test takes its real time)
// and the simulated ЛГМ meter, rig controller and ГКМС meter of lgmsim
// behind COM1, COM2 and COM3.

#include "document/tests/WidgetDriver.h"

#include "SimProcess.h"
#include "XTestClock.h"
#include "document/CalibrN3Unit.h"
#include "document/MessageBoxSink.h"
#include "document/testing/MessageRecorder.h"
#include "exchange/ExchangeWindows.h"

#include "ZorCommon.h"
#include "ZorLang.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

constexpr int kWait = 10000; // ms for an exchange to end (it takes far less)
constexpr const char* kRead = "Данные считаны успешно";
constexpr const char* kWritten = "Данные переданы успешно";

QString ErrorText(int32_t code) {
    return QString::fromStdString(zor::Cp1251ToUtf8(ZorComDecodeErrorA(code)));
}

RecordedMessage ExchangeError(int32_t code) {
    return {MessageKind::ExchangeError, ErrorText(code).toStdString()};
}

RecordedMessage Info(const std::string& text) {
    return {MessageKind::Info, text};
}

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Runs action on the modal dialog of class T as soon as it is open; the
// caller then opens it (the dialog's own loop runs the action).
template <class T> void OnModal(std::function<void(T*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
        }
    });
    timer->start();
}

template <class T> T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromUtf8(name));
    if (child == nullptr)
        qFatal("no control %s", name);
    return child;
}

// Calibration measurements of three sections (10 Hz per 1 m³/h).
void AddSections(TZorDataList& list) {
    for (double q : {2.0, 5.0, 9.0})
        for (double spread : {1.0, 1.002}) {
            MeasurementRecord r = NewMeasurement();
            r.EtalonFlow = q * spread;
            r.MeasuredFrequency = q * 10.0;
            r.Temperature = 20.0;
            list.Add(r);
        }
}

} // namespace

class ExchangeWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void ThePortDialogShowsTheDeviceBehindEachPort();
    void ReadingAStandardMeterEndsWithOneMessage();
    void WritingAfterAnApproximationStoresItInTheMeter();
    void AOneLineMeterIsWrittenInItsMode();
    void TheSupplyTestShowsTheBatteryBand();
    void AMeterThatDoesNotAnswerIsReported();
    void OneBoxTellsFailuresThatArriveWhileItIsOpen();
    void PrekratitBreaksOffASlowAnswer();
    void ARigRunInTimeModeIsTakenIntoTheList();
    void TheAdaptorIsTunedByHandAndAutomatically();
    void TheThermoSensorIsReadAndCalibrated();
    void TheOutputTestRunsItsCourseAndRestoresTheMeter();
    void TheAboutWindowShowsTheVersion();

private:
    template <class T> T* Find(const char* name) const { return Child<T>(form_.get(), name); }
    CalibrationDocument& Doc() { return form_->Document(); }
    // "Настройки COM-порта..." confirmed with port (0 … 3).
    void ChoosePort(int port);
    QWidget* Progress() const { return Find<QWidget>("TXchgViewDlg"); }
    // Reads the meter on COM1 and waits for the outcome.
    void ReadMeter();
    MeterParams StoredParams();
    uint64_t Received(size_t device) { return std::stoull(sim_->state(device)["received"]); }

    std::unique_ptr<lgmsim::SimProcess> sim_;
    std::unique_ptr<MessageRecorder> messages_;
    std::shared_ptr<XTestClock> clock_;
    std::unique_ptr<TCalibrN3Form> form_;
};

void ExchangeWindowsTest::initTestCase() {
    // The devices' time-outs shortened: the meter's 6 s become 1.2 s.
    qputenv("ZORCOM_TIME_SCALE", "0.2");
}

void ExchangeWindowsTest::init() {
    sim_ = std::make_unique<lgmsim::SimProcess>(std::vector<std::string>{
        "lgm,version=2", "bklt,speed=1000,flow=0.5556,noise=0", "gkms,mode=2"});
    for (int port = 0; port < 3; ++port)
        sim_->bindComPort(port, static_cast<size_t>(port));
    messages_ = std::make_unique<MessageRecorder>();
    clock_ = std::make_shared<XTestClock>();
    form_ = std::make_unique<TCalibrN3Form>(CommandLineOptions{}, nullptr, clock_);
    form_->show();
}

void ExchangeWindowsTest::cleanup() {
    if (form_ != nullptr)
        form_->Document().MarkSaved();
    form_.reset();
    messages_.reset();
    sim_.reset();
}

void ExchangeWindowsTest::ChoosePort(int port) {
    OnModal<QDialog>([port](QDialog* dialog) {
        Child<QComboBox>(dialog, "PortCombo")->setCurrentIndex(port);
        Child<QPushButton>(dialog, "ApplyBtn")->click();
    });
    Find<QAction>("ServicePortItem")->trigger();
}

void ExchangeWindowsTest::ReadMeter() {
    Find<QPushButton>("RdParamBtn")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!messages_->Empty(), kWait);
}

MeterParams ExchangeWindowsTest::StoredParams() {
    const std::vector<uint8_t> block = FromHex(sim_->deviceCommand(0, "params"));
    MeterParams params{};
    if (block.size() != 44 || ZorComLgmExtractParameters(2, block.data(), &params) != 0)
        qWarning("the meter's block does not decode");
    return params;
}

void ExchangeWindowsTest::ThePortDialogShowsTheDeviceBehindEachPort() {
    OnModal<QDialog>([this](QDialog* dialog) {
        auto* combo = Child<QComboBox>(dialog, "PortCombo");
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->currentIndex(), -1);
        for (int port = 0; port < 4; ++port)
            QCOMPARE(combo->itemText(port), QStringLiteral("COM%1").arg(port + 1));
        QCOMPARE(combo->model()->index(1, 1).data().toString(),
                 QString::fromStdString(sim_->address(1)));
        QCOMPARE(combo->model()->index(3, 1).data().toString(), QStringLiteral("/dev/ttyS3"));
        ChooseComboItem(combo, QStringLiteral("COM2"));
        QCOMPARE(Child<QLabel>(dialog, "DeviceLabel")->text(),
                 QString::fromStdString(sim_->address(1)));
        Child<QPushButton>(dialog, "CancelBtn")->click();
    });
    Find<QAction>("ServicePortItem")->trigger();
    QVERIFY(form_->windowTitle().contains(QStringLiteral("порт: - - -")));
    QVERIFY(!Find<QPushButton>("RdParamBtn")->isEnabled());

    ChoosePort(1);
    QVERIFY(form_->windowTitle().contains(QStringLiteral("порт: COM2")));
    QVERIFY(Find<QPushButton>("RdParamBtn")->isEnabled());
    QVERIFY(Find<QAction>("ServiceAdaptorItem")->isEnabled());
    QTRY_COMPARE(sim_->state(1)["connected"], std::string("1"));
    QVERIFY(messages_->Empty());
}

void ExchangeWindowsTest::ReadingAStandardMeterEndsWithOneMessage() {
    ChoosePort(0);
    Find<QPushButton>("RdParamBtn")->click();
    QVERIFY(Progress()->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!messages_->Empty(), kWait);
    // Parameters and data list came: one message, no second one later.
    QTest::qWait(100);
    QCOMPARE(messages_->Messages(), std::vector<RecordedMessage>{Info(kRead)});
    QVERIFY(!Progress()->isVisible());

    const MeterParams stored = StoredParams();
    const MeterParams& read = Doc().Params();
    QCOMPARE(read.LineCount, stored.LineCount);
    QCOMPARE(read.A[0], stored.A[0]);
    QCOMPARE(read.Fmax[read.LineCount - 1], 1e200);
    QCOMPARE(Doc().Settings().DuIndex, static_cast<int32_t>(stored.DuIndex));
    QCOMPARE(Doc().ApproxData().Count, ZorComLgmIsSeqDefined(stored.DuIndex) ? 6u : 0u);
    QCOMPARE(Find<QComboBox>("DuCombo")->currentIndex(), static_cast<int>(stored.DuIndex));
    QVERIFY(!Doc().ExchangeBusy());
}

void ExchangeWindowsTest::WritingAfterAnApproximationStoresItInTheMeter() {
    ChoosePort(0);
    ReadMeter();
    messages_->Clear();
    Doc().ApproxMethodComboChange(ApproxMode::Automatic);
    AddSections(Doc().CalibrationList());
    Find<QPushButton>("ApproxBtn")->click();
    QCOMPARE(messages_->Texts(), std::vector<std::string>{});
    const MeterParams approximated = Doc().Params();
    QVERIFY(approximated.LineCount >= 1);

    // Three sections are no standard data list: the coefficients only.
    messages_->Answer({true});
    Find<QPushButton>("WrParamBtn")->click();
    QTRY_COMPARE_WITH_TIMEOUT(messages_->Messages().size(), size_t{2}, kWait);
    QCOMPARE(messages_->Messages()[1], Info(kWritten));
    QVERIFY(messages_->AllAnswersUsed());

    const MeterParams stored = StoredParams();
    QCOMPARE(stored.LineCount, approximated.LineCount);
    for (uint32_t i = 0; i < stored.LineCount; ++i)
        QVERIFY2(std::fabs(stored.A[i] - approximated.A[i]) < 1e-3 * approximated.A[i],
                 qPrintable(QString::number(stored.A[i])));
    QCOMPARE(stored.DuIndex, static_cast<uint32_t>(Doc().Settings().DuIndex));
    QCOMPARE(stored.WeightCode, WeightCodeOf(Doc().Settings()));
}

void ExchangeWindowsTest::AOneLineMeterIsWrittenInItsMode() {
    ChoosePort(2);
    ChooseComboItem(Find<QComboBox>("TypeCombo"), QStringLiteral("ГКМС-ТИ2"));
    for (double f : {10.0, 20.0, 30.0}) {
        MeasurementRecord r = NewMeasurement();
        r.MeasuredFrequency = f;
        r.EtalonFlow = 0.1 * f;
        r.Temperature = 20.0;
        Doc().CalibrationList().Add(r);
    }
    Find<QPushButton>("ApproxBtn")->click();
    QCOMPARE(Doc().Params().LineCount, 1u);
    QVERIFY(std::fabs(Doc().Params().A[0] - 0.1) < 1e-9);
    Find<QPushButton>("WrParamBtn")->click();
    QTRY_COMPARE_WITH_TIMEOUT(messages_->Messages(), std::vector<RecordedMessage>{Info(kWritten)},
                              kWait);
    // Mode 2 at Du 15 doubles A: 0.2 × 100000 (truncated, so a fit a hair
    // below 0.1 sends one less).
    std::map<std::string, std::string> meter = sim_->state(2);
    QCOMPARE(meter["frames"], std::string("1"));
    QCOMPARE(meter["doubled"], std::string("1"));
    QVERIFY2(std::abs(std::stoi(meter["a"]) - 20000) <= 1, meter["a"].c_str());
    QCOMPARE(meter["b"], std::string("0"));
}

void ExchangeWindowsTest::TheSupplyTestShowsTheBatteryBand() {
    sim_->deviceCommand(0, "supply 28"); // 0x1C
    ChoosePort(0);
    Find<QAction>("ServiceSupplyItem")->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(
        messages_->Messages(),
        std::vector<RecordedMessage>{Info("Напряжение батареи: 3.15 .. 3.3 В")}, kWait);
}

void ExchangeWindowsTest::AMeterThatDoesNotAnswerIsReported() {
    ChoosePort(0);
    sim_->fault(0, "silent");
    const MeterParams before = Doc().Params();
    ReadMeter();
    QCOMPARE(messages_->Messages(), std::vector<RecordedMessage>{ExchangeError(-10)});
    QVERIFY(!Progress()->isVisible());
    QCOMPARE(Doc().Params().A[0], before.A[0]);
    QVERIFY(!Doc().ExchangeBusy());
}

void ExchangeWindowsTest::OneBoxTellsFailuresThatArriveWhileItIsOpen() {
    MessageBoxSink boxes;
    ScopedMessageSink realBoxes(boxes);
    ChoosePort(0);
    sim_->fault(0, "silent");

    // Watches the screen: counts the exchange boxes that open and, while the
    // first is open, lets two more failures arrive.
    int opened = 0;
    bool wasOpen = false;
    QStringList texts;
    QTimer watch;
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, [&] {
        QMessageBox* box = nullptr;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* candidate = qobject_cast<QMessageBox*>(window);
                candidate && candidate->isVisible())
                box = candidate;
        if (box == nullptr) {
            wasOpen = false;
            return;
        }
        if (!wasOpen) {
            wasOpen = true;
            ++opened;
            texts << box->windowTitle() + ": " + box->text();
            if (opened == 1) {
                for (int32_t code : {XCmd::RigState, XCmd::ReadParams})
                    QCoreApplication::postEvent(
                        form_.get(),
                        new ExchangeEvent(kExchangeMessage,
                                          static_cast<uint32_t>(code) | kExchangeFailed, -10));
                QTimer::singleShot(200, box, &QMessageBox::accept);
            } else {
                box->accept();
            }
        }
    });
    watch.start();
    Find<QPushButton>("RdParamBtn")->click();
    QTRY_COMPARE_WITH_TIMEOUT(opened, 1, kWait);
    QTRY_VERIFY(!wasOpen);
    QTest::qWait(100);
    QCOMPARE(opened, 1);
    // A failure after the box was closed opens a new one.
    QCoreApplication::postEvent(
        form_.get(), new ExchangeEvent(kExchangeMessage, XCmd::ReadSupply | kExchangeFailed, -26));
    QTRY_COMPARE(opened, 2);
    QTRY_VERIFY(!wasOpen);
    const QString title = QString::fromUtf8(kExchangeErrorTitle);
    QCOMPARE(texts, (QStringList{title + ": " + ErrorText(-10), title + ": " + ErrorText(-26)}));
}

void ExchangeWindowsTest::PrekratitBreaksOffASlowAnswer() {
    ChoosePort(0);
    sim_->fault(0, "delay:5000");
    const uint64_t before = Received(0);
    Find<QPushButton>("RdParamBtn")->click();
    QTRY_VERIFY(Received(0) > before);
    QVERIFY(Progress()->isVisible());
    Child<QPushButton>(Progress(), "CancelBtn")->click();
    QVERIFY(!Progress()->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(messages_->Messages(),
                              std::vector<RecordedMessage>{ExchangeError(-12)}, kWait);
    QVERIFY(!Doc().ExchangeBusy());
}

void ExchangeWindowsTest::ARigRunInTimeModeIsTakenIntoTheList() {
    ChoosePort(1);
    Find<QAction>("GetBkltItem")->trigger();
    auto* rig = Find<QDialog>("TBkltDlg");
    QVERIFY(rig->isVisible());
    QVERIFY(form_->windowTitle().contains(QStringLiteral("ввод с БКЛТ")));
    QVERIFY(Find<QAction>("GetBkltItem")->isChecked());

    // The same channel twice is refused.
    ChooseComboItem(Child<QComboBox>(rig, "SecondChCombo"), QStringLiteral("1"));
    QCOMPARE(messages_->Texts(), std::vector<std::string>{"Этот канал уже используется"});
    QCOMPARE(Child<QComboBox>(rig, "SecondChCombo")->currentText(), QStringLiteral("2"));
    messages_->Clear();

    TypeAndEnter(Child<QLineEdit>(rig, "ArgumEdit"), QStringLiteral("36"));
    QVERIFY(rig->isVisible()); // Enter in an edit does not end the window
    Child<QPushButton>(rig, "GoBtn")->click();
    QVERIFY(!Child<QPushButton>(rig, "GoBtn")->isEnabled());
    QVERIFY(Child<QPushButton>(rig, "StopBtn")->isEnabled());
    // The rig ends the run by itself; the window stops it and may take it.
    QTRY_VERIFY_WITH_TIMEOUT(Child<QPushButton>(rig, "ApplyBtn")->isEnabled(), kWait);
    QVERIFY(!Child<QPushButton>(rig, "StopBtn")->isEnabled());
    QCOMPARE(Child<QLabel>(rig, "TqStatic")->text(), QStringLiteral("36.000"));
    const int n1 = Child<QLabel>(rig, "N1Static")->text().toInt();
    QVERIFY2(n1 >= 999 && n1 <= 1002, qPrintable(QString::number(n1)));

    Child<QLineEdit>(rig, "VolEdit")->setText(QStringLiteral("100"));
    Child<QPushButton>(rig, "ApplyBtn")->click();
    QCOMPARE(messages_->Texts(), std::vector<std::string>{});
    QCOMPARE(Doc().CalibrationList().Count(), 1u);
    const MeasurementRecord& r = *Doc().CalibrationList().Item(0);
    QCOMPARE(r.EtalonTime, 36.0);
    QCOMPARE(r.EtalonVolume, 100.0);
    QCOMPARE(r.Temperature, 20.0);
    QCOMPARE(r.EtalonFlow, 10.0);
    QCOMPARE(r.MeasuredPulses, n1);
    QCOMPARE(r.MeasuredFrequency, (n1 - 1) / 36.0);
    QCOMPARE(Find<QTableView>("MainTbl")->model()->rowCount(), 1);

    Child<QPushButton>(rig, "ReadyBtn")->click();
    QVERIFY(!rig->isVisible());
    QVERIFY(Doc().TableEditable());
}

void ExchangeWindowsTest::TheAdaptorIsTunedByHandAndAutomatically() {
    ChoosePort(0);
    OnModal<QDialog>([](QDialog* dialog) {
        auto* led = Child<QLabel>(dialog, "LedImage");
        auto* track = Child<QSlider>(dialog, "LevelTrack");
        QCOMPARE(track->value(), 2);
        QCOMPARE(led->toolTip(), QStringLiteral("Уровень: не измерено"));
        // The simulated adaptor flashes 20, 50, 90 and 120 at levels 0 … 3.
        Child<QPushButton>(dialog, "AutoSetBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(led->toolTip(), QStringLiteral("50"), kWait);
        QCOMPARE(track->value(), 1);
        QCOMPARE(Child<QLabel>(dialog, "VersionText")->text(), QStringLiteral("3 ( № 17 )"));
        track->setValue(3);
        Child<QPushButton>(dialog, "SetBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(led->toolTip(), QStringLiteral("120"), kWait);
        QCOMPARE(track->value(), 3);
        Child<QPushButton>(dialog, "CloseBtn")->click();
    });
    Find<QAction>("ServiceAdaptorItem")->trigger();
    QVERIFY(messages_->Empty());
    QCOMPARE(sim_->state(0)["level"], std::string("3"));
}

void ExchangeWindowsTest::TheThermoSensorIsReadAndCalibrated() {
    ChoosePort(0);
    OnModal<QDialog>([this](QDialog* dialog) {
        auto* edit = Child<QLineEdit>(dialog, "TuneEdit");
        QCOMPARE(edit->text(), QStringLiteral("0.0"));
        Child<QPushButton>(dialog, "RdValueBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(Child<QLabel>(dialog, "ValueStatic")->text(),
                                  QStringLiteral("23.0"), kWait);
        Child<QPushButton>(dialog, "RdBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(edit->text(), QStringLiteral("2.0"), kWait);
        Child<QToolButton>(dialog, "TuneSpinUp")->click();
        QCOMPARE(edit->text(), QStringLiteral("2.5"));
        Child<QPushButton>(dialog, "WrBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(messages_->Messages().size(), size_t{3}, kWait);
        Child<QToolButton>(dialog, "TuneSpinDown")->click();
        Child<QPushButton>(dialog, "RdBtn")->click();
        QTRY_COMPARE_WITH_TIMEOUT(messages_->Messages().size(), size_t{4}, kWait);
        QCOMPARE(edit->text(), QStringLiteral("2.5"));
        Child<QPushButton>(dialog, "OkBtn")->click();
    });
    Find<QAction>("ServiceTermoItem")->trigger();
    QCOMPARE(messages_->Texts(), (std::vector<std::string>{kRead, kRead, kWritten, kRead}));
}

void ExchangeWindowsTest::TheOutputTestRunsItsCourseAndRestoresTheMeter() {
    ChoosePort(0);
    const std::string before = sim_->deviceCommand(0, "params");
    int highest = 0;
    OnModal<QDialog>([&](QDialog* dialog) {
        auto* go = Child<QPushButton>(dialog, "GoBtn");
        auto* close = Child<QPushButton>(dialog, "CloseBtn");
        auto* bar = Child<QProgressBar>(dialog, "TestProgressBar");
        go->click();
        QVERIFY(!go->isEnabled());
        QVERIFY(!close->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT((highest = std::max(highest, bar->value())) >= 990, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(go->isEnabled(), kWait);
        QVERIFY(close->isEnabled());
        close->click();
    });
    Find<QAction>("TestOutputItem")->trigger();
    QVERIFY(highest >= 990);
    QVERIFY(messages_->Empty());
    QCOMPARE(sim_->deviceCommand(0, "params"), before);
    QVERIFY(!Doc().ExchangeBusy());
}

void ExchangeWindowsTest::TheAboutWindowShowsTheVersion() {
    OnModal<QDialog>([](QDialog* dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("О программе..."));
        QCOMPARE(Child<QLabel>(dialog, "VersionLab")->text(), QStringLiteral("Версия ПО: 1.0.0.5"));
        Child<QPushButton>(dialog, "CloseBtn")->click();
    });
    Find<QAction>("AboutItem")->trigger();
}

QTEST_MAIN(ExchangeWindowsTest)
#include "ExchangeWindowsTest.moc"
