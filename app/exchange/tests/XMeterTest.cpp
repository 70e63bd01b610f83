// The ЛГМ meter commands against lgmsim's meters: the adaptor's power-up,
// the version selector, parameters and journal of both versions, the short
// reads, the output test, the adaptor tuning and the abort.
#include "MeterSamples.h"
#include "XThreadFixture.h"

#include "ZorComLgm.h"
#include "approx/Sections.h"

#include <chrono>
#include <thread>

namespace xtest {
namespace {

Bytes PackedBlock(uint32_t version) {
    MeterParams record = SampleMeterParams(version);
    Bytes block(128);
    EXPECT_EQ(ZorComLgmPackParameters(version, &record, block.data()), 0);
    block.resize(version == 2 ? 44 : 35);
    return block;
}

class MeterTest : public XThreadTest {
protected:
    int Writes(Com com) { return std::stoi(sim().state(com)["writes"]); }
    Bytes SimParams(Com com) { return FromHex(sim().deviceCommand(com, "params")); }
    size_t VersionQuestions() { return Count(LogText(), "Короткая команда: 08"); }
};

TEST_F(MeterTest, TheAdaptorIsPoweredUpOncePerRun) {
    Start(kMeterV2);
    uint8_t supply = 0;
    const uint32_t sent = clock->TickCount();
    const XMessage first = Run(XCmd::ReadSupply, 0, &supply);
    EXPECT_EQ(first.WParam, uint32_t(XCmd::ReadSupply));
    EXPECT_EQ(supply, 200);
    // 3 s of power-up, 100 ms of DTR off, 150 ms to settle (and perhaps the
    // idle pass that was running when the command came).
    EXPECT_GE(first.Tick - sent, 3250u);
    EXPECT_LE(first.Tick - sent, 3251u);
    const std::string log = LogText();
    EXPECT_NE(log.find("Подготовка порта\r\nСброс DTR\r\nУстановка DTR\r\n"), std::string::npos);

    // Not again, also not on another port.
    ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, kMeterV1, nullptr));
    ASSERT_TRUE(thread.PreparePort(XPortKind::Lgm));
    clock->Freeze(true);
    const uint32_t again = clock->TickCount();
    const XMessage second = Run(XCmd::ReadSupply, 0, &supply);
    EXPECT_EQ(second.WParam, uint32_t(XCmd::ReadSupply));
    EXPECT_EQ(second.Tick, again);
    EXPECT_EQ(Count(LogText(), "Подготовка порта"), 1u);
}

TEST_F(MeterTest, ParametersAndJournalRoundTripOnEachVersion) {
    for (const auto& [com, version] : {std::pair{kMeterV2, 2u}, std::pair{kMeterV1, 1u}}) {
        SCOPED_TRACE(version);
        Start(com);
        const int writes = Writes(com);
        // The window's order: the journal, then the parameters.
        ApproxDataList journal = SampleJournal();
        MeterParams record = SampleMeterParams(version);
        EXPECT_EQ(Run(XCmd::WriteJournal, kVersionRecent, &journal).WParam,
                  uint32_t(XCmd::WriteJournal));
        EXPECT_EQ(Run(XCmd::WriteParams, kVersionRecent, &record).WParam,
                  uint32_t(XCmd::WriteParams));
        EXPECT_EQ(Writes(com), writes + 2);
        EXPECT_EQ(SimParams(com), PackedBlock(version));

        MeterParams back{};
        EXPECT_EQ(Run(XCmd::ReadParams, kVersionRecent, &back).WParam, uint32_t(XCmd::ReadParams));
        EXPECT_EQ(back.Version, version);
        EXPECT_EQ(back.DuIndex, 5u);
        EXPECT_EQ(back.LineCount, 3u);
        EXPECT_EQ(back.WeightCode, 2u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(back.A[i], record.A[i], 1e-4) << i;
            EXPECT_NEAR(back.B[i], record.B[i], 1e-3) << i;
        }
        ApproxDataList read{};
        read.DuIndex = 4;
        EXPECT_EQ(Run(XCmd::ReadJournal, kVersionRecent, &read).WParam,
                  uint32_t(XCmd::ReadJournal));
        ASSERT_EQ(read.Count, 6u);
        for (uint32_t i = 0; i < 6; ++i) {
            EXPECT_NEAR(read.Items[i].Q, journal.Items[i].Q, 1e-4) << i;
            EXPECT_NEAR(read.Items[i].F, journal.Items[i].F, 1e-4) << i;
        }
    }
}

