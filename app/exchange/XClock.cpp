#include "exchange/XClock.h"

#include <chrono>
#include <thread>

namespace {

class RealClock final : public XClock {
public:
    uint32_t TickCount() override {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
    }
    void Sleep(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

} // namespace

std::shared_ptr<XClock> RealXClock() {
    static const std::shared_ptr<XClock> clock = std::make_shared<RealClock>();
    return clock;
}
