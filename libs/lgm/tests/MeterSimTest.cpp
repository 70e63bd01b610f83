// The link exports against lgmsim's ЛГМ meter of each version over the
// RFC 2217 backend: reads, writes, privileged writes, the table of each
// version, thermo compensation, short commands, the adaptor, the control
// lines, every fault the simulator injects, and the log of a full exchange
// against a golden file.
//
// ZORCOM_TIME_SCALE (set for this test) shortens the link's
// time-outs so a silent device fails fast.
#include "NkComPort.h"
#include "SimProcess.h"
#include "ZorComLgm.h"
#include "ZorLang.h"
#include "support/LogCapture.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::string ToHex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes Pattern(size_t n, uint8_t seed) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(seed + 29 * i);
    return b;
}

size_t ParamsLength(uint32_t version) {
    return version == 2 ? 44 : 35;
}

size_t TableLength(uint32_t version) {
    return version == 2 ? 31 : version == 1 ? 84 : 0;
}

// One lgmsim with a meter of each version: device v on port v, each keeping
// its blocks in a file.
class MeterSim : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new fs::path(fs::temp_directory_path() /
                           ("zorcomlgm-sim-" + std::to_string(::getpid())));
        fs::create_directories(*dir);
        std::vector<std::string> devices;
        for (int v = 0; v < 3; ++v)
            devices.push_back("lgm,version=" + std::to_string(v) + ",file=" + File(v).string());
        sim = new lgmsim::SimProcess(devices);
        for (int v = 0; v < 3; ++v) {
            sim->bindComPort(v, v);
            ASSERT_EQ(NkComPortOpen(v), v);
            ASSERT_EQ(ZorComLgmPrepare(v, 0), ZOR_OK);
        }
    }

    static void TearDownTestSuite() {
        for (int v = 0; v < 3; ++v)
            NkComPortClose(v);
        delete sim;
        sim = nullptr;
        fs::remove_all(*dir);
        delete dir;
    }

    void SetUp() override {
        log = std::make_unique<lgmtest::LogCapture>();
        ZorComLgmSetLogFile(log->Handle());
    }

    void TearDown() override {
        ZorComLgmSetLogFile(-1);
        Heal();
    }

    // Every meter without faults, refusals or leftovers on its line.
    static void Heal() {
        for (int v = 0; v < 3; ++v) {
            sim->clearFaults(v);
            sim->deviceCommand(v, "refuse none");
            // A fault may leave the rest of an answer on the line.
            NkComPortPurge(v, NKCOMPORT_PURGE_INPUT);
        }
    }

    static fs::path File(int version) { return *dir / ("meter" + std::to_string(version)); }

    static Bytes SimParams(int v) { return FromHex(sim->deviceCommand(v, "params")); }
    static Bytes SimTable(int v) { return FromHex(sim->deviceCommand(v, "table")); }

    bool Logged(const std::string& text) const {
        return log->Text().find(text) != std::string::npos;
    }

    static lgmsim::SimProcess* sim;
    static fs::path* dir;
    std::unique_ptr<lgmtest::LogCapture> log;
};

lgmsim::SimProcess* MeterSim::sim = nullptr;
fs::path* MeterSim::dir = nullptr;

// --- The line -------------------------------------------------------------

TEST_F(MeterSim, PrepareSetsTheMeterLine) {
    for (int v = 0; v < 3; ++v) {
        auto state = sim->state(v);
        EXPECT_EQ(state["baud"], "9600");
        EXPECT_EQ(state["datasize"], "8");
        EXPECT_EQ(state["parity"], "1"); // none
        EXPECT_EQ(state["stopsize"], "1");
        EXPECT_EQ(state["dtr"], "1"); // the adaptor's supply
        EXPECT_EQ(state["rts"], "0");
        EXPECT_EQ(state["dsr"], "1");
    }
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_TIMEOUT;
    ASSERT_EQ(NkComPortGetConfig(1, &config), 0);
    EXPECT_EQ(config.Timeout, 6000u);
}

