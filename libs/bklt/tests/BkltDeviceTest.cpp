// ZorComBklt against lgmsim's simulated rig controller over RFC 2217.
#include "LogCapture.h"
#include "NkComPort.h"
#include "SimProcess.h"
#include "ZorComBklt.h"
#include "ZorLang.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Every wait of the library a fifth as long: 500 ms becomes 100 ms. Set
// before the library first looks.
const bool kScaled = ::setenv("ZORCOM_TIME_SCALE", "0.2", 1) == 0;

constexpr int32_t kPort = 5;
constexpr double kMeterHz = 10.0 / 0.02;            // flow 10 m³/h, slope 0.02
constexpr double kReferenceHz = 10.0 / 3.6 * 100.0; // 100 pulses per litre
constexpr double kTick = 1.0 / 4096;

bool same(const void* a, const void* b, size_t size) {
    return std::memcmp(a, b, size) == 0;
}

BkltState filled() {
    BkltState state;
    std::memset(&state, 0x3C, sizeof state);
    return state;
}

class BkltDevice : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(kScaled);
        sim = new lgmsim::SimProcess({"bklt,speed=200"});
        sim->bindComPort(kPort, 0);
    }
    static void TearDownTestSuite() {
        delete sim;
        sim = nullptr;
    }

    void SetUp() override {
        ASSERT_EQ(NkComPortOpen(kPort), kPort);
        ASSERT_EQ(ZorComBkltPrepare(kPort, 0), ZOR_OK);
    }
    void TearDown() override {
        ZorComBkltSetLogFile(ZOR_INVALID_HANDLE);
        sim->clearFaults(0);
        sim->deviceCommand(0, "reject 0");
        NkComPortClose(kPort);
        // The next test's connection must not find this one still there.
        ASSERT_TRUE(sim->waitForState(0, "connected", "0"));
    }

    static BkltState check(uint32_t reset = 0) {
        BkltState state{};
        EXPECT_EQ(ZorComBkltCheckState(kPort, reset, &state), ZOR_OK);
        return state;
    }

    static BkltState pollUntilFinished() {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        BkltState state = check();
        while ((state.Status & BKLT_STATUS_FINISHED) == 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
            state = check();
        }
        return state;
    }

    static uint64_t received() { return std::stoull(sim->state(0)["received"]); }

    static lgmsim::SimProcess* sim;
};

lgmsim::SimProcess* BkltDevice::sim = nullptr;

} // namespace

TEST_F(BkltDevice, PrepareSetsTheControllersLine) {
    auto line = sim->state(0);
    EXPECT_EQ(line["baud"], "9600");
    EXPECT_EQ(line["datasize"], "8");
    EXPECT_EQ(line["parity"], "1");
    EXPECT_EQ(line["stopsize"], "1");
    EXPECT_EQ(line["dtr"], "1");
    EXPECT_EQ(line["rts"], "0");
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_TIMEOUT;
    ASSERT_EQ(NkComPortGetConfig(kPort, &config), NKCOMPORT_OK);
    EXPECT_EQ(config.Timeout, 500u);
}

TEST_F(BkltDevice, TimeModeStartSendsTheTimerValueAndLogsTheExchange) {
    LogCapture log;
    ZorComBkltSetLogFile(log.handle());
    BkltState params{};
    params.TimeRun.Duration = 100.0;
    ASSERT_EQ(ZorComBkltRun(kPort, 0, 0, &params), ZOR_OK);
    EXPECT_EQ(log.text(), "[]>> Старт измерения:\r\n 00 00 C0 F9 B9\r\n"
                          ">>[] Ответ: 00\r\n 00 C0 F9 B9\r\n");

    const BkltState running = check();
    // The state answer: its Code on the answer line, then 28 bytes, 16 to a line.
    const std::string text = log.text();
    const std::string title = "[]>> Проверка состояния\r\n FD\r\n>>[] Ответ: 00\r\n";
    const size_t at = text.find(title);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.size() - at - title.size(), (16 * 3 + 2) + (12 * 3 + 2));
    EXPECT_EQ(running.Code, 0u);
    EXPECT_EQ(running.Status & BKLT_STATUS_FINISHED, 0u);
    // The timer climbs from 4096 - 100 s towards its overflow.
    EXPECT_GT(running.Measurement.Time, 3996.0);
    EXPECT_LT(running.Measurement.Time, 4096.0);

    check(1);
    EXPECT_NE(log.text().find("[]>> Проверка состояния и сброс\r\n FE\r\n"), std::string::npos);
}

