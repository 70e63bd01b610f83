#include "Watchdog.h"

#include <cstdio>
#include <cstdlib>

Watchdog::Watchdog() : thread_([this] { Watch(); }) {}

Watchdog::~Watchdog() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void Watchdog::Arm(std::string what, std::chrono::milliseconds budget) {
    {
        const std::lock_guard lock(mutex_);
        what_ = std::move(what);
        budget_ = budget;
        deadline_ = std::chrono::steady_clock::now() + budget;
        armed_ = true;
    }
    changed_.notify_all();
}

void Watchdog::Disarm() {
    {
        const std::lock_guard lock(mutex_);
        armed_ = false;
    }
    changed_.notify_all();
}

void Watchdog::Watch() {
    std::unique_lock lock(mutex_);
    while (!stop_) {
        if (!armed_) {
            changed_.wait(lock);
            continue;
        }
        const auto deadline = deadline_;
        if (changed_.wait_until(lock, deadline) == std::cv_status::no_timeout)
            continue;
        if (armed_ && deadline_ == deadline) {
            // A hang leaves nothing to clean up after: stop here, loudly.
            std::fprintf(stderr, "soak: HANG: %s has not ended within %.1f s\n", what_.c_str(),
                         budget_.count() / 1000.0);
            std::fflush(stderr);
            std::abort();
        }
    }
}