TEST_F(MeterSim, ABreakFromAnotherThreadCutsAWaitingExchangeShort) {
    sim->fault(1, "silent/1");
    // Well inside the link's 600 ms: the read ends by the break, not by time.
    std::thread breaker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        NkComPortBreak(1);
    });
    Bytes block(256);
    EXPECT_EQ(ZorComLgmReadParams(1, 1, block.data(), 256), ZOR_ERR_READ_ABORTED);
    breaker.join();
}

// --- Blocks -------------------------------------------------------------

TEST_F(MeterSim, ReadParamsOfEachVersion) {
    for (uint32_t v = 0; v < 3; ++v) {
        Bytes block(256, 0xCC);
        ASSERT_EQ(ZorComLgmReadParams(v, v, block.data(), 256), ZOR_OK) << v;
        const Bytes expected = SimParams(v);
        ASSERT_EQ(expected.size(), ParamsLength(v));
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), block.begin())) << v;
        EXPECT_EQ(block[expected.size()], 0xCC);

        // The decoded default block: two lines of a DN32 meter.
        MeterParams params{};
        ASSERT_EQ(ZorComLgmExtractParameters(v, block.data(), &params), ZOR_OK);
        EXPECT_EQ(params.LineCount, 2u);
        EXPECT_EQ(params.DuIndex, 3u);
    }
}

TEST_F(MeterSim, WritesReachTheMeterAndItsFile) {
    for (uint32_t v = 0; v < 3; ++v) {
        for (uint32_t flags : {0u, ZORCOMLGM_PRIVILEGED}) {
            const Bytes block = Pattern(ParamsLength(v), static_cast<uint8_t>(v * 50 + flags));
            ASSERT_EQ(ZorComLgmWriteParams(v, v, flags, block.data(), 128), ZOR_OK)
                << v << "/" << flags;
            EXPECT_EQ(SimParams(v), block);
            const Bytes file = ReadFile(File(static_cast<int>(v)));
            ASSERT_EQ(file.size(), ParamsLength(v) + TableLength(v));
            EXPECT_TRUE(std::equal(block.begin(), block.end(), file.begin()));

            Bytes back(ParamsLength(v));
            ASSERT_EQ(ZorComLgmReadParams(v, v, back.data(), ParamsLength(v)), ZOR_OK);
            EXPECT_EQ(back, block);
        }
    }
}

TEST_F(MeterSim, PackedRecordRoundTrip) {
    MeterParams record{};
    record.DuIndex = 5;
    record.LineCount = 3;
    record.PulseDuration = 0.5;
    record.DivisionFactor = 4;
    record.WeightCode = 2;
    const double a[] = {0.21, 0.2, 0.19};
    const double b[] = {0.01, 0.05, 0.12};
    const double f[] = {30, 120, 1e200};
    for (int i = 0; i < 3; ++i) {
        record.A[i] = a[i];
        record.B[i] = b[i];
        record.Fmax[i] = f[i];
        record.Hysteresis[i] = 0.01;
    }
    for (uint32_t v = 0; v < 3; ++v) {
        MeterParams packed = record;
        Bytes block(128);
        ASSERT_EQ(ZorComLgmPackParameters(v, &packed, block.data()), ZOR_OK);
        ASSERT_EQ(ZorComLgmWriteParams(v, v, ZORCOMLGM_PRIVILEGED, block.data(), 128), ZOR_OK);
        Bytes read(256);
        ASSERT_EQ(ZorComLgmReadParams(v, v, read.data(), 256), ZOR_OK);
        MeterParams back{};
        ASSERT_EQ(ZorComLgmExtractParameters(v, read.data(), &back), ZOR_OK);
        EXPECT_EQ(back.LineCount, 3u);
        EXPECT_EQ(back.DuIndex, 5u);
        EXPECT_EQ(back.WeightCode, 2u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(back.A[i], a[i], 1e-4) << v << "/" << i;
            EXPECT_NEAR(back.B[i], b[i], 1e-3) << v << "/" << i;
        }
        // Boundary words near 1090 ticks: the band comes back within 0.1 %.
        EXPECT_NEAR(back.Fmax[0], 30, 0.05);
        EXPECT_NEAR(back.Hysteresis[0], 1.0, 0.1);
    }
}

