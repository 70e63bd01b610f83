// The RFC 2217 backend against pyserial's server: an implementation this
// project did not write.
#include "ChildProcess.h"
#include "PortTesting.h"

#include <gtest/gtest.h>

using namespace porttest;

namespace {

constexpr int32_t kPort = 6;

class PyserialServer : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<lgmsim::ChildProcess>(
            std::vector<std::string>{"/usr/bin/python3", PYSERIAL_SERVER_SCRIPT, "60"});
        const auto line = server_->readLine(std::chrono::seconds(20));
        ASSERT_TRUE(line && line->starts_with("listening port=")) << line.value_or("no output");
        pointPortAt(kPort, "rfc2217://127.0.0.1:" + line->substr(15));
        ASSERT_EQ(NkComPortOpen(kPort), kPort) << openError(kPort);
    }
    void TearDown() override {
        NkComPortClose(kPort);
        ::unsetenv("LGMSERVICE_COM7");
    }

    // The next lines the server reports, until one equals expected.
    ::testing::AssertionResult reports(const std::string& expected) {
        std::string seen;
        while (const auto line = server_->readLine(std::chrono::seconds(5))) {
            if (*line == expected) {
                return ::testing::AssertionSuccess();
            }
            seen += " [" + *line + "]";
        }
        return ::testing::AssertionFailure() << "no '" << expected << "'; saw" << seen;
    }

    std::unique_ptr<lgmsim::ChildProcess> server_;
};

} // namespace

TEST_F(PyserialServer, LineSettingsAreTakenAndReadBack) {
    NkComPortConfig set{};
    set.Mask = NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_DATABITS | NKCOMPORT_CFG_PARITY |
               NKCOMPORT_CFG_STOPBITS;
    set.BaudRate = 600;
    set.DataBits = 7;
    set.Parity = NKCOMPORT_PARITY_EVEN;
    set.StopBits = NKCOMPORT_STOPBITS_2;
    ASSERT_EQ(NkComPortSetConfig(kPort, &set), NKCOMPORT_OK);
    EXPECT_TRUE(reports("baudrate=600"));
    EXPECT_TRUE(reports("bytesize=7"));
    EXPECT_TRUE(reports("parity=E"));
    EXPECT_TRUE(reports("stopbits=2"));

    NkComPortConfig got{};
    got.Mask = set.Mask;
    ASSERT_EQ(NkComPortGetConfig(kPort, &got), NKCOMPORT_OK);
    EXPECT_EQ(got.BaudRate, 600u);
    EXPECT_EQ(got.DataBits, 7);
    EXPECT_EQ(got.Parity, NKCOMPORT_PARITY_EVEN);
    EXPECT_EQ(got.StopBits, NKCOMPORT_STOPBITS_2);

    set.Mask = NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_RTSCONTROL;
    set.BaudRate = 9600;
    set.RtsControl = NKCOMPORT_LINE_HANDSHAKE;
    ASSERT_EQ(NkComPortSetConfig(kPort, &set), NKCOMPORT_OK);
    EXPECT_TRUE(reports("baudrate=9600"));
    EXPECT_TRUE(reports("rtscts=True"));
}

TEST_F(PyserialServer, EveryByteValueCrossesBothWays) {
    const Bytes bytes = allByteValues();
    Bytes answer(bytes.size());
    ASSERT_EQ(NkComPortWriteAndRead(kPort, bytes.data(), static_cast<int32_t>(bytes.size()),
                                    answer.data(), static_cast<int32_t>(answer.size()), 5000),
              NKCOMPORT_OK);
    EXPECT_EQ(answer, bytes);
}

TEST_F(PyserialServer, ControlLinesAndModemStatus) {
    uint32_t status = 0xDEAD;
    ASSERT_EQ(NkComPortGetControl(kPort, &status), NKCOMPORT_OK);
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(NkComPortSetControl(kPort, 12), NKCOMPORT_OK);
    EXPECT_TRUE(reports("dtr=True"));
    ASSERT_EQ(NkComPortGetControl(kPort, &status), NKCOMPORT_OK);
    EXPECT_EQ(status, uint32_t{NKCOMPORT_MODEM_DSR | NKCOMPORT_MODEM_DCD});
    ASSERT_EQ(NkComPortSetControl(kPort, 3 | 8), NKCOMPORT_OK); // RTS up, DTR down
    EXPECT_TRUE(reports("rts=True"));
    EXPECT_TRUE(reports("dtr=False"));
    ASSERT_EQ(NkComPortGetControl(kPort, &status), NKCOMPORT_OK);
    EXPECT_EQ(status, uint32_t{NKCOMPORT_MODEM_CTS});
}

TEST_F(PyserialServer, PurgeIsConfirmed) {
    ASSERT_EQ(NkComPortPurge(kPort, NKCOMPORT_PURGE_INPUT), NKCOMPORT_OK);
    EXPECT_TRUE(reports("purge=input"));
    ASSERT_EQ(NkComPortPurge(kPort, NKCOMPORT_PURGE_OUTPUT), NKCOMPORT_OK);
    EXPECT_TRUE(reports("purge=output"));
    const Bytes request{0x42};
    Bytes answer(1);
    ASSERT_EQ(NkComPortWriteAndRead(kPort, request.data(), 1, answer.data(), 1, 2000),
              NKCOMPORT_OK);
    EXPECT_EQ(answer, request);
}