TEST_F(BkltDevice, EveryModeRunsUntilTheFinishedBit) {
    const struct {
        uint32_t mode;
        double duration;    // mode 0
        uint32_t criterion; // mode 3, on the meter's channel
        double runTime;     // s the run should last
    } runs[] = {
        {0, 100.0, 0, 100.0},
        {1, 0, 0, 60.0}, // until the diverter's stop signal
        {2, 0, 0, 60.0}, // between the diverter's signals
        {3, 0, 10000, 10000 / kMeterHz},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE("mode " + std::to_string(run.mode));
        BkltState params{};
        if (run.mode == 0) {
            params.TimeRun.Duration = run.duration;
        } else if (run.mode == 3) {
            params.CountRun.Criterion = run.criterion;
            params.CountRun.Channel = 0;
        }
        ASSERT_EQ(ZorComBkltRun(kPort, run.mode, 0, &params), ZOR_OK);
        EXPECT_EQ(check().Status & BKLT_STATUS_FINISHED, 0u);

        const BkltState done = pollUntilFinished();
        ASSERT_NE(done.Status & BKLT_STATUS_FINISHED, 0u);
        EXPECT_EQ(done.Code, run.mode);
        const BkltMeasurement& m = done.Measurement;
        // In mode 0 the timer has overflowed to 0; otherwise it holds the run's time.
        EXPECT_NEAR(m.Time, run.mode == 0 ? 0.0 : run.runTime, run.runTime * 0.002);
        EXPECT_NEAR(m.ChannelCount[0], kMeterHz * run.runTime, kMeterHz * run.runTime * 0.01);
        EXPECT_NEAR(m.ChannelCount[1], kReferenceHz * run.runTime, 2.0);
        if (run.mode == 3) {
            EXPECT_EQ(m.ChannelCount[0], run.criterion);
        }
        // A channel's time spans its first to its last pulse.
        EXPECT_NEAR(m.ChannelTime[0], (m.ChannelCount[0] - 1) / kMeterHz, run.runTime * 0.01);
        EXPECT_NEAR(m.ChannelTime[1], (m.ChannelCount[1] - 1) / kReferenceHz, 2 * kTick);
        EXPECT_EQ(m.ChannelCount[2], 0u);
        EXPECT_EQ(m.ChannelTime[2], 0.0); // no pulse, no time (0xFFFFFF)

        // The reset answers with the final state, then clears the counters.
        const BkltState last = check(1);
        EXPECT_EQ(last.Measurement.ChannelCount[0], m.ChannelCount[0]);
        EXPECT_EQ(check().Measurement.ChannelCount[0], 0u);
    }
}

