// The exchange thread's sense of time: a millisecond tick count and a sleep.
// Every wait of the thread (the adaptor's power-up, the DTR pulse, the idle
// pass, the rig polls and their pause, the output test, the age of the meter
// version) goes through one of these, so tests can run the thread on a
// virtual clock instead of waiting for seconds of real time.
#pragma once

#include <cstdint>
#include <memory>

class XClock {
public:
    virtual ~XClock() = default;
    // Milliseconds since an arbitrary start, wrapping at 2^32 like a system
    // tick counter: compare two ticks only by their unsigned difference.
    virtual uint32_t TickCount() = 0;
    // Lets at least ms milliseconds of this clock pass before returning.
    virtual void Sleep(uint32_t ms) = 0;
};

// The monotonic system clock and a real sleep; one instance serves everyone.
std::shared_ptr<XClock> RealXClock();
