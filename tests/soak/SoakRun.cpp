#include "SoakRun.h"

#include "DocumentImage.h"
#include "SimProcess.h"
#include "SoakLink.h"
#include "Watchdog.h"
#include "XMessageQueue.h"
#include "XTestClock.h"
#include "document/testing/MessageRecorder.h"
#include "exchange/MeterExchange.h"
#include "exchange/ServiceRules.h"

#include "ZorComGkms.h"
#include "ZorComLgm.h"

#include <array>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// lgmsim's devices, each behind the COM port of its number (device 0 is
// COM1). The rig runs a thousand times faster than real time, its diverter
// giving the stop signal 10 s after the start.
enum Device : int { kMeterV2 = 0, kRig = 1, kGkms = 2, kMeterV1 = 3 };
constexpr int kDevices = 4;
const std::vector<std::string> kSimulated = {"lgm,version=2", "bklt,speed=1000,gate=10",
                                             "gkms,mode=2", "lgm,version=1"};

// Du 25: a Du with a standard flow sequence and ГКМС limits of 0.36.
constexpr int32_t kDu = 2;
constexpr int32_t kGkmsType = 2; // "ГКМС-ТИ2": one line, written in mode 2
// The records the lists hold at most; rig runs taken beyond it push out the
// oldest.
constexpr uint32_t kMaxRecords = 64;

const char* const kFaultKinds[] = {"silent", "checksum", "status", "short", "drop", "delay"};

// The soak has no windows: what they would show goes nowhere.
class NoViews final : public ExchangeViews {
public:
    void ShowProgress() override {}
    void HideProgress() override {}
    void Beep() override {}
    void ShowDocument() override {}
    void ShowSensorTemperature(double) override {}
    void ShowCompensation(double) override {}
    void ShowTestProgress(int) override {}
    void TestEnded() override {}
    void ShowAdaptor(const AdaptorView&) override {}
    void ShowRig() override {}
};

// A few measurements in both lists, so that a read that recomputes them has
// something to change.
void AddMeasurements(CalibrationDocument& doc) {
    for (TZorDataList* list : {&doc.CalibrationList(), &doc.VerificationList()})
        for (double q : {0.5, 2.0, 7.5, 14.0}) {
            MeasurementRecord r = NewMeasurement();
            r.Temperature = 20.0;
            r.EtalonTime = 100.0;
            r.EtalonVolume = q * 100.0 / 3.6;
            r.EtalonFlow = q;
            r.MeasuredPulses = static_cast<int32_t>(q / 0.02 * 100.0) + 1;
            r.MeasuredFrequency = q / 0.02;
            list->Add(r);
        }
    doc.RecomputeMeasurements();
    doc.MeasurementsChanged(true);
}

class Soak {
public:
    explicit Soak(const SoakOptions& options);
    ~Soak();
    SoakTally Run();

private:
    using Action = void (Soak::*)();

    // --- The operator's commands ------------------------------------------------
    void ReadMeter();
    void WriteMeter();
    void ReadSupply();
    void UseThermoSensor();
    void TuneAdaptor();
    void TestOutput();
    void BreakOffASlowAnswer();
    void RunTheRig();
    void WriteGkmsMeter();

    // --- Steps ----------------------------------------------------------------------
    // Makes port the working one; a port whose connection the device dropped
    // is opened again the operator's way, by choosing another and back.
    void ChoosePort(int port);
    // The port of an ЛГМ command: mostly a meter, now and then another device.
    int MeterPort();
    // The ЛГМ type with a characteristic to write and, now and then, a
    // standard data list.
    void PrepareLgmDocument();
    // Runs a command that talks to a device and waits until every exchange
    // it started has ended. Unless the meter's parameters were taken in, the
    // document must be as it was; no exchange may leave it locked.
    void Exchange(const char* name, const std::function<void()>& command);
    // Delivers the messages until no command is out.
    void Settle();
    // Delivers the messages that come within wait.
    void Pump(milliseconds wait);
    void Deliver(const XMessage& message);
    void InjectFault();
    void Violation(std::string what);

    bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
    int Between(int low, int high) { return std::uniform_int_distribution(low, high)(random_); }