TEST_F(MeterTest, AJournalThatDoesNotDecodeReadsAsAnEmptyList) {
    Start(kMeterV2);
    ApproxDataList list = SampleJournal();
    list.DuIndex = 0; // no standard sequence: nothing to decode against
    EXPECT_EQ(Run(XCmd::ReadJournal, kVersionRecent, &list).WParam, uint32_t(XCmd::ReadJournal));
    EXPECT_EQ(list.Count, 0u);
}

TEST_F(MeterTest, TheVersionIsAskedOnlyWhenNotReadWithinFiveSeconds) {
    Start(kMeterV2);
    clock->Freeze(true);
    MeterParams params{};
    const auto read = [&](uint32_t selector) {
        EXPECT_EQ(Run(XCmd::ReadParams, selector, &params).WParam, uint32_t(XCmd::ReadParams));
        return VersionQuestions();
    };
    EXPECT_EQ(read(kVersionRecent), 1u);
    clock->Advance(4999);
    EXPECT_EQ(read(kVersionRecent), 1u); // 4999 ms after the last read
    clock->Advance(5000);
    EXPECT_EQ(read(kVersionRecent), 2u); // 5000 ms after it
    EXPECT_EQ(read(kVersionCached), 2u);
    EXPECT_EQ(read(kVersionAsk), 3u);
    EXPECT_EQ(read(2), 3u);
    EXPECT_EQ(params.Version, 2u);

    // Another port may hold another meter.
    ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, kMeterV1, nullptr));
    ASSERT_TRUE(thread.PreparePort(XPortKind::Lgm));
    EXPECT_EQ(read(kVersionCached), 4u);
    EXPECT_EQ(params.Version, 1u);
}

TEST_F(MeterTest, ARecordOfAnotherVersionIsNotWritten) {
    Start(kMeterV2);
    const Bytes before = SimParams(kMeterV2);
    const int writes = Writes(kMeterV2);
    MeterParams record = SampleMeterParams(1);
    const XMessage m = Run(XCmd::WriteParams, kVersionRecent, &record);
    EXPECT_EQ(m.WParam, uint32_t(XCmd::WriteParams) | kExchangeFailed);
    EXPECT_EQ(m.LParam, -27);
    EXPECT_EQ(Writes(kMeterV2), writes);
    EXPECT_EQ(SimParams(kMeterV2), before);
    EXPECT_EQ(Count(LogText(), "Запись параметров"), 0u);
    EXPECT_TRUE(thread.IsPortOpen());
}

TEST_F(MeterTest, WithoutDsrTheMeterIsNotAsked) {
    Start(kMeterV2);
    uint8_t supply = 0;
    ASSERT_EQ(Run(XCmd::ReadSupply, 0, &supply).WParam, uint32_t(XCmd::ReadSupply));
    sim().setLine(kMeterV2, "dsr", false);
    const std::string received = sim().state(kMeterV2)["received"];
    MeterParams params{};
    AdaptorTuning tuning{};
    for (const auto& [code, data] : {std::pair<int32_t, void*>{XCmd::ReadParams, &params},
                                     {XCmd::ReadSupply, &supply},
                                     {XCmd::TuneAdaptor, &tuning}}) {
        const XMessage m = Run(code, kVersionRecent, data);
        EXPECT_EQ(m.WParam, uint32_t(code) | kExchangeFailed) << code;
        EXPECT_EQ(m.LParam, -26) << code;
    }
    EXPECT_EQ(sim().state(kMeterV2)["received"], received);
    // The thermo commands do not look at DSR.
    uint32_t thermo = 0;
    EXPECT_EQ(Run(XCmd::ReadThermoSensor, kVersionRecent, &thermo).WParam,
              uint32_t(XCmd::ReadThermoSensor));
    EXPECT_EQ(thermo, 46u);
}

