// The rig window's rules: settings, runs, the rig's values and taking a run.
#include "FakeLink.h"

#include "document/testing/MessageRecorder.h"
#include "exchange/BkltConsole.h"
#include "exchange/Tzorxthreadunit.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

constexpr const char* kBadValue = "Неверное значения параметра";
constexpr const char* kBusy = "Не завершен предыдущий обмен";

class BkltConsoleTest : public testing::Test {
protected:
    BkltConsoleTest() { doc.SetPortIndex(1); }

    // A state answer as the thread leaves it in the buffer.
    void Poll(uint32_t code, double time, std::array<uint32_t, 4> counts,
              std::array<double, 4> times = {}, bool finished = false) {
        BkltState state{};
        state.Code = code;
        state.Status = finished ? BKLT_STATUS_FINISHED : 0;
        state.Measurement.Time = time;
        for (int i = 0; i < 4; ++i) {
            state.Measurement.ChannelCount[i] = counts[i];
            state.Measurement.ChannelTime[i] = times[i];
        }
        console.StateArrived(state);
    }

    // A run of mode 0 with duration T, ended by the rig and stopped.
    void FinishedRun(double T, uint32_t n1, uint32_t n2 = 0, double t1 = 0.0) {
        console.ModeComboChange(BkltMode::Time);
        console.ArgumEditCommit(std::to_string(T));
        console.GoBtnClick();
        Poll(BKLT_CODE_TIME, 0.0, {n1, n2, 0, 0}, {t1, 0, 0, 0}, true);
        console.Stopped();
        link.sent.clear();
    }

    MessageRecorder messages;
    CalibrationDocument doc;
    FakeLink link;
    BkltConsole console{link, doc};
};

TEST_F(BkltConsoleTest, OpeningNeedsAPortAndResetsTheSettings) {
    doc.SetPortIndex(-1);
    EXPECT_FALSE(console.Open());
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error, "Не выбран рабочий COM-порт"}));
    EXPECT_TRUE(doc.TableEditable());

    doc.SetPortIndex(0);
    console.ModeComboChange(BkltMode::Count);
    console.ArgumEditCommit("5000");
    console.SecondChComboChange(3);
    EXPECT_TRUE(console.Open());
    EXPECT_FALSE(doc.TableEditable());
    EXPECT_EQ(doc.Settings().InputSource, InputSource::Rig);
    const BkltView view = console.View();
    EXPECT_EQ(view.FirstChCombo.Selection, 0);
    EXPECT_EQ(view.SecondChCombo.Selection, 1);
    EXPECT_EQ(view.ModeCombo.Selection, BkltMode::Time);
    EXPECT_EQ(view.ArgumEdit.Text, "100");
    EXPECT_EQ(console.Settings().Criterion, 1000u);
    EXPECT_TRUE(view.GoEnabled);
    EXPECT_FALSE(view.StopEnabled);
    EXPECT_FALSE(view.ApplyEnabled);
}

TEST_F(BkltConsoleTest, AChannelInUseIsRefused) {
    const ComboOutcome same = console.FirstChComboChange(1);
    EXPECT_FALSE(same.Accepted);
    EXPECT_EQ(same.Selection, 0);
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error, "Этот канал уже используется"}));
    EXPECT_TRUE(console.SecondChComboChange(3).Accepted);
    EXPECT_TRUE(console.FirstChComboChange(1).Accepted);
    EXPECT_EQ(console.SecondChComboChange(1).Selection, 3);
    EXPECT_EQ(console.Settings().FirstChannel, 1);
    EXPECT_EQ(console.Settings().SecondChannel, 3);
}

TEST_F(BkltConsoleTest, TheCriterionEditSilentlyKeepsValidValuesOnly) {
    const struct {
        int mode;
        const char* typed;
        const char* shown;
    } cases[] = {
        {BkltMode::Time, "1", "100"},      {BkltMode::Time, "4001", "100"},
        {BkltMode::Time, "abc", "100"},    {BkltMode::Time, "2", "2"},
        {BkltMode::Time, "150,7", "150"},  {BkltMode::Time, "4000", "4000"},
        {BkltMode::Count, "99", "1000"},   {BkltMode::Count, "10000001", "1000"},
        {BkltMode::Count, "100", "100"},   {BkltMode::Count, "10000000", "10000000"},
        {BkltMode::StartStop1, "500", ""},
    };
    for (const auto& c : cases) {
        console.Open();
        console.ModeComboChange(c.mode);
        EXPECT_EQ(console.ArgumEditCommit(c.typed), c.shown) << c.typed;
    }
    EXPECT_TRUE(messages.Empty());
}

