// The meter operations on a scripted thread: what is sent, with which
// record, and how every result is answered.
#include "FakeLink.h"

#include "document/testing/MessageRecorder.h"
#include "exchange/MeterExchange.h"

#include "ZorCommon.h"
#include "ZorLang.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr int32_t kLgmChi2 = 19;    // the standard mode: reads and writes the data list
constexpr int32_t kLgmChi2Old = 17; // no data list
constexpr int32_t kGkmsTi2 = 2;     // one line, mode 2
constexpr const char* kRead = "Данные считаны успешно";
constexpr const char* kWritten = "Данные переданы успешно";
constexpr const char* kRefused = "Не удалось передать команду драйверу";

// Records what the windows are told, in order.
class RecordingViews : public ExchangeViews {
public:
    void ShowProgress() override { calls.push_back("progress"); }
    void HideProgress() override { calls.push_back("hide"); }
    void Beep() override { calls.push_back("beep"); }
    void ShowDocument() override { calls.push_back("document"); }
    void ShowSensorTemperature(double celsius) override {
        calls.push_back("sensor " + std::to_string(celsius));
    }
    void ShowCompensation(double value) override {
        calls.push_back("compensation " + std::to_string(value));
    }
    void ShowTestProgress(int value) override { calls.push_back("test " + std::to_string(value)); }
    void TestEnded() override { calls.push_back("test ended"); }
    void ShowAdaptor(const AdaptorView& view) override {
        calls.push_back("adaptor " + view.VersionText + " " + std::to_string(view.Level) + " " +
                        view.Hint + " " + std::to_string(static_cast<int>(view.Picture)));
    }
    void ShowRig() override { calls.push_back("rig"); }

    std::vector<std::string> calls;
};

std::string ErrorText(int32_t code) {
    return zor::Cp1251ToUtf8(ZorComDecodeErrorA(code));
}

RecordedMessage Info(const char* text) {
    return {MessageKind::Info, text};
}

class MeterExchangeTest : public testing::Test {
protected:
    MeterExchangeTest() {
        doc.TypeComboChange(kLgmChi2);
        exchange.PortChosen(0);
        messages.Clear();
        views.calls.clear();
    }

    void Succeed(int32_t code, uintptr_t lparam = 0) { exchange.ExchangeResult(code, lparam); }
    void Fail(int32_t code, int32_t error) {
        exchange.ExchangeResult(static_cast<uint32_t>(code) | kExchangeFailed,
                                static_cast<uintptr_t>(static_cast<intptr_t>(error)));
    }
    // The record the last command was handed.
    template <class T> T& Record() { return *static_cast<T*>(link.sent.back().Data); }

    // A data list of six sections on the standard sequence of the Du.
    void StandardData(uint32_t du) {
        doc.Settings().DuIndex = static_cast<int32_t>(du);
        ApproxDataList& data = doc.ApproxData();
        data.Count = 6;
        for (uint32_t i = 0; i < 6; ++i)
            data.Items[i] = {0, i, 10.0 * (i + 1), ZorComLgmSeqItem(du, i)};
    }

    MessageRecorder messages;
    CalibrationDocument doc;
    FakeLink link;
    RecordingViews views;
    MeterExchange exchange{link, doc, views};
};

TEST_F(MeterExchangeTest, ChoosingAPortOpensItOnceAndLinksTheMeterCommands) {
    EXPECT_EQ(link.opened, (std::vector<int32_t>{0}));
    EXPECT_TRUE(doc.Linked());
    EXPECT_EQ(doc.PortIndex(), 0);
    EXPECT_TRUE(doc.ViewState().Approx.RdParamBtn.Enabled);
    // The same port again changes nothing.
    exchange.PortChosen(0);
    EXPECT_EQ(link.opened.size(), 1u);

    link.openFails = true;
    exchange.PortChosen(2);
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error, "Не удалосось открыть COM-порт"}));
    EXPECT_FALSE(doc.Linked());
    EXPECT_EQ(doc.PortIndex(), -1);
    EXPECT_TRUE(doc.Caption().find("порт: - - -") != std::string::npos);
}