TEST_F(MeterSim, TablesOfEachVersion) {
    Bytes table(256);
    EXPECT_EQ(ZorComLgmReadTable(0, 0, table.data(), 256), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmWriteTable(0, 0, 0, table.data(), 128), ZOR_ERR_BAD_PARAM);

    // Version 1: the table is written as given.
    const Bytes table1 = Pattern(84, 3);
    ASSERT_EQ(ZorComLgmWriteTable(1, 1, ZORCOMLGM_PRIVILEGED, table1.data(), 84), ZOR_OK);
    EXPECT_EQ(SimTable(1), table1);
    ASSERT_EQ(ZorComLgmReadTable(1, 1, table.data(), 84), ZOR_OK);
    EXPECT_TRUE(std::equal(table1.begin(), table1.end(), table.begin()));

    // Version 2: the journal goes around the meter's thermo-compensation byte.
    Bytes meterTable = SimTable(2);
    meterTable[0] = 0x2A;
    sim->deviceCommand(2, "table " + ToHex(meterTable));
    const Bytes journal = Pattern(30, 9);
    for (uint32_t flags : {0u, ZORCOMLGM_PRIVILEGED}) {
        ASSERT_EQ(ZorComLgmWriteTable(2, 2, flags, journal.data(), 30), ZOR_OK);
        const Bytes written = SimTable(2);
        EXPECT_EQ(written[0], 0x2A);
        EXPECT_TRUE(std::equal(journal.begin(), journal.end(), written.begin() + 1));
    }
    const Bytes file = ReadFile(File(2));
    ASSERT_EQ(file.size(), 44u + 31u);
    EXPECT_EQ(file[44], 0x2A);
    EXPECT_TRUE(std::equal(journal.begin(), journal.end(), file.begin() + 45));
}

TEST_F(MeterSim, JournalThroughTheTable) {
    const uint32_t du = 4;
    std::vector<ApproxDataItem> items(6);
    for (uint32_t i = 0; i < 6; ++i) {
        items[i].Q = ZorComLgmSeqItem(du, i) * 1.01;
        items[i].F = 12.5 * (i + 1);
    }
    for (uint32_t v : {1u, 2u}) {
        Bytes journal(128);
        ASSERT_EQ(ZorComLgmPackJournal(journal.data(), du, items.data(), 6), 30);
        ASSERT_EQ(ZorComLgmWriteTable(v, v, ZORCOMLGM_PRIVILEGED, journal.data(), 128), ZOR_OK);
        Bytes table(256);
        ASSERT_EQ(ZorComLgmReadTable(v, v, table.data(), 256), ZOR_OK);
        std::vector<ApproxDataItem> back(6);
        uint32_t count = 0;
        const uint8_t* at = table.data() + (v == 2 ? 1 : 0);
        ASSERT_EQ(ZorComLgmExtractJournal(at, du, back.data(), &count), ZOR_OK);
        for (uint32_t i = 0; i < 6; ++i) {
            EXPECT_NEAR(back[i].Q, items[i].Q, 0.0001) << v << "/" << i;
            EXPECT_NEAR(back[i].F, items[i].F, 0.0001) << v << "/" << i;
        }
    }
}

