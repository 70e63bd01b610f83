// A virtual clock for tests of the exchange thread: Sleep moves the time on
// by exactly the amount asked, so every interval the thread keeps is exact,
// while the real wait is only a fraction of it (a 3 s power-up costs 150 ms
// at the default speed-up of 20). Time does not pass while the thread talks to
// a device.
//
// The speed-up is bounded because a real line needs real time: the DTR pulse
// of the adaptor's power-up must last long enough for the modem-state
// notification of the lines to arrive before the next change.
#pragma once

#include "exchange/XClock.h"

#include <atomic>

class XTestClock final : public XClock {
public:
    explicit XTestClock(uint32_t start = 1'000'000, uint32_t speedup = 20)
        : now_(start), speedup_(speedup) {}

    uint32_t TickCount() override { return now_.load(); }
    void Sleep(uint32_t ms) override;

    // Moves the time on without a sleep (a test's own pause).
    void Advance(uint32_t ms) { now_.fetch_add(ms); }

    // While frozen, Sleep leaves the time as it is and only Advance moves it:
    // the idle thread's passes then cost no time between a test's steps.
    void Freeze(bool frozen) { frozen_.store(frozen); }

private:
    std::atomic<uint32_t> now_;
    const uint32_t speedup_;
    std::atomic<bool> frozen_{false};
};