TEST_F(MeterExchangeTest, NothingIsSentWithoutAPortOrAPreparedLine) {
    CalibrationDocument fresh;
    MeterExchange unlinked{link, fresh, views};
    unlinked.RdParamBtnClick();
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error, "Не выбран рабочий COM-порт"}));
    messages.Clear();
    link.prepareFails = true;
    exchange.RdParamBtnClick();
    exchange.ServiceSupplyItemClick();
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{"Не удалось настроить порт", "Не удалось настроить порт"}));
    EXPECT_TRUE(link.sent.empty());
    EXPECT_TRUE(views.calls.empty());

    // A busy thread's port is not touched.
    messages.Clear();
    link.prepared.clear();
    link.busy = true;
    exchange.RdParamBtnClick();
    EXPECT_FALSE(exchange.StartOutputTest());
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{kRefused, "Не завершен предыдущий обмен"}));
    EXPECT_TRUE(link.prepared.empty());
}

TEST_F(MeterExchangeTest, ReadingAStandardMeterTakesParametersThenDataList) {
    exchange.RdParamBtnClick();
    EXPECT_EQ(link.prepared, (std::vector<uint32_t>{XPortKind::Lgm}));
    ASSERT_EQ(link.Codes(), (std::vector<int32_t>{XCmd::ReadParams}));
    EXPECT_EQ(link.sent[0].Argument, kVersionRecent);
    EXPECT_NE(link.sent[0].Data, &doc.Params());
    EXPECT_TRUE(doc.ExchangeBusy());

    MeterParams& read = Record<MeterParams>();
    read.DuIndex = 5;
    read.WeightCode = 2;
    read.PulseDuration = 2.0;
    read.DivisionFactor = 4;
    read.Flags = 2;
    read.LineCount = 2;
    read.A[0] = read.A[1] = 0.2;
    read.Fmax[0] = 50.0;
    read.Fmax[1] = 400.0;
    Succeed(XCmd::ReadParams);
    EXPECT_EQ(doc.Settings().DuIndex, 5);
    EXPECT_EQ(doc.Settings().WeightIndex, 3);
    EXPECT_EQ(doc.Settings().MeterFlags, 2);
    EXPECT_EQ(doc.Params().LineCount, 2u);
    EXPECT_EQ(doc.Params().Fmax[1], 1e200);
    EXPECT_TRUE(messages.Empty());
    ASSERT_EQ(link.Codes(), (std::vector<int32_t>{XCmd::ReadParams, XCmd::ReadJournal}));
    ApproxDataList& journal = Record<ApproxDataList>();
    EXPECT_EQ(journal.DuIndex, 5u);

    journal.Count = 6;
    journal.Items[5].Q = 12.5;
    Succeed(XCmd::ReadJournal);
    EXPECT_EQ(doc.ApproxData().Count, 6u);
    EXPECT_EQ(doc.ApproxData().Items[5].Q, 12.5);
    EXPECT_FALSE(doc.ExchangeBusy());
    EXPECT_EQ(messages.Messages(), (std::vector<RecordedMessage>{Info(kRead)}));
    EXPECT_EQ(views.calls, (std::vector<std::string>{"progress", "document", "document", "hide"}));
}