TEST_F(MeterSim, ThermoCompensation) {
    const Bytes before = SimTable(2);
    for (const auto& [value, byte] : {std::pair{2.0, 11}, std::pair{3.7, 14}}) {
        ASSERT_EQ(ZorComLgmSetThermoCompensation(2, 2, ZORCOMLGM_PRIVILEGED, &value), ZOR_OK);
        const Bytes after = SimTable(2);
        EXPECT_EQ(after[0], byte);
        EXPECT_TRUE(std::equal(before.begin() + 1, before.end(), after.begin() + 1));
    }
    const double value = 2.0;
    EXPECT_EQ(ZorComLgmSetThermoCompensation(1, 1, ZORCOMLGM_PRIVILEGED, &value),
              ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmSetThermoCompensation(0, 0, 0, &value), ZOR_ERR_BAD_PARAM);
}

TEST_F(MeterSim, LockedMeterTakesOnlyPrivilegedWrites) {
    sim->deviceCommand(2, "lock 1");
    const Bytes block = Pattern(44, 77);
    EXPECT_EQ(ZorComLgmWriteParams(2, 2, 0, block.data(), 44), ZOR_ERR_REJECTED);
    EXPECT_EQ(ZorComLgmWriteParams(2, 2, ZORCOMLGM_PRIVILEGED, block.data(), 44), ZOR_OK);
    EXPECT_EQ(SimParams(2), block);
    sim->deviceCommand(2, "lock 0");
}

TEST_F(MeterSim, SizeQuerySendsNothing) {
    const std::string before = sim->state(2)["received"];
    uint32_t length = 0;
    EXPECT_EQ(ZorComLgmReadParams(2, 2, &length, 0), ZOR_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 44u);
    EXPECT_EQ(sim->state(2)["received"], before);
    EXPECT_EQ(ZorComLgmReadParams(1, 1, &length, 0), ZOR_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 35u);
    EXPECT_EQ(ZorComLgmReadTable(1, 1, &length, 0), ZOR_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 84u);
}

// --- Short commands and the adaptor -------------------------------------------

TEST_F(MeterSim, ShortCommands) {
    sim->deviceCommand(1, "supply 187");
    sim->deviceCommand(1, "thermo 44");
    for (uint32_t v = 0; v < 3; ++v) {
        uint32_t value = 999;
        ASSERT_EQ(ZorComLgmReadShort(v, 0x08, &value), ZOR_OK);
        EXPECT_EQ(value, v);
    }
    uint32_t value = 0;
    ASSERT_EQ(ZorComLgmReadShort(1, 0x05, &value), ZOR_OK);
    EXPECT_EQ(value, 187u);
    ASSERT_EQ(ZorComLgmReadShort(1, 0x16, &value), ZOR_OK);
    EXPECT_EQ(value, 44u);
    double celsius = 0;
    ASSERT_EQ(ZorComLgmDecodeTemperature(1, value, &celsius), ZOR_OK);
    EXPECT_EQ(celsius, 22.0);
    // A command the meter does not know is refused.
    value = 5;
    EXPECT_EQ(ZorComLgmReadShort(1, 0x30, &value), ZOR_ERR_REJECTED);
    EXPECT_EQ(value, 5u);
}

TEST_F(MeterSim, AdaptorIdentityLevelAndFlash) {
    sim->deviceCommand(0, "adaptor 201:7");
    uint32_t identity = 0;
    ASSERT_EQ(ZorComLgmReadAdaptor(0, &identity), ZOR_OK);
    EXPECT_EQ(identity, 201u * 65536 + 7);

    sim->deviceCommand(0, "flash 10:40:80:200");
    const uint32_t flash[] = {10, 40, 80, 200};
    for (uint32_t level : {3u, 2u, 1u, 0u}) {
        ASSERT_EQ(ZorComLgmSetLevel(0, 0, level), ZOR_OK);
        EXPECT_EQ(sim->state(0)["level"], std::to_string(level));
        uint32_t duration = 0;
        ASSERT_EQ(ZorComLgmGetLongitude(0, 0, &duration), ZOR_OK);
        EXPECT_EQ(duration, flash[level]);
    }
    EXPECT_EQ(ZorComLgmSetLevel(0, 0, 4), ZOR_ERR_BAD_PARAM);
}