TEST_F(BkltConsoleTest, TheModeChoosesTheCriterionControls) {
    console.ModeComboChange(BkltMode::Time);
    BkltView view = console.View();
    EXPECT_EQ(view.ArgumLabel, "Критерий останова (длительность, с):");
    EXPECT_TRUE(view.ArgumEdit.Enabled);
    EXPECT_FALSE(view.CounterCombo.Enabled);
    console.ModeComboChange(BkltMode::Count);
    view = console.View();
    EXPECT_EQ(view.ArgumLabel, "Критерий останова (количество импульсов):");
    EXPECT_EQ(view.ArgumEdit.Text, "1000");
    EXPECT_TRUE(view.CounterCombo.Enabled);
    console.ModeComboChange(BkltMode::StartStop2);
    view = console.View();
    EXPECT_EQ(view.ArgumLabel, "");
    EXPECT_EQ(view.ArgumEdit.Text, "");
    EXPECT_FALSE(view.ArgumEdit.Enabled);
    EXPECT_FALSE(view.CounterCombo.Enabled);
}

TEST_F(BkltConsoleTest, StartHandsTheRunParametersToTheThread) {
    console.ModeComboChange(BkltMode::Count);
    console.ArgumEditCommit("2500");
    console.CounterComboChange(2);
    console.GoBtnClick();
    ASSERT_EQ(link.sent.size(), 1u);
    EXPECT_EQ(link.sent[0], (SentCommand{XCmd::StartRig, 3, console.Buffer()}));
    EXPECT_EQ(console.Buffer()->CountRun.Criterion, 2500u);
    EXPECT_EQ(console.Buffer()->CountRun.Channel, 2u);
    const BkltView view = console.View();
    EXPECT_FALSE(view.GoEnabled);
    EXPECT_TRUE(view.StopEnabled);
    EXPECT_FALSE(view.ApplyEnabled);

    console.Stopped();
    console.ModeComboChange(BkltMode::Time);
    console.ArgumEditCommit("36");
    console.GoBtnClick();
    EXPECT_EQ(link.sent.back(), (SentCommand{XCmd::StartRig, 0, console.Buffer()}));
    EXPECT_EQ(console.Buffer()->TimeRun.Duration, 36.0);
}

TEST_F(BkltConsoleTest, ABusyThreadRefusesStartAndStop) {
    link.busy = true;
    console.GoBtnClick();
    EXPECT_TRUE(console.View().GoEnabled);
    link.busy = false;
    console.GoBtnClick();
    link.busy = true;
    console.StopBtnClick();
    EXPECT_TRUE(console.View().StopEnabled);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kBusy, kBusy}));
}

TEST_F(BkltConsoleTest, TimeModeCountsTheElapsedTimeFromTheRigTimer) {
    console.ArgumEditCommit("100");
    console.GoBtnClick();
    Poll(BKLT_CODE_TIME, 4050.5, {120, 7, 0, 0}, {54.0, 0, 0, 0});
    BkltView view = console.View();
    EXPECT_EQ(view.TqText, "54.500");
    EXPECT_EQ(view.T1Text, "54.000");
    EXPECT_EQ(view.N1Text, "120");
    EXPECT_EQ(view.N2Text, "7");
    Poll(BKLT_CODE_TIME, 0.0, {220, 9, 0, 0});
    EXPECT_EQ(console.View().TqText, "100.000");
    // Start/stop modes report the time itself.
    Poll(BKLT_CODE_START_STOP_1, 12.25, {1, 2, 3, 4});
    EXPECT_EQ(console.View().TqText, "12.250");
}

TEST_F(BkltConsoleTest, TheChannelsChooseWhatIsShown) {
    console.SecondChComboChange(3);
    console.FirstChComboChange(2);
    Poll(BKLT_CODE_START_STOP_2, 5.0, {11, 22, 33, 44}, {1.0, 2.0, 3.0, 4.0});
    const BkltView view = console.View();
    EXPECT_EQ(view.T1Text, "3.000");
    EXPECT_EQ(view.N1Text, "33");
    EXPECT_EQ(view.N2Text, "44");
}

TEST_F(BkltConsoleTest, AFinishedRunIsStoppedOnce) {
    console.GoBtnClick();
    link.sent.clear();
    Poll(BKLT_CODE_TIME, 4000.0, {1, 0, 0, 0});
    EXPECT_TRUE(link.sent.empty());
    link.busy = true;
    Poll(BKLT_CODE_TIME, 0.0, {10, 0, 0, 0}, {}, true);
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error, "Не удалось передать команду \"Стоп\""}));
    link.busy = false;
    Poll(BKLT_CODE_TIME, 0.0, {10, 0, 0, 0}, {}, true);
    // A state that was already on its way asks no second stop.
    Poll(BKLT_CODE_TIME, 0.0, {10, 0, 0, 0}, {}, true);
    EXPECT_EQ(link.sent, (std::vector<SentCommand>{{XCmd::StopRig, 0, console.Buffer()}}));
    EXPECT_TRUE(console.View().StopEnabled);
    console.Stopped();
    const BkltView view = console.View();
    EXPECT_TRUE(view.GoEnabled);
    EXPECT_FALSE(view.StopEnabled);
    EXPECT_TRUE(view.ApplyEnabled);
    EXPECT_EQ(view.N1Text, "10");
}