TEST_F(MeterExchangeTest, AMeterWithoutDataListEndsWithTheParameters) {
    doc.TypeComboChange(kLgmChi2Old);
    doc.ApproxData().Count = 3;
    doc.CalibrationList().Add(NewMeasurement());
    MeasurementRecord& r = *doc.CalibrationList().Item(0);
    r.MeasuredFrequency = 100.0;
    r.Temperature = 20.0;
    r.EtalonFlow = 10.0;
    exchange.RdParamBtnClick();
    MeterParams& read = Record<MeterParams>();
    read.LineCount = 1;
    read.A[0] = 0.11;
    read.Fmax[0] = 500.0;
    Succeed(XCmd::ReadParams);
    EXPECT_EQ(link.Codes(), (std::vector<int32_t>{XCmd::ReadParams}));
    EXPECT_EQ(doc.ApproxData().Count, 0u);
    EXPECT_FALSE(doc.ExchangeBusy());
    EXPECT_EQ(messages.Messages(), (std::vector<RecordedMessage>{Info(kRead)}));
    // The measurements follow the characteristic just read.
    EXPECT_NEAR(doc.CalibrationList().Item(0)->MeasuredFlow, 11.0, 1e-9);
}

TEST_F(MeterExchangeTest, AFailedStepIsTheOnlyMessageAndChangesNothing) {
    doc.ApproxData().Count = 2;
    exchange.RdParamBtnClick();
    Succeed(XCmd::ReadParams);
    Record<ApproxDataList>().Count = 6;
    Fail(XCmd::ReadJournal, -10);
    EXPECT_EQ(doc.ApproxData().Count, 2u);
    EXPECT_FALSE(doc.ExchangeBusy());
    EXPECT_EQ(messages.Messages(),
              (std::vector<RecordedMessage>{{MessageKind::ExchangeError, ErrorText(-10)}}));
    EXPECT_EQ(views.calls.back(), "beep");

    // A refused second step ends the chain too.
    messages.Clear();
    exchange.RdParamBtnClick();
    link.busy = true;
    Succeed(XCmd::ReadParams);
    EXPECT_EQ(messages.Messages(), (std::vector<RecordedMessage>{{MessageKind::Error, kRefused}}));
    EXPECT_FALSE(doc.ExchangeBusy());
    EXPECT_EQ(views.calls.back(), "hide");
}

// A sink whose exchange box, while it is open, receives more failures (the
// thread goes on posting while the operator reads the box).
class ReentrantSink : public MessageRecorder {
public:
    void ShowExchangeError(std::string_view text) override {
        MessageRecorder::ShowExchangeError(text);
        if (whileOpen)
            whileOpen();
    }
    std::function<void()> whileOpen;
};

TEST_F(MeterExchangeTest, FailuresArrivingWhileTheBoxIsOpenOpenNoSecondBox) {
    ReentrantSink sink;
    sink.whileOpen = [&] {
        Fail(XCmd::RigState, -10);
        Fail(XCmd::ReadParams, -12);
    };
    Fail(XCmd::ReadSupply, -10);
    ASSERT_EQ(sink.Messages().size(), 1u);
    EXPECT_EQ(sink.Messages()[0], (RecordedMessage{MessageKind::ExchangeError, ErrorText(-10)}));
    // Closed: the next failure has its own box.
    sink.whileOpen = nullptr;
    Fail(XCmd::ReadSupply, -26);
    EXPECT_EQ(sink.Texts(), (std::vector<std::string>{ErrorText(-10), ErrorText(-26)}));
}

TEST_F(MeterExchangeTest, WritingWithAnEmptyDataListAsksFirst) {
    messages.Answer({false});
    exchange.WrParamBtnClick();
    EXPECT_TRUE(link.sent.empty());

    messages.Answer({true});
    exchange.WrParamBtnClick();
    ASSERT_EQ(link.Codes(), (std::vector<int32_t>{XCmd::WriteParams}));
    EXPECT_EQ(link.sent[0].Argument, kVersionRecent);
    const MeterParams& sent = Record<MeterParams>();
    EXPECT_NE(&sent, &doc.Params());
    EXPECT_EQ(sent.Version, 2u);
    EXPECT_EQ(sent.LineCount, 5u);
    EXPECT_EQ(sent.Hysteresis[15], 0.01);
    EXPECT_TRUE(doc.ExchangeBusy());
    Succeed(XCmd::WriteParams);
    EXPECT_FALSE(doc.ExchangeBusy());
    EXPECT_EQ(messages.Messages().back(), Info(kWritten));
    EXPECT_TRUE(messages.AllAnswersUsed());
}

