// lgmsim's ЛГМ meter through the bare serial port: hand-built frames and the
// exact bytes the meter answers. The link's own tests run against this
// meter, so it is checked here against the protocol on its own.
#include "NkComPort.h"
#include "SimProcess.h"

#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// command, data, 16-bit sum of the data high byte first, the low byte
// lowered by lowOffset.
Bytes Frame(uint8_t command, const Bytes& data, uint8_t lowOffset = 0) {
    const unsigned sum = std::accumulate(data.begin(), data.end(), 0u);
    Bytes frame;
    frame.reserve(data.size() + 3);
    frame.push_back(command);
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(static_cast<uint8_t>(sum >> 8));
    frame.push_back(static_cast<uint8_t>((sum & 0xFF) - lowOffset));
    return frame;
}

class LgmMeter : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim = new lgmsim::SimProcess({"lgm,version=0", "lgm,version=1", "lgm,version=2"});
        for (int v = 0; v < 3; ++v) {
            sim->bindComPort(v, v);
            ASSERT_EQ(NkComPortOpen(v), v);
            ASSERT_EQ(NkComPortSetControl(v, NKCOMPORT_CTL_DTR_CHANGE | NKCOMPORT_CTL_DTR_ON), 0);
        }
    }
    static void TearDownTestSuite() {
        for (int v = 0; v < 3; ++v)
            NkComPortClose(v);
        delete sim;
    }

    // Sends the request and reads exactly count answer bytes.
    static Bytes Ask(int port, const Bytes& request, size_t count) {
        Bytes answer(count);
        EXPECT_EQ(NkComPortWriteAndRead(port, request.data(), static_cast<int32_t>(request.size()),
                                        answer.data(), static_cast<int32_t>(count), 2000),
                  0);
        return answer;
    }

    // True when nothing more arrives.
    static bool Quiet(int port) { return NkComPortReadByte(port, 200) == -10; }

    static lgmsim::SimProcess* sim;
};

lgmsim::SimProcess* LgmMeter::sim = nullptr;

TEST_F(LgmMeter, ReadAnswersTheBlockUnderItsSum) {
    const Bytes params = FromHex(sim->deviceCommand(2, "params"));
    ASSERT_EQ(params.size(), 44u);
    EXPECT_EQ(Ask(2, {0x10}, 47), Frame(0x10, params));
    const Bytes table = FromHex(sim->deviceCommand(1, "table"));
    ASSERT_EQ(table.size(), 84u);
    EXPECT_EQ(Ask(1, {0x03}, 87), Frame(0x03, table));
    EXPECT_TRUE(Quiet(1));
}

TEST_F(LgmMeter, PrivilegedWriteOfVersionTwoWantsTheLoweredSum) {
    Bytes data(44);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(0xF0 + i); // the sum's low byte wraps past 0x5B
    EXPECT_EQ(Ask(2, Frame(0x12, data, 0x5B), 47), Frame(0x12, data));
    EXPECT_EQ(FromHex(sim->deviceCommand(2, "params")), data);

    // The true sum on a privileged write is a wrong one: refused, nothing kept.
    Bytes other = data;
    other[0] ^= 1;
    EXPECT_EQ(Ask(2, Frame(0x12, other), 1), Bytes{0xFF});
    EXPECT_TRUE(Quiet(2));
    EXPECT_EQ(FromHex(sim->deviceCommand(2, "params")), data);
    // The older privileged writes carry the true sum.
    EXPECT_EQ(Ask(1, Frame(0x06, Bytes(35, 1)), 38), Frame(0x06, Bytes(35, 1)));
}

TEST_F(LgmMeter, AWriteMayArriveInPieces) {
    const Bytes data(35, 0x21);
    const Bytes frame = Frame(0x02, data);
    ASSERT_EQ(NkComPortWriteArray(0, frame.data(), 10, 1000), 0);
    EXPECT_TRUE(Quiet(0));
    EXPECT_EQ(Ask(0, Bytes(frame.begin() + 10, frame.end()), 38), frame);
}

TEST_F(LgmMeter, ShortCommandsAndTheAdaptor) {
    EXPECT_EQ(Ask(2, {0x16}, 4), (Bytes{0x16, 46, 0x00, 46}));
    EXPECT_EQ(Ask(1, {0x08}, 4), (Bytes{0x08, 1, 0x00, 1}));
    EXPECT_EQ(Ask(0, {0x05}, 4), (Bytes{0x05, 200, 0x00, 200}));
    EXPECT_EQ(Ask(0, {0x0F}, 3), (Bytes{0x0F, 17, 3}));
    EXPECT_EQ(Ask(0, {0x0D}, 1), Bytes{0x0D});
    EXPECT_EQ(Ask(0, {0x00}, 2), (Bytes{0x00, 90}));
    EXPECT_EQ(Ask(0, {0x0B}, 1), Bytes{0x0B});
    EXPECT_EQ(Ask(0, {0x00}, 2), (Bytes{0x00, 20}));
}

TEST_F(LgmMeter, CommandsAVersionLacksAreRefused) {
    EXPECT_EQ(Ask(0, {0x03}, 1), Bytes{0xFF}); // no table
    EXPECT_EQ(Ask(2, {0x01}, 1), Bytes{0xFF}); // version 2 has its own codes
    EXPECT_EQ(Ask(1, {0x13}, 1), Bytes{0xFF});
    EXPECT_EQ(Ask(1, {0x30}, 1), Bytes{0xFF});
    EXPECT_TRUE(Quiet(1));
}

TEST_F(LgmMeter, WithoutPowerNothingAnswers) {
    ASSERT_EQ(NkComPortSetControl(0, NKCOMPORT_CTL_DTR_CHANGE), 0);
    uint32_t status = 0;
    ASSERT_EQ(NkComPortGetControl(0, &status), 0);
    EXPECT_EQ(status & NKCOMPORT_MODEM_DSR, 0u);
    ASSERT_EQ(NkComPortWriteByte(0, 0x0F, 1000), 0);
    EXPECT_TRUE(Quiet(0));
    ASSERT_EQ(NkComPortSetControl(0, NKCOMPORT_CTL_DTR_CHANGE | NKCOMPORT_CTL_DTR_ON), 0);
    ASSERT_EQ(NkComPortGetControl(0, &status), 0);
    EXPECT_NE(status & NKCOMPORT_MODEM_DSR, 0u);
    EXPECT_EQ(Ask(0, {0x0F}, 3), (Bytes{0x0F, 17, 3}));
}

} // namespace