// The adaptor's search of a level, as the exchange thread runs it: from 3
// down until the flash duration lies in 26 … 79.
TEST_F(MeterSim, AutomaticTuningFindsALevel) {
    sim->deviceCommand(1, "flash 20:50:90:120");
    int found = -1;
    for (int level = 3; level >= 0; --level) {
        uint32_t duration = 0;
        ASSERT_EQ(ZorComLgmSetLevel(1, 0, static_cast<uint32_t>(level)), ZOR_OK);
        ASSERT_EQ(ZorComLgmGetLongitude(1, 0, &duration), ZOR_OK);
        if (duration >= 26 && duration <= 79) {
            found = level;
            break;
        }
    }
    EXPECT_EQ(found, 1);
}

TEST_F(MeterSim, TheAdaptorAnswersOnlyWhilePoweredAndDsrShowsIt) {
    uint32_t status = 0;
    ASSERT_EQ(NkComPortGetControl(0, &status), ZOR_OK);
    EXPECT_TRUE(status & NKCOMPORT_MODEM_DSR);

    ASSERT_EQ(NkComPortSetControl(0, NKCOMPORT_CTL_DTR_CHANGE), ZOR_OK); // DTR off
    ASSERT_EQ(NkComPortGetControl(0, &status), ZOR_OK);
    EXPECT_FALSE(status & NKCOMPORT_MODEM_DSR);
    uint32_t identity = 0;
    EXPECT_EQ(ZorComLgmReadAdaptor(0, &identity), ZOR_ERR_READ_TIMEOUT);

    ASSERT_EQ(NkComPortSetControl(0, NKCOMPORT_CTL_DTR_CHANGE | NKCOMPORT_CTL_DTR_ON), ZOR_OK);
    ASSERT_EQ(NkComPortGetControl(0, &status), ZOR_OK);
    EXPECT_TRUE(status & NKCOMPORT_MODEM_DSR);
    EXPECT_EQ(ZorComLgmReadAdaptor(0, &identity), ZOR_OK);
}

// --- Faults -------------------------------------------------------------

// One export on a meter of a version, as a call that returns its code.
struct Call {
    const char* name;
    int32_t (*run)(int32_t port, uint32_t version);
};

int32_t ReadParams(int32_t port, uint32_t v) {
    Bytes block(256, 0xCC);
    const int32_t result = ZorComLgmReadParams(port, v, block.data(), 256);
    if (result < 0 && block != Bytes(256, 0xCC))
        return 1; // a failed read must leave the destination alone
    return result;
}
int32_t WriteParams(int32_t port, uint32_t v) {
    const Bytes block = Pattern(ParamsLength(v), 5);
    return ZorComLgmWriteParams(port, v, ZORCOMLGM_PRIVILEGED, block.data(), 128);
}
int32_t ReadTable(int32_t port, uint32_t v) {
    Bytes table(256);
    return ZorComLgmReadTable(port, v, table.data(), 256);
}
int32_t WriteTable(int32_t port, uint32_t v) {
    const Bytes table = Pattern(128, 6);
    return ZorComLgmWriteTable(port, v, ZORCOMLGM_PRIVILEGED, table.data(), 128);
}
int32_t Thermo(int32_t port, uint32_t v) {
    const double value = 2.5;
    return ZorComLgmSetThermoCompensation(port, v, ZORCOMLGM_PRIVILEGED, &value);
}
int32_t Version(int32_t port, uint32_t) {
    uint32_t value = 0;
    return ZorComLgmReadShort(port, 0x08, &value);
}
int32_t Level(int32_t port, uint32_t) {
    return ZorComLgmSetLevel(port, 0, 2);
}
int32_t Flash(int32_t port, uint32_t) {
    uint32_t value = 0x5555;
    const int32_t result = ZorComLgmGetLongitude(port, 0, &value);
    // No duration to give: success, and the word as it was.
    return result == ZOR_OK && value == 0x5555 ? 1 : result;
}
int32_t Identity(int32_t port, uint32_t) {
    uint32_t value = 0;
    return ZorComLgmReadAdaptor(port, &value);
}

