// A receiver of the exchange message for tests: queues every message with
// the clock's tick at which it was posted, for the test thread to take.
#pragma once

#include "exchange/Tzorxthreadunit.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

struct XMessage {
    uint32_t Message;
    uint32_t WParam;
    intptr_t LParam;
    uint32_t Tick; // the clock's tick when it was posted

    int32_t Code() const { return static_cast<int32_t>(WParam & 0xFF); }
    bool Failed() const { return (WParam & kExchangeFailed) != 0; }
};

class XMessageQueue {
public:
    explicit XMessageQueue(std::shared_ptr<XClock> clock) : clock_(std::move(clock)) {}

    // The receiver to hand to SetNotify; it refers to this queue.
    ExchangeReceiver Receiver();

    // The next message, waiting up to timeout (real time).
    std::optional<XMessage> Next(std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // The next message with this code (low 8 bits of wparam), dropping the
    // others before it.
    std::optional<XMessage> NextOf(int32_t code,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Whether a message is waiting now.
    bool Empty();

private:
    std::shared_ptr<XClock> clock_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<XMessage> messages_;
};