    const std::chrono::seconds duration_;
    std::mt19937 random_;
    SoakTally tally_;
    Watchdog watchdog_;
    lgmsim::SimProcess sim_;
    MessageRecorder messages_;
    CalibrationDocument doc_;
    std::shared_ptr<XTestClock> clock_ = std::make_shared<XTestClock>();
    XMessageQueue queue_{clock_};
    // Ends (and stops posting) before the queue goes.
    TZorXThread thread_{clock_};
    SoakLink link_{thread_, watchdog_, tally_};
    NoViews views_;
    MeterExchange exchange_{link_, doc_, views_};

    // Set by a successful read that put the meter's parameters or data list
    // into the document.
    bool takenIn_ = false;
    bool rigStartFailed_ = false;
};

lgmsim::SimProcess::Options SimOptions(const SoakOptions& options) {
    lgmsim::SimProcess::Options sim;
    sim.timeLimit = options.Duration + std::chrono::seconds(600);
    return sim;
}

Soak::Soak(const SoakOptions& options)
    : duration_(options.Duration), random_(options.Seed), sim_(kSimulated, SimOptions(options)) {
    for (int device = 0; device < kDevices; ++device)
        sim_.bindComPort(device, static_cast<size_t>(device));
    thread_.SetNotify(queue_.Receiver(), kExchangeMessage, ZOR_INVALID_HANDLE);
    doc_.DuComboChange(kDu);
    AddMeasurements(doc_);
}

Soak::~Soak() {
    // The thread finishes its command before it ends.
    watchdog_.Arm("ending the exchange thread", SoakLink::Budget(XCmd::OutputTest));
    thread_.Terminate();
    watchdog_.Disarm();
}

SoakTally Soak::Run() {
    struct Weighted {
        Action action;
        double weight;
    };
    static const Weighted kActions[] = {
        {&Soak::ReadMeter, 20},          {&Soak::WriteMeter, 15}, {&Soak::ReadSupply, 10},
        {&Soak::UseThermoSensor, 10},    {&Soak::TuneAdaptor, 8}, {&Soak::TestOutput, 1},
        {&Soak::BreakOffASlowAnswer, 5}, {&Soak::RunTheRig, 15},  {&Soak::WriteGkmsMeter, 6},
    };
    std::vector<double> weights;
    for (const Weighted& w : kActions)
        weights.push_back(w.weight);
    std::discrete_distribution<size_t> pick(weights.begin(), weights.end());

    const auto end = Clock::now() + duration_;
    while (Clock::now() < end) {
        if (Chance(0.25))
            InjectFault();
        (this->*kActions[pick(random_)].action)();
    }
    for (int device = 0; device < kDevices; ++device)
        sim_.clearFaults(static_cast<size_t>(device));
    return tally_;
}

// --- Steps ------------------------------------------------------------------------------

void Soak::Violation(std::string what) {
    std::fprintf(stderr, "soak: VIOLATION: %s\n", what.c_str());
    tally_.Violations.push_back(std::move(what));
}

void Soak::Deliver(const XMessage& message) {
    link_.Arrived(message);
    const auto lparam = static_cast<uintptr_t>(message.LParam);
    if (!message.Failed()) {
        const int32_t code = message.Code();
        takenIn_ = takenIn_ || code == XCmd::ReadParams || code == XCmd::ReadJournal ||
                   code == XCmd::TestParams;
        exchange_.ExchangeResult(message.WParam, lparam);
        return;
    }
    const auto error = static_cast<int32_t>(message.LParam);
    ++tally_.Failures;
    ++tally_.ByError[error];
    rigStartFailed_ = rigStartFailed_ || message.Code() == XCmd::StartRig;
    const DocumentImage before(doc_);
    exchange_.ExchangeResult(message.WParam, lparam);
    if (const std::string changed = before.Difference(doc_); !changed.empty())
        Violation("the failure " + std::to_string(error) + " of command " +
                  std::to_string(message.Code()) + " changed " + changed);
}

void Soak::Pump(milliseconds wait) {
    const auto until = Clock::now() + wait;
    for (auto now = Clock::now(); now < until; now = Clock::now())
        if (const auto message = queue_.Next(std::chrono::duration_cast<milliseconds>(until - now)))
            Deliver(*message);
}

void Soak::Settle() {
    // The watchdog stands by every command that is out.
    while (!link_.Idle() || !queue_.Empty())
        if (const auto message = queue_.Next(milliseconds(50)))
            Deliver(*message);
}