struct FaultCase {
    const char* fault; // lgmsim fault, or "refuse" for the meter refusing the command
    Call call;
    uint32_t version;
    int32_t result;
    const char* note; // the fault note the log must hold, or nullptr for none
};

constexpr Call kReadParams{"ReadParams", ReadParams};
constexpr Call kWriteParams{"WriteParams", WriteParams};
constexpr Call kReadTable{"ReadTable", ReadTable};
constexpr Call kWriteTable{"WriteTable", WriteTable};
constexpr Call kThermo{"SetThermoCompensation", Thermo};
constexpr Call kVersion{"ReadShort", Version};
constexpr Call kLevel{"SetLevel", Level};
constexpr Call kFlash{"GetLongitude", Flash};
constexpr Call kIdentity{"ReadAdaptor", Identity};

const char* const kSum = "!! Неверная контрольная информация\r\n";
const char* const kEcho = "!! Ответ не соответствует посылке\r\n";

const FaultCase kFaults[] = {
    // A spoilt checksum.
    {"checksum/1", kReadParams, 0, ZOR_ERR_CHECKSUM, kSum},
    {"checksum/1", kReadParams, 2, ZOR_ERR_CHECKSUM, kSum},
    {"checksum/1", kReadTable, 1, ZOR_ERR_CHECKSUM, kSum},
    {"checksum/1", kReadTable, 2, ZOR_ERR_CHECKSUM, kSum},
    {"checksum/1", kVersion, 1, ZOR_ERR_CHECKSUM, kSum},
    {"checksum/1", kWriteParams, 1, ZOR_ERR_ECHO_MISMATCH, kEcho},
    {"checksum/1", kWriteParams, 2, ZOR_ERR_ECHO_MISMATCH, kEcho},
    {"checksum/1", kWriteTable, 1, ZOR_ERR_ECHO_MISMATCH, kEcho},
    {"checksum/1", kWriteTable, 2, ZOR_ERR_CHECKSUM, nullptr}, // on the table read first
    {"checksum/1", kThermo, 2, ZOR_ERR_CHECKSUM, nullptr},
    // A wrong status byte.
    {"status/1", kReadParams, 1, ZOR_ERR_BAD_VALUES, nullptr},
    {"status/1", kReadTable, 2, ZOR_ERR_BAD_VALUES, nullptr},
    {"status/1", kVersion, 0, ZOR_ERR_BAD_VALUES, nullptr},
    {"status/1", kWriteParams, 0, ZOR_ERR_ECHO_MISMATCH, kEcho},
    {"status/1", kWriteTable, 1, ZOR_ERR_ECHO_MISMATCH, kEcho},
    {"status/1", kWriteTable, 2, ZOR_ERR_BAD_VALUES, nullptr},
    {"status/1", kThermo, 2, ZOR_ERR_BAD_VALUES, nullptr},
    {"status/1", kLevel, 0, ZOR_ERR_ECHO_MISMATCH, nullptr},
    {"status/1", kIdentity, 0, ZOR_ERR_REJECTED, nullptr},
    {"status/1", kFlash, 0, 1, nullptr},
    // The meter refuses (0xFF).
    {"refuse", kReadParams, 2, ZOR_ERR_REJECTED, nullptr},
    {"refuse", kWriteParams, 1, ZOR_ERR_REJECTED, nullptr},
    {"refuse", kReadTable, 1, ZOR_ERR_REJECTED, nullptr},
    {"refuse", kWriteTable, 1, ZOR_ERR_REJECTED, nullptr},
    {"refuse", kWriteTable, 2, ZOR_ERR_BAD_VALUES, nullptr}, // the table read knows no refusal
    {"refuse", kVersion, 2, ZOR_ERR_REJECTED, nullptr},
    {"refuse", kLevel, 2, ZOR_ERR_ECHO_MISMATCH, nullptr},
    {"refuse", kIdentity, 2, ZOR_ERR_REJECTED, nullptr},
    // Nothing, or not all, comes back.
    {"silent/1", kReadParams, 1, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"silent/1", kWriteParams, 2, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"silent/1", kWriteTable, 2, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"silent/1", kVersion, 2, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"silent/1", kLevel, 1, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"silent/1", kFlash, 1, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"silent/1", kIdentity, 1, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"short/1", kReadParams, 2, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"short/1", kReadTable, 1, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"short/1", kWriteParams, 0, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"short/1", kVersion, 1, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"short/1", kFlash, 0, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"short/1", kIdentity, 0, ZOR_ERR_READ_TIMEOUT, nullptr},
    // Late, but within the time-out.
    {"delay:50/1", kReadParams, 1, ZOR_OK, nullptr},
    {"delay:50/1", kWriteTable, 2, ZOR_OK, nullptr},
    // Past the table read, on the repeat of the version-2 table write.
    {"checksum@1/1", kWriteTable, 2, ZOR_ERR_ECHO_MISMATCH, kEcho},
    {"checksum@1/1", kThermo, 2, ZOR_ERR_ECHO_MISMATCH, kEcho},
    {"status@1/1", kWriteTable, 2, ZOR_ERR_ECHO_MISMATCH, kEcho},
    {"silent@1/1", kThermo, 2, ZOR_ERR_READ_TIMEOUT, nullptr},
    {"short@1/1", kWriteTable, 2, ZOR_ERR_READ_TIMEOUT, nullptr},
};

