// Every blocking wait of the library: poll on the device (or socket) plus
// the port's two wake-up eventfds, bounded by the caller's deadline.
#pragma once

#include <chrono>

namespace nkcomport {

using Clock = std::chrono::steady_clock;

struct WaitContext {
    Clock::time_point deadline;
    int abortFd = -1;  // NkComPortBreak (and close): stays set until a wait takes it
    int cancelFd = -1; // purge of a pending transfer: only wakes a wait in progress
};

enum class WaitOutcome { Ready, TimedOut, Aborted, Failed };

// Waits until fd reports one of events (or an error or hang-up, which the
// caller's next I/O call will find), the deadline passes or a wake-up
// signal arrives. A ready device wins over a signal that came at the same
// moment; a signal that ends the wait is consumed.
WaitOutcome waitFor(int fd, short events, const WaitContext& context);

// Clears an eventfd without blocking.
void drainEventFd(int fd);

} // namespace nkcomport