void Soak::Exchange(const char* name, const std::function<void()>& command) {
    const DocumentImage before(doc_);
    takenIn_ = false;
    command();
    // The impatient operator clicks again while the exchange runs: a busy
    // thread refuses, a free one takes it as one more command.
    if (Chance(0.1))
        exchange_.ReadThermoSensor();
    Settle();
    if (!takenIn_)
        if (const std::string changed = before.Difference(doc_); !changed.empty())
            Violation(std::string(name) + " changed " + changed);
    if (doc_.ExchangeBusy())
        Violation(std::string(name) + " left the document locked");
    messages_.Clear();
}

void Soak::ChoosePort(int port) {
    const bool working = port == doc_.PortIndex();
    if (working && link_.IsPortOpen() && sim_.state(static_cast<size_t>(port))["connected"] == "1")
        return;
    if (working) {
        exchange_.PortChosen((port + 1) % kDevices);
        ++tally_.Reconnects;
    }
    exchange_.PortChosen(port);
    messages_.Clear();
}

int Soak::MeterPort() {
    const int roll = Between(0, 19);
    return roll < 16 ? kMeterV2 : roll < 19 ? kMeterV1 : Between(kRig, kGkms);
}

void Soak::PrepareLgmDocument() {
    if (doc_.Settings().DevType != kTypeChi2) {
        doc_.TypeComboChange(kTypeChi2);
        doc_.DuComboChange(kDu);
    }
    MeterParams& lines = doc_.Params();
    if (lines.LineCount == 0 || lines.LineCount > doc_.MaxLineCount() || Chance(0.2)) {
        // What "Ручной ввод" of three lines near the rig's meter gives.
        lines.LineCount = 3;
        const double fmax[] = {25.0, 150.0, 1e200};
        for (uint32_t i = 0; i < 3; ++i) {
            lines.A[i] = 0.02 + 0.0001 * Between(-20, 20);
            lines.B[i] = 0.001 * Between(-10, 10);
            lines.Fmax[i] = fmax[i];
        }
        doc_.RecomputeMeasurements();
    }
    ApproxDataList& data = doc_.ApproxData();
    if (Chance(0.5)) {
        data.Count = 6;
        for (uint32_t i = 0; i < 6; ++i) {
            const double q = ZorComLgmSeqItem(kDu, i);
            data.Items[i] = {0, i, q / 0.02, q};
        }
    } else {
        data.Count = 0;
    }
}

void Soak::InjectFault() {
    const auto device = static_cast<size_t>(Between(0, kDevices - 1));
    if (Chance(0.3)) {
        sim_.clearFaults(device);
        return;
    }
    const std::string kind = kFaultKinds[Between(0, std::size(kFaultKinds) - 1)];
    std::string fault = kind;
    if (kind == "delay")
        fault += ":" + std::to_string(Between(20, 400));
    else if ((kind == "short" || kind == "drop") && Chance(0.5))
        fault += ":" + std::to_string(Between(0, 6));
    if (Chance(0.3))
        fault += "@" + std::to_string(Between(1, 3));
    // Most faults spoil a few answers; the others stay until cleared.
    if (Chance(0.8))
        fault += "/" + std::to_string(Between(1, 3));
    sim_.fault(device, fault);
    ++tally_.Faults;
    ++tally_.ByFault[kind];
}

// --- The operator's commands ------------------------------------------------------------

void Soak::ReadMeter() {
    ChoosePort(MeterPort());
    Exchange("reading the meter", [&] { exchange_.RdParamBtnClick(); });
}

void Soak::WriteMeter() {
    ChoosePort(MeterPort());
    PrepareLgmDocument();
    // "Список данных аппроксимации пуст. Продолжить …?": Yes.
    if (messages_.AllAnswersUsed())
        messages_.Answer({true});
    Exchange("writing the meter", [&] { exchange_.WrParamBtnClick(); });
}

void Soak::ReadSupply() {
    ChoosePort(MeterPort());
    Exchange("the supply test", [&] { exchange_.ServiceSupplyItemClick(); });
}

