#include "SoakLink.h"

#include <string>

namespace {

using std::chrono::milliseconds;

// The port calls in the caller's thread: an open connects and negotiates,
// a preparation sets the line.
constexpr milliseconds kPortCallBudget{10000};

} // namespace

milliseconds SoakLink::Budget(int32_t code) {
    switch (code) {
    case XCmd::StartRig:
    case XCmd::StopRig:
        return milliseconds{5000};
    case XCmd::WriteGkmsParams:
        return milliseconds{10000};
    case XCmd::OutputTest: // its writes around 15 s of the clock
        return milliseconds{40000};
    default: // an adaptor command, the version and a block both ways
        return milliseconds{20000};
    }
}

template <class Call> bool SoakLink::Blocking(const char* what, Call call) {
    watchdog_.Arm(what, kPortCallBudget);
    const bool done = call();
    Rearm();
    return done;
}

bool SoakLink::SendCommand(int32_t code, uint32_t argument, void* data) {
    if (!thread_.SendCommand(code, argument, data)) {
        ++tally_.Refused;
        return false;
    }
    ++tally_.Commands;
    ++tally_.ByCommand[code];
    out_.push_back(code);
    if (out_.size() == 1)
        Rearm();
    return true;
}

bool SoakLink::PreparePort(uint32_t kind) {
    return Blocking("preparing the port", [&] { return thread_.PreparePort(kind); });
}

bool SoakLink::OpenPort(int32_t port) {
    return Blocking("opening the port", [&] {
        thread_.Resume();
        const bool opened =
            thread_.SendCommand(XCmd::OpenPort, static_cast<uint32_t>(port), nullptr);
        if (opened) {
            ++tally_.Commands;
            ++tally_.ByCommand[XCmd::OpenPort];
        }
        return opened;
    });
}

void SoakLink::Arrived(const XMessage& message) {
    if (out_.empty() || message.Code() != out_.front())
        return;
    out_.pop_front();
    Rearm();
}

void SoakLink::Rearm() {
    if (out_.empty()) {
        watchdog_.Disarm();
        return;
    }
    watchdog_.Arm("command " + std::to_string(out_.front()) + " on the exchange thread",
                  Budget(out_.front()));
}