TEST_F(MeterSim, EveryFaultGivesItsCodeAndNote) {
    for (const FaultCase& c : kFaults) {
        SCOPED_TRACE(testing::Message()
                     << c.fault << " " << c.call.name << " version " << c.version);
        log = std::make_unique<lgmtest::LogCapture>();
        ZorComLgmSetLogFile(log->Handle());
        const int port = static_cast<int>(c.version);
        if (std::string(c.fault) == "refuse")
            sim->deviceCommand(port, "refuse 01020304060710111213141516080B0C0D0E0F00");
        else
            sim->fault(port, c.fault);
        EXPECT_EQ(c.call.run(port, c.version), c.result);
        if (c.note != nullptr)
            EXPECT_TRUE(Logged(c.note)) << log->Text();
        else
            EXPECT_FALSE(Logged("!! ")) << log->Text();
        Heal();
        // The line is sound again.
        uint32_t version = 9;
        ASSERT_EQ(ZorComLgmReadShort(port, 0x08, &version), ZOR_OK);
        EXPECT_EQ(version, c.version);
    }
}

// Only the answer was spoilt: the meter took the journal, and the call says
// the write cannot be trusted rather than that it failed to arrive.
TEST_F(MeterSim, ASpoiltRepeatOfTheVersionTwoTableWriteFailsThoughTheMeterTookIt) {
    const std::string writes = sim->state(2)["writes"];
    const Bytes journal = Pattern(30, 41);
    sim->faultAfter(2, 1, "checksum/1"); // the table read goes through sound
    EXPECT_EQ(ZorComLgmWriteTable(2, 2, ZORCOMLGM_PRIVILEGED, journal.data(), 30),
              ZOR_ERR_ECHO_MISMATCH);
    EXPECT_TRUE(Logged(kEcho)) << log->Text();
    EXPECT_FALSE(Logged(kSum)) << log->Text();
    EXPECT_EQ(sim->state(2)["writes"], std::to_string(std::stoul(writes) + 1));
    const Bytes table = SimTable(2);
    EXPECT_TRUE(std::equal(journal.begin(), journal.end(), table.begin() + 1));
}