TEST_F(BkltConsoleTest, AFailedStopIsAskedAgainByTheNextFinishedState) {
    console.GoBtnClick();
    Poll(BKLT_CODE_TIME, 0.0, {10, 0, 0, 0}, {}, true);
    console.StopFailed();
    Poll(BKLT_CODE_TIME, 0.0, {10, 0, 0, 0}, {}, true);
    EXPECT_EQ(link.Codes(), (std::vector<int32_t>{XCmd::StartRig, XCmd::StopRig, XCmd::StopRig}));
}

TEST_F(BkltConsoleTest, TakingARunByVolume) {
    FinishedRun(36.0, 1001, 0, 35.9);
    EXPECT_EQ(console.ApplyBtnClick("", "100", "20"), BkltField::None);
    ASSERT_EQ(doc.CalibrationList().Count(), 1u);
    const MeasurementRecord& r = *doc.CalibrationList().Item(0);
    EXPECT_DOUBLE_EQ(r.EtalonFlow, 10.0);
    EXPECT_DOUBLE_EQ(r.MeasuredFrequency, 1000.0 / 36.0);
    EXPECT_EQ(r.EtalonVolume, 100.0);
    EXPECT_EQ(r.EtalonMass, 0.0);
    EXPECT_EQ(r.EtalonTime, 36.0);
    EXPECT_EQ(r.MeasuredTime, 35.9);
    EXPECT_EQ(r.MeasuredPulses, 1001);
    EXPECT_EQ(r.Temperature, 20.0);
    // The same run may be taken again.
    EXPECT_EQ(console.ApplyBtnClick("", "100", "20"), BkltField::None);
    ASSERT_EQ(doc.CalibrationList().Count(), 2u);
    EXPECT_EQ(std::memcmp(doc.CalibrationList().Item(0), doc.CalibrationList().Item(1),
                          sizeof(MeasurementRecord)),
              0);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(BkltConsoleTest, TakingARunInVerificationCountsTheComparedPulses) {
    doc.ModeTestItemClick();
    doc.MethodMassItemClick();
    doc.Settings().WeightIndex = 2; // 0.001 m³ per pulse
    FinishedRun(100.0, 5001, 10000);
    EXPECT_EQ(console.ApplyBtnClick("100", "", "20"), BkltField::None);
    ASSERT_EQ(doc.VerificationList().Count(), 1u);
    EXPECT_EQ(doc.CalibrationList().Count(), 0u);
    const MeasurementRecord& r = *doc.VerificationList().Item(0);
    EXPECT_EQ(r.EtalonMass, 100.0);
    EXPECT_EQ(r.ComparedPulses, 10000);
    EXPECT_DOUBLE_EQ(r.ComparedVolume, 10000.0);
}

TEST_F(BkltConsoleTest, InvalidInputOrAnEmptyRunIsNotTaken) {
    FinishedRun(36.0, 1001);
    const struct {
        const char *mass, *volume, *temperature;
        BkltField focus;
    } cases[] = {
        {"", "0", "20", BkltField::Volume},          {"", "abc", "20", BkltField::Volume},
        {"", "-5", "20", BkltField::Volume},         {"", "100", "4.9", BkltField::Temperature},
        {"", "100", "30.1", BkltField::Temperature}, {"", "100", "", BkltField::Temperature},
    };
    for (const auto& c : cases)
        EXPECT_EQ(console.ApplyBtnClick(c.mass, c.volume, c.temperature), c.focus) << c.volume;
    doc.MethodMassItemClick();
    EXPECT_EQ(console.ApplyBtnClick("", "100", "20"), BkltField::Mass);

    // No pulses, or no time: no frequency to take.
    FinishedRun(36.0, 0);
    EXPECT_EQ(console.ApplyBtnClick("100", "", "20"), BkltField::None);
    console.GoBtnClick();
    Poll(BKLT_CODE_START_STOP_1, 0.0, {50, 0, 0, 0}, {}, true);
    console.Stopped();
    EXPECT_EQ(console.ApplyBtnClick("100", "", "20"), BkltField::None);

    EXPECT_EQ(doc.CalibrationList().Count(), 0u);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(std::size(cases) + 3, kBadValue));
}

TEST_F(BkltConsoleTest, ClosingStopsARunningRunAndLeavesNothingToTake) {
    FinishedRun(36.0, 1001);
    console.Close();
    EXPECT_FALSE(console.View().ApplyEnabled);
    EXPECT_TRUE(link.sent.empty());

    console.ModeComboChange(BkltMode::StartStop2);
    console.GoBtnClick();
    console.Close();
    EXPECT_EQ(link.sent.back(), (SentCommand{XCmd::StopRig, 2, console.Buffer()}));
    // Reopening keeps the run's buttons.
    console.Open();
    EXPECT_TRUE(console.View().StopEnabled);
}

} // namespace