TEST_F(MeterExchangeTest, AStandardDataListIsWrittenBeforeTheParameters) {
    uint32_t du = 0;
    while (!ZorComLgmIsSeqDefined(du))
        ++du;
    StandardData(du);
    exchange.WrParamBtnClick();
    ASSERT_EQ(link.Codes(), (std::vector<int32_t>{XCmd::WriteJournal}));
    const ApproxDataList& journal = Record<ApproxDataList>();
    EXPECT_EQ(journal.DuIndex, du);
    EXPECT_EQ(journal.Count, 6u);
    Succeed(XCmd::WriteJournal);
    ASSERT_EQ(link.Codes(), (std::vector<int32_t>{XCmd::WriteJournal, XCmd::WriteParams}));
    EXPECT_EQ(Record<MeterParams>().DuIndex, du);
    EXPECT_TRUE(messages.Empty());
    Succeed(XCmd::WriteParams);
    EXPECT_EQ(messages.Single(), Info(kWritten));
}

TEST_F(MeterExchangeTest, AOneLineMeterIsWrittenInItsMode) {
    doc.TypeComboChange(kGkmsTi2);
    doc.Params().LineCount = 1;
    doc.Params().A[0] = 0.1;
    doc.Params().B[0] = 0.01;
    exchange.WrParamBtnClick();
    EXPECT_EQ(link.prepared.back(), XPortKind::GkmsMode2);
    ASSERT_EQ(link.Codes(), (std::vector<int32_t>{XCmd::WriteGkmsParams}));
    EXPECT_EQ(link.sent[0].Argument, 2u);
    EXPECT_EQ(Record<MeterParams>().A[0], 0.1);

    // Beyond the meter's limit for the Du (0.36 at 15 mm).
    link.sent.clear();
    doc.Params().A[0] = 0.4;
    exchange.WrParamBtnClick();
    EXPECT_TRUE(link.sent.empty());
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error, "Недопустимые значения коэффициентов A и B."}));
}

TEST_F(MeterExchangeTest, SupplyTestShowsTheVoltageBand) {
    exchange.ServiceSupplyItemClick();
    ASSERT_EQ(link.sent, (std::vector<SentCommand>{{XCmd::ReadSupply, 0, link.sent[0].Data}}));
    Record<uint8_t>() = 0x1C;
    Succeed(XCmd::ReadSupply);
    EXPECT_EQ(messages.Single(), Info("Напряжение батареи: 3.15 .. 3.3 В"));
    EXPECT_EQ(views.calls, (std::vector<std::string>{"progress", "hide"}));
}

TEST_F(MeterExchangeTest, ThermoCommandsShowWhatTheMeterHolds) {
    exchange.ReadThermoSensor();
    Record<uint32_t>() = 45;
    Succeed(XCmd::ReadThermoSensor);
    exchange.ReadThermoCompensation();
    Record<uint32_t>() = 15;
    Succeed(XCmd::ReadThermoCompensation);
    exchange.WriteThermoCompensation(-1.5);
    EXPECT_EQ(Record<double>(), -1.5);
    Succeed(XCmd::WriteThermoCompensation);
    EXPECT_EQ(link.Codes(),
              (std::vector<int32_t>{XCmd::ReadThermoSensor, XCmd::ReadThermoCompensation,
                                    XCmd::WriteThermoCompensation}));
    EXPECT_EQ(views.calls,
              (std::vector<std::string>{"progress", "sensor 22.500000", "hide", "progress",
                                        "compensation 3.500000", "hide", "progress", "hide"}));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kRead, kRead, kWritten}));

    link.busy = true;
    exchange.ReadThermoSensor();
    EXPECT_EQ(messages.Texts().back(), "Не завершен предыдущий обмен");
}