TEST_F(BkltDevice, StartStopByTheDiverterAtAChangingFlow) {
    // A rig whose diverter gives its signals only when told to.
    lgmsim::SimProcess manual({"bklt,speed=100,gate=0"});
    NkComPortClose(kPort);
    manual.bindComPort(kPort, 0);
    ASSERT_EQ(NkComPortOpen(kPort), kPort);
    ASSERT_EQ(ZorComBkltPrepare(kPort, 0), ZOR_OK);

    BkltState params{};
    ASSERT_EQ(ZorComBkltRun(kPort, 2, 0, &params), ZOR_OK);
    std::this_thread::sleep_for(20ms);
    BkltState waiting = check();
    EXPECT_EQ(waiting.Status & BKLT_STATUS_FINISHED, 0u);
    EXPECT_EQ(waiting.Measurement.Time, 0.0); // no start signal yet
    EXPECT_EQ(waiting.Measurement.ChannelCount[0], 0u);

    manual.deviceCommand(0, "signal");
    std::this_thread::sleep_for(20ms);
    manual.deviceCommand(0, "flow 20");
    manual.deviceCommand(0, "speed 1000");
    std::this_thread::sleep_for(20ms);
    manual.deviceCommand(0, "signal");
    const BkltState done = check();
    ASSERT_NE(done.Status & BKLT_STATUS_FINISHED, 0u);
    EXPECT_GT(done.Measurement.Time, 2.0);
    // Both meters see the same water: their counts keep the ratio of their
    // pulses per litre whatever the flow did.
    const auto& n = done.Measurement.ChannelCount;
    EXPECT_NEAR(static_cast<double>(n[0]) / n[1], kMeterHz / kReferenceHz, 0.01);
    // Mostly at the doubled flow.
    EXPECT_GT(n[1] / done.Measurement.Time, kReferenceHz * 1.5);
    EXPECT_LT(n[1] / done.Measurement.Time, kReferenceHz * 2.01);

    NkComPortClose(kPort);
    sim->bindComPort(kPort, 0);
    ASSERT_EQ(NkComPortOpen(kPort), kPort);
}

TEST_F(BkltDevice, LasersAreConfirmedAndGivenTimeToSettle) {
    LogCapture log;
    ZorComBkltSetLogFile(log.handle());
    BkltState params{};
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(ZorComBkltRun(kPort, 1, 1, &params), ZOR_OK);
    // The settling pause is 1000 ms on the time scale of this test (0.2).
    EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
    EXPECT_EQ(log.text(), "[]>> Включение лазеров\r\n 05\r\n>>[] Ответ: 05\r\n"
                          ">>[] Включение лазеров подтверждено, выдержка паузы\r\n"
                          "[]>> Старт измерения:\r\n 01\r\n>>[] Ответ: 01\r\n");
    EXPECT_EQ(sim->state(0)["lasers"], "1");
    check(1);
}

TEST_F(BkltDevice, VersionByteAndFlag) {
    BkltState state = filled();
    ASSERT_EQ(ZorComBkltVersion(kPort, &state), ZOR_OK);
    EXPECT_EQ(state.Version.Version, 3u); // the simulator's 0x83
    EXPECT_EQ(state.Version.Flag, 1u);
}

TEST_F(BkltDevice, OscilloscopeCapturesTheChannel) {
    BkltState state{};
    state.OscilloscopeMode = {0, 0, 0};
    ASSERT_EQ(ZorComBkltOscilloscope(kPort, &state), ZOR_OK);
    const BkltState capture = check();
    EXPECT_EQ(capture.Code, 10u);
    // 500 Hz sampled at 4096 Hz: both levels within 80 samples.
    int high = 0;
    for (uint8_t sample : capture.Oscilloscope) {
        high += sample == 0xFF;
    }
    EXPECT_GT(high, 20);
    EXPECT_LT(high, 60);
    check(1);
    EXPECT_LT(check().Code, 4u); // back to measuring
}

TEST_F(BkltDevice, GeneratorCountsItsPulsesDown) {
    BkltGenerator generator{};
    generator.D1 = 1.0; // a pulse every 4 ticks: 100 pulses in 0.1 s
    generator.D3 = generator.D4 = 0.5;
    generator.Pulses1 = 100;
    generator.Pulses2 = 5; // D2 = 0: output 2 never pulses
    ASSERT_EQ(ZorComBkltGenerator(kPort, &generator), ZOR_OK);
    BkltState state = check();
    for (int i = 0; i < 100 && state.Generator.Value1 != 0; ++i) {
        std::this_thread::sleep_for(5ms);
        state = check();
    }
    EXPECT_EQ(state.Code, 4u);
    EXPECT_EQ(state.Generator.Value1, 0u);
    EXPECT_EQ(state.Generator.Value2, 0x1000000u - 5);
    check(1);
}

