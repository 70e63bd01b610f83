// The command handshake, opening and closing the port, and the checks every
// command makes before it touches a device.
#include "XThreadFixture.h"

#include "ZorComLgm.h"
#include "approx/Sections.h"

namespace xtest {
namespace {

using HandshakeTest = XThreadTest;

TEST_F(HandshakeTest, CodesOutsideTheCommandSetAreRefusedAndLeaveTheThreadFree) {
    thread.Resume();
    for (int32_t code : {0, -1, 20, 255}) {
        EXPECT_FALSE(thread.SendCommand(code, 0, nullptr)) << code;
        EXPECT_FALSE(thread.IsBusy()) << code;
    }
    EXPECT_EQ(Run(XCmd::Nothing, 0, nullptr).WParam, uint32_t(XCmd::Nothing));
}

TEST_F(HandshakeTest, OneCommandAtATime) {
    // Not resumed yet: the first command stays pending, so the thread is
    // busy for certain while the others are refused.
    ASSERT_TRUE(thread.SendCommand(XCmd::Nothing, 0, nullptr));
    EXPECT_TRUE(thread.IsBusy());
    EXPECT_FALSE(thread.SendCommand(XCmd::ReadSupply, 0, nullptr));
    EXPECT_FALSE(thread.SendCommand(XCmd::OpenPort, kMeterV2, nullptr));
    EXPECT_FALSE(thread.IsPortOpen());

    thread.Resume();
    const auto message = queue.Next();
    ASSERT_TRUE(message);
    EXPECT_EQ(message->Message, kExchangeMessage);
    EXPECT_EQ(message->WParam, uint32_t(XCmd::Nothing));
    EXPECT_EQ(message->LParam, 0);
    // Free by the time the message is handled: the follow-up is taken.
    EXPECT_FALSE(thread.IsBusy());
    EXPECT_TRUE(thread.SendCommand(XCmd::Nothing, 0, nullptr));
    EXPECT_TRUE(queue.Next());
    EXPECT_TRUE(queue.Empty());
}

TEST_F(HandshakeTest, ReopeningThePortClosesItFirst) {
    thread.Resume();
    ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, kPty, nullptr));
    EXPECT_EQ(thread.Port(), int32_t(kPty));
    ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, kPty, nullptr));
    EXPECT_EQ(thread.Port(), int32_t(kPty));
    EXPECT_EQ(LogText(), "Открытие COM-порта\r\nЗакрытие COM-порта\r\nОткрытие COM-порта\r\n");

    ASSERT_TRUE(thread.SendCommand(XCmd::ClosePort, 0, nullptr));
    EXPECT_FALSE(thread.IsPortOpen());
    EXPECT_EQ(thread.Port(), -1);
    // Closed for real: anyone may open it now.
    EXPECT_EQ(NkComPortOpen(kPty), int32_t(kPty));
    NkComPortClose(kPty);
    // Codes 1 and 2 run in the caller's thread and post nothing.
    EXPECT_TRUE(queue.Empty());
}

TEST_F(HandshakeTest, AFailedOpenLeavesNoPortAndLogsTheReason) {
    thread.Resume();
    ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, kPty, nullptr));
    EXPECT_FALSE(thread.SendCommand(XCmd::OpenPort, kMissing, nullptr));
    EXPECT_EQ(thread.Result(), -2);
    EXPECT_FALSE(thread.IsPortOpen());
    EXPECT_FALSE(thread.IsBusy());
    const std::string text = LogText();
    const std::string failure =
        "!! Ошибка при открытии COM-порта: Не удалось создать(открыть) порт";
    ASSERT_GE(text.size(), failure.size());
    EXPECT_EQ(text.substr(text.size() - failure.size()), failure);
    EXPECT_EQ(text.substr(0, text.size() - failure.size()),
              "Открытие COM-порта\r\nЗакрытие COM-порта\r\nОткрытие COM-порта\r\n");
}

TEST_F(HandshakeTest, CommandsWithoutPortOrRecordFail) {
    thread.Resume();
    MeterParams params{};
    ApproxDataList list{};
    uint32_t word = 0;
    double compensation = 0.0;
    BkltState rig{};
    AdaptorTuning tuning{};
    struct Case {
        int32_t code;
        void* data;
    };
    // No port: -18 (the meter commands check their record first).
    for (const Case c :
         {Case{XCmd::WriteGkmsParams, &params}, Case{XCmd::WriteParams, &params},
          Case{XCmd::ReadParams, &params}, Case{XCmd::WriteJournal, &list},
          Case{XCmd::ReadJournal, &list}, Case{XCmd::ReadSupply, &word},
          Case{XCmd::ReadThermoSensor, &word}, Case{XCmd::WriteThermoCompensation, &compensation},
          Case{XCmd::ReadThermoCompensation, &word}, Case{XCmd::OutputTest, &params},
          Case{XCmd::TuneAdaptor, &tuning}, Case{XCmd::StartRig, &rig},
          Case{XCmd::StopRig, &rig}}) {
        const XMessage m = Run(c.code, kVersionRecent, c.data);
        EXPECT_EQ(m.WParam, uint32_t(c.code) | kExchangeFailed) << c.code;
        EXPECT_EQ(m.LParam, -18) << c.code;
    }
    ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, kMeterV2, nullptr));
    for (int32_t code : {XCmd::WriteGkmsParams, XCmd::WriteParams, XCmd::ReadParams,
                         XCmd::WriteJournal, XCmd::ReadJournal, XCmd::ReadSupply,
                         XCmd::ReadThermoSensor, XCmd::WriteThermoCompensation,
                         XCmd::ReadThermoCompensation, XCmd::OutputTest, XCmd::TuneAdaptor})
        EXPECT_EQ(Outcome(Run(code, kVersionRecent, nullptr)), -19) << code;
    // Nothing was sent: the adaptor was not even powered.
    EXPECT_EQ(Count(LogText(), "Подготовка порта"), 0u);
}

TEST_F(HandshakeTest, PreparePortByKind) {
    EXPECT_FALSE(thread.PreparePort(XPortKind::Lgm));
    EXPECT_EQ(thread.Result(), -18);
    thread.Resume();
    ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, kGkms, nullptr));
    EXPECT_FALSE(thread.PreparePort(4));
    EXPECT_EQ(thread.Result(), -19);
    ASSERT_TRUE(thread.PreparePort(XPortKind::GkmsMode2));
    auto state = sim().state(kGkms);
    EXPECT_EQ(state["baud"], "600");
    EXPECT_EQ(state["stopsize"], "2");
    ASSERT_TRUE(thread.PreparePort(XPortKind::Lgm));
    EXPECT_EQ(sim().state(kGkms)["baud"], "9600");
}

TEST_F(HandshakeTest, TerminateClosesThePort) {
    Start(kMeterV2);
    ASSERT_TRUE(sim().waitForState(kMeterV2, "connected", "1"));
    thread.Terminate();
    EXPECT_FALSE(thread.IsPortOpen());
    EXPECT_TRUE(sim().waitForState(kMeterV2, "connected", "0"));
}

} // namespace
} // namespace xtest
