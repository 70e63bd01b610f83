#include "ModemReports.h"

namespace nkcomport {

void ModemReports::connected(Clock::time_point now) {
    firstDue_ = true;
    deadline_ = now + kWait;
}

void ModemReports::controlSent(bool movesLine, Clock::time_point now) {
    ++sent_;
    if (movesLine) {
        lastMove_ = sent_;
        ++unreported_;
        deadline_ = now + kWait;
    }
}

void ModemReports::controlAcknowledged() {
    acknowledges_ = true;
    // An answer to nothing sent must not make an earlier notification
    // look as if it came after the last command.
    if (acknowledged_ < sent_) {
        ++acknowledged_;
    }
}

void ModemReports::notified(uint8_t value) {
    firstDue_ = false;
    // Without change flags a notification repeats the state, as a server
    // does while the option is negotiated: it answers no line change.
    if ((value & 0x0Fu) == 0 || unreported_ == 0) {
        return;
    }
    if (!acknowledges_) {
        --unreported_;
    } else if (acknowledged_ >= lastMove_) {
        unreported_ = 0;
    }
}

std::optional<Clock::time_point> ModemReports::due() const {
    if (firstDue_ || unreported_ > 0) {
        return deadline_;
    }
    return std::nullopt;
}

void ModemReports::read() {
    firstDue_ = false;
    unreported_ = 0;
}

} // namespace nkcomport