TEST_F(MeterExchangeTest, TheOutputTestShowsTheMeterAndItsProgress) {
    ASSERT_TRUE(exchange.StartOutputTest());
    EXPECT_EQ(link.prepared.back(), XPortKind::Lgm);
    EXPECT_TRUE(doc.ExchangeBusy());
    MeterParams& read = Record<MeterParams>();
    read.DuIndex = 3;
    read.LineCount = 1;
    read.A[0] = 0.3;
    Succeed(XCmd::TestParams, reinterpret_cast<uintptr_t>(&read));
    EXPECT_EQ(doc.Settings().DuIndex, 3);
    EXPECT_EQ(doc.Params().A[0], 0.3);
    Succeed(XCmd::TestProgress, 507);
    Succeed(XCmd::OutputTest);
    EXPECT_FALSE(doc.ExchangeBusy());
    EXPECT_EQ(views.calls,
              (std::vector<std::string>{"document", "test 0", "test 507", "test ended"}));
    EXPECT_TRUE(messages.Empty());

    views.calls.clear();
    exchange.StartOutputTest();
    Fail(XCmd::OutputTest, -26);
    EXPECT_EQ(views.calls, (std::vector<std::string>{"hide", "test ended", "beep"}));
    link.busy = true;
    EXPECT_FALSE(exchange.StartOutputTest());
    EXPECT_EQ(messages.Texts().back(), "Не завершен предыдущий обмен");
}

TEST_F(MeterExchangeTest, AdaptorTuningShowsTheRecordTheThreadFilled) {
    exchange.TuneAdaptor(1, false);
    AdaptorTuning& tuning = Record<AdaptorTuning>();
    EXPECT_EQ(tuning.Level, 1);
    EXPECT_EQ(tuning.Automatic, 0u);
    tuning.Version = 3;
    tuning.Number = 17;
    tuning.Duration = 26;
    Succeed(XCmd::TuneAdaptor, reinterpret_cast<uintptr_t>(&tuning));
    exchange.TuneAdaptor(0, true);
    EXPECT_EQ(tuning.Level, 1); // the search starts where the thread puts it
    EXPECT_EQ(tuning.Automatic, 1u);
    tuning.Level = -1;
    tuning.Duration = 90;
    Succeed(XCmd::TuneAdaptor, reinterpret_cast<uintptr_t>(&tuning));
    EXPECT_EQ(views.calls,
              (std::vector<std::string>{"progress", "adaptor 3 ( № 17 ) 1 26 2", "hide", "progress",
                                        "adaptor 3 ( № 17 ) -1 90 1", "hide"}));

    // A refused tuning leaves nothing to wait for.
    views.calls.clear();
    link.busy = true;
    exchange.TuneAdaptor(2, false);
    EXPECT_EQ(messages.Texts().back(), kRefused);
    EXPECT_TRUE(views.calls.empty());
}

TEST_F(MeterExchangeTest, RigResultsGoToTheConsole) {
    ASSERT_TRUE(exchange.Rig().Open());
    exchange.Rig().GoBtnClick();
    link.rigState.Code = BKLT_CODE_TIME;
    link.rigState.Measurement.Time = 4050.5;
    link.rigState.Measurement.ChannelCount[0] = 77;
    Succeed(XCmd::RigState);
    EXPECT_EQ(exchange.Rig().View().TqText, "54.500");
    EXPECT_EQ(exchange.Rig().View().N1Text, "77");
    Fail(XCmd::StopRig, -10);
    EXPECT_TRUE(exchange.Rig().View().StopEnabled);
    Succeed(XCmd::StopRig);
    EXPECT_TRUE(exchange.Rig().View().ApplyEnabled);
    EXPECT_EQ(views.calls, (std::vector<std::string>{"rig", "hide", "beep", "rig"}));
}

TEST_F(MeterExchangeTest, PrekratitBreaksTheTransferAndHidesTheProgress) {
    exchange.AbortExchange();
    EXPECT_EQ(link.aborts, 1);
    EXPECT_EQ(views.calls, (std::vector<std::string>{"hide"}));
}

} // namespace
