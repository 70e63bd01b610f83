// ZorComGkms against lgmsim's simulated ГКМС meters over RFC 2217, with the
// answers as slow as the meters' lines.
#include "LogCapture.h"
#include "NkComPort.h"
#include "SimProcess.h"
#include "ZorComGkms.h"
#include "ZorLang.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// Every wait of the library a tenth as long: 6000 ms becomes 600 ms, still
// well above the 170 ms a 5-byte repeat takes at 300 baud.
const bool kScaled = ::setenv("ZORCOM_TIME_SCALE", "0.1", 1) == 0;

constexpr int32_t kPort = 6;
enum Meter : size_t { kModeOne, kModeTwo };

class GkmsDevice : public testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(kScaled);
        sim = new lgmsim::SimProcess({"gkms,mode=1,baud-timing", "gkms,mode=2,baud-timing"});
    }
    static void TearDownTestSuite() {
        delete sim;
        sim = nullptr;
    }

    void TearDown() override {
        ZorComGkmsSetLogFile(ZOR_INVALID_HANDLE);
        NkComPortClose(kPort);
        for (size_t meter : {kModeOne, kModeTwo}) {
            sim->clearFaults(meter);
            ASSERT_TRUE(sim->waitForState(meter, "connected", "0"));
        }
    }

    // Opens the port on the meter and prepares it for the given mode.
    static void connect(size_t meter, uint32_t mode) {
        sim->bindComPort(kPort, meter);
        ASSERT_EQ(NkComPortOpen(kPort), kPort);
        ASSERT_EQ(ZorComGkmsPrepare(kPort, mode), ZOR_OK);
    }

    static int32_t write(uint32_t mode, double a, double b, uint32_t du) {
        const GkmsParams request{0.0, a, b, du};
        return ZorComGkmsSetParams(kPort, mode, &request);
    }

    // Frames the meter has taken since lgmsim started.
    static int frames(size_t meter) { return std::stoi(sim->state(meter)["frames"]); }

    static lgmsim::SimProcess* sim;
};

lgmsim::SimProcess* GkmsDevice::sim = nullptr;

} // namespace

TEST(GkmsTables, ExportedMultiplierAndLimit) {
    EXPECT_EQ(ZorComGkmsLimit(0, 4), 0.36);
    EXPECT_EQ(ZorComGkmsLimit(0, 5), 3.6);
    EXPECT_EQ(ZorComGkmsLimit(7, 13), 36.0);
    EXPECT_EQ(ZorComGkmsLimit(0, 14), 0.0);
    EXPECT_EQ(ZorComGkmsMultiplier(0, 0), 100000.0);
    EXPECT_EQ(ZorComGkmsMultiplier(0, 8), 10000.0);
    EXPECT_EQ(ZorComGkmsMultiplier(0, 9), 1000.0);
    EXPECT_EQ(ZorComGkmsMultiplier(0, 14), 0.0);
}

TEST_F(GkmsDevice, PrepareSetsEachModesLine) {
    connect(kModeOne, 1);
    auto line = sim->state(kModeOne);
    EXPECT_EQ(line["baud"], "300");
    EXPECT_EQ(line["stopsize"], "1");
    EXPECT_EQ(line["datasize"], "8");
    EXPECT_EQ(line["parity"], "1");
    EXPECT_EQ(line["dtr"], "0");
    EXPECT_EQ(line["rts"], "0");
    ASSERT_EQ(ZorComGkmsPrepare(kPort, 0x102), ZOR_OK); // low 8 bits: mode 2
    line = sim->state(kModeOne);
    EXPECT_EQ(line["baud"], "600");
    EXPECT_EQ(line["stopsize"], "2");
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_TIMEOUT;
    ASSERT_EQ(NkComPortGetConfig(kPort, &config), NKCOMPORT_OK);
    EXPECT_EQ(config.Timeout, 5000u);
    EXPECT_EQ(ZorComGkmsPrepare(kPort, 3), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComGkmsPrepare(kPort, 0), ZOR_ERR_BAD_PARAM);
}

TEST_F(GkmsDevice, ModeOneWritesTheLineAndLogsTheExchange) {
    connect(kModeOne, 1);
    LogCapture log;
    ZorComGkmsSetLogFile(log.handle());
    const int before = frames(kModeOne);
    ASSERT_EQ(write(1, 0.1, 0.002, 2), ZOR_OK);
    EXPECT_EQ(log.text(), "[]>> Запись параметров: 27 10 27 D8 36\r\n"
                          ">>[] Ответ: 27 10 27 D8 36\r\n");
    auto meter = sim->state(kModeOne);
    EXPECT_EQ(meter["frames"], std::to_string(before + 1));
    EXPECT_EQ(meter["a"], "10000");
    EXPECT_EQ(meter["ab"], "10200");
    // The meter's interface is fed: DTR on, RTS off.
    EXPECT_EQ(meter["dtr"], "1");
    EXPECT_EQ(meter["rts"], "0");
}

