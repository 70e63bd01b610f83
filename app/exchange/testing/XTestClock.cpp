#include "XTestClock.h"

#include <chrono>
#include <thread>

void XTestClock::Sleep(uint32_t ms) {
    if (!frozen_.load())
        now_.fetch_add(ms);
    std::this_thread::sleep_for(std::chrono::microseconds(uint64_t{ms} * 1000 / speedup_));
}