TEST_F(BkltDevice, ParametersComeBackOneTickLonger) {
    BkltParams written{};
    written.P1 = 125.0; // 512 ticks
    written.P2 = 50.0;  // 204 ticks
    written.Flags[0] = written.Flags[3] = 1;
    written.P3 = 2.5;
    ASSERT_EQ(ZorComBkltSetParam(kPort, &written), ZOR_OK);
    EXPECT_EQ(sim->state(0)["params"], "FFFDFF33FFFF090500");

    BkltParams read{};
    ASSERT_EQ(ZorComBkltGetParam(kPort, &read), ZOR_OK);
    EXPECT_DOUBLE_EQ(read.P1, 513 / 4.096);
    EXPECT_NEAR(read.P1 - written.P1, 0.244, 0.001);
    EXPECT_DOUBLE_EQ(read.P2, 205 / 4.096);
    EXPECT_EQ(read.Flags[0], 1u);
    EXPECT_EQ(read.Flags[1], 0u);
    EXPECT_EQ(read.Flags[2], 0u);
    EXPECT_EQ(read.Flags[3], 1u);
    EXPECT_DOUBLE_EQ(read.P3, 2.5);
}

TEST_F(BkltDevice, BadArgumentsNeverReachTheLine) {
    const uint64_t before = received();
    BkltState params{};
    params.TimeRun.Duration = 4096.0;
    EXPECT_EQ(ZorComBkltRun(kPort, 0, 1, &params), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComBkltRun(kPort, 4, 1, &params), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComBkltRun(kPort, 1, 0, nullptr), ZOR_ERR_BAD_PARAM);
    params.CountRun = {0, 0};
    EXPECT_EQ(ZorComBkltRun(kPort, 3, 0, &params), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComBkltCheckState(kPort, 0, nullptr), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComBkltVersion(kPort, nullptr), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComBkltOscilloscope(kPort, nullptr), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComBkltGenerator(kPort, nullptr), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComBkltGetParam(kPort, nullptr), ZOR_ERR_BAD_PARAM);
    BkltParams bad{};
    bad.P3 = 200.0;
    EXPECT_EQ(ZorComBkltSetParam(kPort, &bad), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(received(), before);
    EXPECT_EQ(ZorComBkltCheckState(7, 0, &params), ZOR_ERR_PORT_NOT_OPEN);
}

TEST_F(BkltDevice, EveryFaultGivesItsCodeAndLeavesTheRecords) {
    const auto run = [](uint32_t mode, uint32_t lasers) {
        return [=] {
            BkltState params{};
            params.TimeRun.Duration = 100.0;
            if (mode == 3) {
                params.CountRun = {500, 1};
            }
            return ZorComBkltRun(kPort, mode, lasers, &params);
        };
    };
    BkltState state = filled();
    BkltParams params{};
    params.P1 = 7.0;
    const BkltState stateBefore = state;
    const BkltParams paramsBefore = params;
    const auto checkState = [&] { return ZorComBkltCheckState(kPort, 0, &state); };
    const auto version = [&] { return ZorComBkltVersion(kPort, &state); };
    const auto getParams = [&] { return ZorComBkltGetParam(kPort, &params); };
    const auto setParams = [&] { return ZorComBkltSetParam(kPort, &paramsBefore); };
    const auto oscilloscope = [&] {
        BkltState mode{};
        mode.OscilloscopeMode = {1, 0, 0};
        return ZorComBkltOscilloscope(kPort, &mode);
    };
    const auto generator = [&] {
        BkltGenerator g{};
        g.D1 = 1.0;
        g.Pulses1 = 3;
        return ZorComBkltGenerator(kPort, &g);
    };
    const struct {
        const char* what;
        const char* fault;   // lgmsim fault, for the next answer only
        const char* command; // or a device command
        std::function<int32_t()> call;
        int32_t code;
    } cases[] = {
        {"state, wrong Code", "status/1", nullptr, checkState, ZOR_ERR_BAD_VALUES},
        {"state, cut short", "short/1", nullptr, checkState, ZOR_ERR_READ_TIMEOUT},
        {"state, one byte only", "short:1/1", nullptr, checkState, ZOR_ERR_READ_TIMEOUT},
        {"state, no answer", "silent/1", nullptr, checkState, ZOR_ERR_READ_TIMEOUT},
        {"state, too late", "delay:400/1", nullptr, checkState, ZOR_ERR_READ_TIMEOUT},
        {"start 0, spoiled repeat", "checksum/1", nullptr, run(0, 0), ZOR_ERR_ECHO_MISMATCH},
        {"start 3, spoiled repeat", "checksum/1", nullptr, run(3, 0), ZOR_ERR_ECHO_MISMATCH},
        {"start 3, repeat cut short", "short/1", nullptr, run(3, 0), ZOR_ERR_READ_TIMEOUT},
        {"start refused", nullptr, "reject 1", run(1, 0), ZOR_ERR_REJECTED},
        {"start, wrong answer byte", "status/1", nullptr, run(2, 0), ZOR_ERR_BAD_ANSWER},
        {"lasers not confirmed", "status/1", nullptr, run(1, 1), ZOR_ERR_BAD_VALUES},
        {"lasers refused", nullptr, "reject 1", run(1, 1), ZOR_ERR_BAD_VALUES},
        {"version, spoiled copy", "checksum/1", nullptr, version, ZOR_ERR_CHECKSUM},
        {"version refused", nullptr, "reject 1", version, ZOR_ERR_REJECTED},
        {"version, wrong answer byte", "status/1", nullptr, version, ZOR_ERR_BAD_ANSWER},
        {"oscilloscope, spoiled copy", "checksum/1", nullptr, oscilloscope, ZOR_ERR_CHECKSUM},
        {"generator, spoiled repeat", "checksum/1", nullptr, generator, ZOR_ERR_ECHO_MISMATCH},
        {"parameters write refused", nullptr, "reject 1", setParams, ZOR_ERR_REJECTED},
        {"parameters write, wrong byte", "status/1", nullptr, setParams, ZOR_ERR_BAD_ANSWER},
        {"parameters read, spoiled sum", "checksum/1", nullptr, getParams, ZOR_ERR_CHECKSUM},
        {"parameters read, cut short", "short:6/1", nullptr, getParams, ZOR_ERR_READ_TIMEOUT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.fault != nullptr) {
            sim->fault(0, c.fault);
        } else {
            sim->deviceCommand(0, c.command);
        }
        EXPECT_EQ(c.call(), c.code);
        EXPECT_TRUE(same(&state, &stateBefore, sizeof state));
        EXPECT_TRUE(same(&params, &paramsBefore, sizeof params));
        // Whatever is left of the damaged answer is purged by the next exchange.
        std::this_thread::sleep_for(20ms);
        BkltState fresh{};
        EXPECT_EQ(ZorComBkltCheckState(kPort, 1, &fresh), ZOR_OK);
    }
}

TEST_F(BkltDevice, DamagedStateAnswersNeverStoreAPartialState) {
    for (int keep : {0, 1, 2, 5, 17, 28}) {
        SCOPED_TRACE(keep);
        sim->fault(0, "short:" + std::to_string(keep) + "/1");
        BkltState state = filled();
        const BkltState before = state;
        EXPECT_LT(ZorComBkltCheckState(kPort, 0, &state), 0);
        EXPECT_TRUE(same(&state, &before, sizeof state));
    }
}

TEST_F(BkltDevice, ALostConnectionIsAReadFailure) {
    sim->fault(0, "drop:5/1");
    BkltState state = filled();
    const BkltState before = state;
    EXPECT_EQ(ZorComBkltCheckState(kPort, 0, &state), ZOR_ERR_READ);
    EXPECT_TRUE(same(&state, &before, sizeof state));
}

TEST_F(BkltDevice, BreakFromAnotherThreadEndsTheWait) {
    sim->fault(0, "silent/1");
    std::thread breaker([] {
        std::this_thread::sleep_for(10ms);
        NkComPortBreak(kPort);
    });
    BkltState state{};
    EXPECT_EQ(ZorComBkltCheckState(kPort, 0, &state), ZOR_ERR_READ_ABORTED);
    breaker.join();
}