TEST_F(MeterTest, ThermoSensorAndCompensation) {
    Start(kMeterV2);
    sim().deviceCommand(kMeterV2, "thermo 45");
    uint32_t word = 0xFFFFFFFF;
    EXPECT_EQ(Run(XCmd::ReadThermoSensor, kVersionRecent, &word).WParam,
              uint32_t(XCmd::ReadThermoSensor));
    EXPECT_EQ(word, 45u);
    for (const auto& [value, byte] : {std::pair{2.0, 11u}, std::pair{-3.5, 0u}}) {
        double compensation = value;
        EXPECT_EQ(Run(XCmd::WriteThermoCompensation, kVersionRecent, &compensation).WParam,
                  uint32_t(XCmd::WriteThermoCompensation));
        word = 0xFFFFFFFF;
        EXPECT_EQ(Run(XCmd::ReadThermoCompensation, kVersionRecent, &word).WParam,
                  uint32_t(XCmd::ReadThermoCompensation));
        EXPECT_EQ(word, byte) << value;
    }
    // A version-1 meter has no compensation byte to write.
    ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, kMeterV1, nullptr));
    ASSERT_TRUE(thread.PreparePort(XPortKind::Lgm));
    double compensation = 1.0;
    EXPECT_EQ(Outcome(Run(XCmd::WriteThermoCompensation, kVersionRecent, &compensation)), -19);
}

TEST_F(MeterTest, OutputTestRunsFifteenSecondsThenRestoresTheParameters) {
    Start(kMeterV2);
    const Bytes block = PackedBlock(2);
    sim().deviceCommand(kMeterV2, "params " + ToHex(block));
    const int writes = Writes(kMeterV2);

    MeterParams shown{};
    ASSERT_TRUE(thread.SendCommand(XCmd::OutputTest, kVersionRecent, &shown));
    const auto params = queue.Next();
    ASSERT_TRUE(params);
    EXPECT_EQ(params->WParam, uint32_t(XCmd::TestParams));
    EXPECT_EQ(params->LParam, reinterpret_cast<intptr_t>(&shown));
    EXPECT_EQ(shown.LineCount, 3u);
    EXPECT_EQ(shown.DivisionFactor, 4.0);

    std::vector<XMessage> progress;
    std::optional<XMessage> m;
    while ((m = queue.Next()) && m->Code() == XCmd::TestProgress)
        progress.push_back(*m);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->WParam, uint32_t(XCmd::OutputTest));
    ASSERT_EQ(progress.size(), 75u);
    for (size_t i = 0; i < progress.size(); ++i) {
        EXPECT_EQ(progress[i].LParam, intptr_t((i + 1) * 200 / 15)) << i;
        if (i > 0) {
            EXPECT_EQ(progress[i].Tick - progress[i - 1].Tick, 200u) << i;
        }
    }
    EXPECT_EQ(progress.front().LParam, 13);
    EXPECT_EQ(progress.back().LParam, 1000);
    // The test block, then the block read first.
    EXPECT_EQ(Writes(kMeterV2), writes + 2);
    EXPECT_EQ(SimParams(kMeterV2), block);
}

TEST_F(MeterTest, AFailedTestWriteStillRestoresTheParameters) {
    Start(kMeterV2);
    const Bytes block = PackedBlock(2);
    sim().deviceCommand(kMeterV2, "params " + ToHex(block));
    const int writes = Writes(kMeterV2);
    // Spoil the answer to the test block's write: the meter took the block,
    // the thread cannot know it did.
    auto forward = queue.Receiver();
    thread.SetNotify(
        [this, forward](uint32_t message, uint32_t wparam, intptr_t lparam) {
            if (wparam == uint32_t(XCmd::TestParams))
                sim().fault(kMeterV2, "status/1");
            forward(message, wparam, lparam);
        },
        kExchangeMessage, log);

    MeterParams shown{};
    ASSERT_TRUE(thread.SendCommand(XCmd::OutputTest, kVersionRecent, &shown));
    EXPECT_EQ(queue.Next()->WParam, uint32_t(XCmd::TestParams));
    const auto m = queue.Next();
    ASSERT_TRUE(m);
    EXPECT_EQ(m->WParam, uint32_t(XCmd::OutputTest) | kExchangeFailed);
    EXPECT_EQ(m->LParam, -24); // the status byte differs from the frame sent
    EXPECT_EQ(Writes(kMeterV2), writes + 2);
    EXPECT_EQ(SimParams(kMeterV2), block);
}