void Soak::UseThermoSensor() {
    ChoosePort(MeterPort());
    switch (Between(0, 2)) {
    case 0:
        Exchange("reading the thermo sensor", [&] { exchange_.ReadThermoSensor(); });
        break;
    case 1:
        Exchange("reading the thermo calibration", [&] { exchange_.ReadThermoCompensation(); });
        break;
    default: {
        const double value = NormaliseCompensation(0.5 * Between(-7, 7));
        Exchange("writing the thermo calibration",
                 [&] { exchange_.WriteThermoCompensation(value); });
    }
    }
}

void Soak::TuneAdaptor() {
    ChoosePort(MeterPort());
    const int level = Between(0, kMaxAdaptorLevel);
    const bool automatic = Chance(0.5);
    Exchange("tuning the adaptor", [&] { exchange_.TuneAdaptor(level, automatic); });
}

void Soak::TestOutput() {
    ChoosePort(MeterPort());
    // "Прекратить" now and then, somewhere in the test's 15 s (0.75 s here).
    const bool breakOff = Chance(0.3);
    const int after = Between(0, 900);
    Exchange("the output test", [&] {
        if (!exchange_.StartOutputTest() || !breakOff)
            return;
        Pump(milliseconds(after));
        if (!link_.Idle()) {
            exchange_.AbortExchange();
            ++tally_.Aborts;
        }
    });
}

void Soak::BreakOffASlowAnswer() {
    const int port = MeterPort();
    ChoosePort(port);
    // One answer late by more than the operator waits.
    sim_.fault(static_cast<size_t>(port), "delay:" + std::to_string(Between(200, 800)) + "/1");
    ++tally_.Faults;
    ++tally_.ByFault["delay"];
    const int after = Between(0, 600);
    Exchange("breaking off a slow answer", [&] {
        if (Chance(0.5))
            exchange_.RdParamBtnClick();
        else
            exchange_.ServiceSupplyItemClick();
        Pump(milliseconds(after));
        if (!link_.Idle()) {
            exchange_.AbortExchange();
            ++tally_.Aborts;
        }
    });
}

void Soak::RunTheRig() {
    ChoosePort(kRig);
    BkltConsole& rig = exchange_.Rig();
    if (!rig.Open()) {
        messages_.Clear();
        return;
    }
    const int mode =
        std::array{BkltMode::Time, BkltMode::StartStop1, BkltMode::Count}[Between(0, 2)];
    rig.ModeComboChange(mode);
    rig.ArgumEditCommit(
        std::to_string(mode == BkltMode::Time ? Between(2, 20) : Between(100, 2000)));
    rigStartFailed_ = false;
    Exchange("starting the rig", [&] { rig.GoBtnClick(); });
    // Polls every 25 ms of real time; a run ends within a few hundred. The
    // poll's pause after three failures is 0.8 s.
    for (int attempt = 0; attempt < 3 && rig.View().StopEnabled; ++attempt) {
        const auto until = Clock::now() + milliseconds(rigStartFailed_ ? 0 : 2000);
        while (rig.View().StopEnabled && Clock::now() < until)
            Pump(milliseconds(20));
        if (rig.View().StopEnabled)
            Exchange("stopping the rig", [&] { rig.StopBtnClick(); });
    }
    if (rig.View().ApplyEnabled && Chance(0.5)) {
        TZorDataList& list = doc_.CurrentList();
        if (list.Count() >= kMaxRecords)
            list.Delete(0);
        rig.ApplyBtnClick("", "100", BkltConsole::kOpeningTemperature);
    }
    Exchange("closing the rig window", [&] { rig.ReadyBtnClick(); });
    doc_.GetManualItemClick();
    messages_.Clear();
}

void Soak::WriteGkmsMeter() {
    ChoosePort(Chance(0.9) ? kGkms : MeterPort());
    if (doc_.Settings().DevType != kGkmsType)
        doc_.TypeComboChange(kGkmsType);
    MeterParams& line = doc_.Params();
    line.LineCount = 1;
    line.A[0] = 0.1 + 0.001 * Between(-50, 50);
    line.B[0] = 0.001 * Between(-20, 20);
    line.Fmax[0] = 1e200;
    Exchange("writing the ГКМС meter", [&] { exchange_.WrParamBtnClick(); });
}

} // namespace

SoakTally RunSoak(const SoakOptions& options) {
    return Soak(options).Run();
}
