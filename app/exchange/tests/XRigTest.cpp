// The rig controller's run with the thread's own polling, its failures and
// pause, and the ГКМС meter's write.
#include "XThreadFixture.h"

#include <chrono>
#include <thread>

namespace xtest {
namespace {

using RigTest = XThreadTest;

TEST_F(RigTest, ARunIsPolledEveryHalfSecondUntilItFinishes) {
    Start(kRig);
    BkltState buffer{};
    buffer.TimeRun.Duration = 10.0; // half a second of the rig at its speed
    const XMessage started = Run(XCmd::StartRig, 0 | kRigLasers, &buffer);
    ASSERT_EQ(started.WParam, uint32_t(XCmd::StartRig));
    EXPECT_EQ(sim().state(kRig)["lasers"], "1");

    std::vector<XMessage> polls;
    BkltState last{};
    while (polls.size() < 1000) {
        const auto m = queue.Next();
        ASSERT_TRUE(m);
        ASSERT_EQ(m->WParam, uint32_t(XCmd::RigState)) << m->LParam;
        polls.push_back(*m);
        last = thread.RigState();
        if (last.Status & BKLT_STATUS_FINISHED)
            break;
    }
    ASSERT_GE(polls.size(), 2u);
    EXPECT_EQ(polls.front().Tick - started.Tick, 500u);
    for (size_t i = 1; i < polls.size(); ++i)
        EXPECT_EQ(polls[i].Tick - polls[i - 1].Tick, 500u) << i;
    EXPECT_EQ(last.Code, uint32_t(BKLT_CODE_TIME));
    EXPECT_GT(last.Measurement.ChannelCount[0], 0u);
    // The poll keeps its state to itself: the window's buffer holds what the
    // window put there.
    EXPECT_EQ(buffer.TimeRun.Duration, 10.0);

    ASSERT_EQ(Run(XCmd::StopRig, 0, &buffer).WParam, uint32_t(XCmd::StopRig));
    EXPECT_EQ(buffer.Code, uint32_t(BKLT_CODE_TIME));
    EXPECT_EQ(thread.RigState().Measurement.ChannelCount[0], buffer.Measurement.ChannelCount[0]);
    // No poll after the stop, however long the thread idles.
    const uint32_t stopped = clock->TickCount();
    while (clock->TickCount() - stopped < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(queue.Empty());
}

TEST_F(RigTest, ThreeFailedPollsAreReportedOnceThenPollingPauses) {
    Start(kRig);
    BkltState buffer{};
    ASSERT_EQ(Run(XCmd::StartRig, 1, &buffer).WParam, uint32_t(XCmd::StartRig));
    auto good = queue.Next();
    ASSERT_TRUE(good);
    ASSERT_EQ(good->WParam, uint32_t(XCmd::RigState));
    sim().fault(kRig, "silent/3");

    std::optional<XMessage> m;
    while ((m = queue.Next()) && m->WParam == uint32_t(XCmd::RigState))
        good = m;
    ASSERT_TRUE(m);
    EXPECT_EQ(m->WParam, uint32_t(XCmd::RigState) | kExchangeFailed);
    EXPECT_EQ(m->LParam, -10);
    // Due 500 ms after the last good poll; the two failures before it were
    // retried at once, 1 ms apart, and not posted.
    EXPECT_EQ(m->Tick - good->Tick, 502u);

    const auto next = queue.Next();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->WParam, uint32_t(XCmd::RigState));
    EXPECT_EQ(next->Tick - m->Tick, 15500u);
    EXPECT_EQ(Run(XCmd::StopRig, 0, &buffer).WParam, uint32_t(XCmd::StopRig));
}

TEST_F(RigTest, AFailedStartDoesNotPoll) {
    Start(kRig);
    sim().deviceCommand(kRig, "reject 1");
    BkltState buffer{};
    const XMessage m = Run(XCmd::StartRig, 1, &buffer);
    EXPECT_EQ(m.WParam, uint32_t(XCmd::StartRig) | kExchangeFailed);
    EXPECT_EQ(m.LParam, -22);
    const uint32_t failed = clock->TickCount();
    while (clock->TickCount() - failed < 2000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(queue.Empty());
}

TEST_F(RigTest, GkmsLineIsWritten) {
    Start(kGkms);
    MeterParams record{};
    record.A[0] = 0.2;
    record.B[0] = 0.01;
    record.DuIndex = 5; // coefficients × 10000
    EXPECT_EQ(Run(XCmd::WriteGkmsParams, XPortKind::GkmsMode1, &record).WParam,
              uint32_t(XCmd::WriteGkmsParams));
    auto state = sim().state(kGkms);
    EXPECT_EQ(state["a"], "2000");
    EXPECT_EQ(state["ab"], "2100");

    sim().fault(kGkms, "checksum/1");
    const XMessage m = Run(XCmd::WriteGkmsParams, XPortKind::GkmsMode1, &record);
    EXPECT_EQ(m.WParam, uint32_t(XCmd::WriteGkmsParams) | kExchangeFailed);
    EXPECT_EQ(m.LParam, -24);
}

} // namespace
} // namespace xtest
