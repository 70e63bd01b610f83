// Ends the soak with a clear message when something it waits for does not
// end in time: a command on the exchange thread, or a call that blocks the
// soak's own thread (opening a port, preparing it).
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class Watchdog {
public:
    Watchdog();
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // From now on what must end within budget, or the process is aborted
    // with "soak: HANG: <what> has not ended within <budget>". Replaces what
    // was armed before.
    void Arm(std::string what, std::chrono::milliseconds budget);
    void Disarm();

private:
    void Watch();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::string what_;
    std::chrono::milliseconds budget_{0};
    std::chrono::steady_clock::time_point deadline_{};
    bool armed_ = false;
    bool stop_ = false;
    std::thread thread_; // last: starts once the rest is set
};