TEST_F(MeterSim, ADroppedConnectionFailsTheCallAndTheNextOpenWorksAgain) {
    sim->fault(2, "drop:3/1");
    Bytes block(256);
    EXPECT_EQ(ZorComLgmReadParams(2, 2, block.data(), 256), ZOR_ERR_READ);
    ASSERT_EQ(NkComPortClose(2), ZOR_OK);
    ASSERT_EQ(NkComPortOpen(2), 2);
    ASSERT_EQ(ZorComLgmPrepare(2, 0), ZOR_OK);
    EXPECT_EQ(ZorComLgmReadParams(2, 2, block.data(), 256), ZOR_OK);
}

// --- The log ----------------------------------------------------------------

// A full read and write of a version-1 and a version-2 meter in their
// default state, logged; the log must equal the golden file byte for byte.
TEST(MeterSimLog, FullReadAndWriteMatchesTheGoldenLog) {
    lgmsim::SimProcess sim({"lgm,version=1", "lgm,version=2"});
    sim.bindComPort(4, 0);
    sim.bindComPort(5, 1);
    lgmtest::LogCapture log;
    ZorComLgmSetLogFile(log.Handle());
    for (int port : {4, 5}) {
        const uint32_t v = port == 4 ? 1 : 2;
        ASSERT_EQ(NkComPortOpen(port), port);
        ASSERT_EQ(ZorComLgmPrepare(port, 0), ZOR_OK);
        uint32_t value = 0;
        ASSERT_EQ(ZorComLgmReadAdaptor(port, &value), ZOR_OK);
        ASSERT_EQ(ZorComLgmReadShort(port, 0x08, &value), ZOR_OK);
        Bytes params(256), table(256);
        ASSERT_EQ(ZorComLgmReadParams(port, v, params.data(), 256), ZOR_OK);
        ASSERT_EQ(ZorComLgmReadTable(port, v, table.data(), 256), ZOR_OK);

        MeterParams record{};
        ASSERT_EQ(ZorComLgmExtractParameters(v, params.data(), &record), ZOR_OK);
        // The read gives the band in per cent; a write takes a fraction.
        record.DivisionFactor = 10;
        record.Hysteresis[0] = 0.01;
        Bytes block(128);
        ASSERT_EQ(ZorComLgmPackParameters(v, &record, block.data()), ZOR_OK);
        ASSERT_EQ(ZorComLgmWriteParams(port, v, ZORCOMLGM_PRIVILEGED, block.data(), 128), ZOR_OK);
        const Bytes journal = Pattern(30, 1);
        ASSERT_EQ(ZorComLgmWriteTable(port, v, ZORCOMLGM_PRIVILEGED, journal.data(), 30), ZOR_OK);
        if (v == 2) {
            const double thermo = 3.7;
            ASSERT_EQ(ZorComLgmSetThermoCompensation(port, v, ZORCOMLGM_PRIVILEGED, &thermo),
                      ZOR_OK);
        }
        ASSERT_EQ(ZorComLgmSetLevel(port, 0, 1), ZOR_OK);
        ASSERT_EQ(ZorComLgmGetLongitude(port, 0, &value), ZOR_OK);
        NkComPortClose(port);
    }
    ZorComLgmSetLogFile(-1);

    const char* source = std::getenv("LGM_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    const fs::path golden = fs::path(source) / "libs/lgm/tests/data/FullExchange.log";
    std::ifstream expectedFile(golden, std::ios::binary);
    EXPECT_TRUE(expectedFile.is_open()) << golden;
    const std::string expected{std::istreambuf_iterator<char>(expectedFile),
                               std::istreambuf_iterator<char>()};
    const std::string actual = log.Bytes();
    if (actual != expected) {
        // Kept for a diff against the golden file.
        const fs::path kept = fs::path(std::getenv("LGM_BINARY_DIR")) / "FullExchange.actual.log";
        std::ofstream(kept, std::ios::binary) << actual;
        ADD_FAILURE() << "the log differs from " << golden << "; it is in " << kept;
    }
    EXPECT_FALSE(actual.empty());
    EXPECT_EQ(actual.size(), expected.size());
}

} // namespace
