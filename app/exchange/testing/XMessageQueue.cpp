#include "XMessageQueue.h"

ExchangeReceiver XMessageQueue::Receiver() {
    return [this](uint32_t message, uint32_t wparam, intptr_t lparam) {
        const uint32_t tick = clock_->TickCount();
        {
            const std::lock_guard lock(mutex_);
            messages_.push_back({message, wparam, lparam, tick});
        }
        arrived_.notify_all();
    };
}

std::optional<XMessage> XMessageQueue::Next(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [this] { return !messages_.empty(); }))
        return std::nullopt;
    const XMessage message = messages_.front();
    messages_.pop_front();
    return message;
}

std::optional<XMessage> XMessageQueue::NextOf(int32_t code, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return std::nullopt;
        const auto message = Next(left);
        if (!message || message->Code() == code)
            return message;
    }
}

bool XMessageQueue::Empty() {
    const std::lock_guard lock(mutex_);
    return messages_.empty();
}