TEST_F(GkmsDevice, ModeTwoWritesDoubledSlopeAndSignedIntercept) {
    connect(kModeTwo, 2);
    const int before = frames(kModeTwo);
    ASSERT_EQ(write(2, 0.1, -0.002, 3), ZOR_OK);
    auto meter = sim->state(kModeTwo);
    EXPECT_EQ(meter["doubled"], "1");
    EXPECT_EQ(meter["a"], "20000");
    EXPECT_EQ(meter["negative"], "1");
    EXPECT_EQ(meter["b"], std::to_string(65536 - 200));

    ASSERT_EQ(write(2, 0.1, 0.002, 4), ZOR_OK);
    meter = sim->state(kModeTwo);
    EXPECT_EQ(meter["frames"], std::to_string(before + 2));
    EXPECT_EQ(meter["doubled"], "0");
    EXPECT_EQ(meter["a"], "10000");
    EXPECT_EQ(meter["negative"], "0");
    EXPECT_EQ(meter["b"], "200");
}

TEST_F(GkmsDevice, ALineSetForTheOtherModeGetsNoAnswer) {
    connect(kModeTwo, 1);
    const int before = frames(kModeTwo);
    EXPECT_EQ(write(1, 0.1, 0.002, 2), ZOR_ERR_READ_TIMEOUT);
    EXPECT_EQ(frames(kModeTwo), before);
}

TEST_F(GkmsDevice, BadRequestsNeverReachTheLine) {
    connect(kModeOne, 1);
    EXPECT_EQ(write(1, 0.1, 0.002, 20), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(write(1, 0.1, 0.002, 14), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(write(3, 0.1, 0.002, 2), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(write(1, 0.7, 0.0, 2), ZOR_ERR_BAD_PARAM); // 70000 does not fit a word
    EXPECT_EQ(ZorComGkmsSetParams(kPort, 1, nullptr), ZOR_ERR_BAD_PARAM);
    auto meter = sim->state(kModeOne);
    EXPECT_EQ(meter["received"], "0"); // counted per connection
    EXPECT_EQ(meter["dtr"], "0");      // not even the lines were touched
    EXPECT_EQ(write(1, 0.1, 0.002, 2), ZOR_OK);
    EXPECT_EQ(ZorComGkmsSetParams(7, 1, nullptr), ZOR_ERR_BAD_PARAM);
    const GkmsParams request{0.0, 0.1, 0.0, 2};
    EXPECT_EQ(ZorComGkmsSetParams(7, 1, &request), ZOR_ERR_PORT_NOT_OPEN);
}

TEST_F(GkmsDevice, FaultsOfTheMeterAndTheirCodes) {
    const struct {
        const char* fault;
        int32_t code;
    } cases[] = {
        {"checksum/1", ZOR_ERR_ECHO_MISMATCH},
        {"silent/1", ZOR_ERR_READ_TIMEOUT},
        {"short/1", ZOR_ERR_READ_TIMEOUT},
        {"delay:1000/1", ZOR_ERR_READ_TIMEOUT},
    };
    for (size_t meter : {kModeOne, kModeTwo}) {
        const uint32_t mode = meter == kModeOne ? 1 : 2;
        connect(meter, mode);
        const int before = frames(meter);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.fault) + " in mode " + std::to_string(mode));
            LogCapture log;
            ZorComGkmsSetLogFile(log.handle());
            sim->fault(meter, c.fault);
            EXPECT_EQ(write(mode, 0.1, 0.002, 2), c.code);
            if (c.code == ZOR_ERR_ECHO_MISMATCH) {
                EXPECT_NE(log.text().find("!! Ответ не соответствует посылке\r\n"),
                          std::string::npos);
            }
            // Nothing is retried: the meter saw the frame once.
            ZorComGkmsSetLogFile(ZOR_INVALID_HANDLE);
            // Leftovers of the damaged answer must not spoil the next write.
            NkComPortPurge(kPort, NKCOMPORT_PURGE_INPUT);
        }
        EXPECT_EQ(frames(meter), before + static_cast<int>(std::size(cases)));
        NkComPortClose(kPort);
        ASSERT_TRUE(sim->waitForState(meter, "connected", "0"));
    }
}