TEST_F(MeterTest, EndingTheProgramCutsTheOutputTestShortButRestoresTheParameters) {
    Start(kMeterV2);
    const Bytes block = PackedBlock(2);
    sim().deviceCommand(kMeterV2, "params " + ToHex(block));
    const int writes = Writes(kMeterV2);
    MeterParams shown{};
    ASSERT_TRUE(thread.SendCommand(XCmd::OutputTest, kVersionRecent, &shown));
    ASSERT_TRUE(queue.NextOf(XCmd::TestProgress));
    const uint32_t asked = clock->TickCount();
    thread.Terminate();
    EXPECT_LT(clock->TickCount() - asked, 15000u);
    EXPECT_EQ(queue.NextOf(XCmd::OutputTest)->WParam, uint32_t(XCmd::OutputTest));
    EXPECT_EQ(Writes(kMeterV2), writes + 2);
    EXPECT_EQ(SimParams(kMeterV2), block);
    EXPECT_FALSE(thread.IsPortOpen());
}

TEST_F(MeterTest, AdaptorTuning) {
    struct Case {
        const char* flash; // durations at levels 0 … 3
        uint32_t automatic;
        int32_t level; // asked (manual)
        int32_t expectedLevel;
        uint32_t expectedDuration;
    };
    const Case cases[] = {
        {"20:50:90:120", 1, 0, 1, 50}, // 120, 90 too long; 50 fits
        {"90:90:90:90", 1, 2, -1, 90}, // nothing fits
        {"20:20:20:50", 1, 0, 3, 50},  // the first level fits
        {"20:26:90:120", 0, 1, 1, 26}, // manual: the level asked
        {"20:26:90:120", 0, 2, 2, 90}, // manual: no search
    };
    Start(kMeterV2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flash);
        sim().deviceCommand(kMeterV2, std::string("flash ") + c.flash);
        AdaptorTuning tuning{7, c.level, 0, 0, 0, c.automatic};
        const XMessage m = Run(XCmd::TuneAdaptor, 0, &tuning);
        EXPECT_EQ(m.WParam, uint32_t(XCmd::TuneAdaptor));
        EXPECT_EQ(m.LParam, reinterpret_cast<intptr_t>(&tuning));
        EXPECT_EQ(tuning.Level, c.expectedLevel);
        EXPECT_EQ(tuning.Duration, c.expectedDuration);
        EXPECT_EQ(tuning.Number, 17u);
        EXPECT_EQ(tuning.Version, 3u);
        EXPECT_EQ(tuning.Reserved, 7u);
        EXPECT_EQ(sim().state(kMeterV2)["level"], std::to_string(std::max(c.expectedLevel, 0)));
    }
}

TEST_F(MeterTest, AbortExchangeBreaksOffASlowAnswer) {
    Start(kMeterV2);
    uint8_t supply = 0;
    ASSERT_EQ(Run(XCmd::ReadSupply, 0, &supply).WParam, uint32_t(XCmd::ReadSupply));
    const std::string received = sim().state(kMeterV2)["received"];
    sim().fault(kMeterV2, "delay:5000/1");
    ASSERT_TRUE(thread.SendCommand(XCmd::ReadSupply, 0, &supply));
    // Break off once the request has reached the meter.
    for (int i = 0; i < 400 && sim().state(kMeterV2)["received"] == received; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    thread.AbortExchange();
    const auto m = queue.Next(std::chrono::seconds(4));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->WParam, uint32_t(XCmd::ReadSupply) | kExchangeFailed);
    EXPECT_EQ(m->LParam, -12);
    EXPECT_TRUE(thread.IsPortOpen());
}

} // namespace
} // namespace xtest
