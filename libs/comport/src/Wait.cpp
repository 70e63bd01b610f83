#include "Wait.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <unistd.h>

namespace nkcomport {

namespace {

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    // Round up, or a wait a fraction of a millisecond short of the deadline
    // would come back early and spin.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
}

} // namespace

void drainEventFd(int fd) {
    uint64_t value;
    while (::read(fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

WaitOutcome waitFor(int fd, short events, const WaitContext& context) {
    pollfd fds[3] = {{fd, events, 0}, {context.abortFd, POLLIN, 0}, {context.cancelFd, POLLIN, 0}};
    for (;;) {
        const int timeout = millisecondsUntil(context.deadline);
        const int n = ::poll(fds, 3, timeout);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return WaitOutcome::Failed;
        }
        if (fds[0].revents != 0) {
            return WaitOutcome::Ready;
        }
        for (int i = 1; i < 3; ++i) {
            if (fds[i].revents & POLLIN) {
                drainEventFd(fds[i].fd);
                return WaitOutcome::Aborted;
            }
        }
        if (Clock::now() >= context.deadline) {
            return WaitOutcome::TimedOut;
        }
    }
}

} // namespace nkcomport
