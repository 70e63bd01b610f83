// The exchange thread as the soak's meter operations see it: every command
// goes through to the real thread, is counted, and stays on the watchdog
// until the thread's message for it has arrived.
#pragma once

#include "SoakTally.h"
#include "Watchdog.h"
#include "XMessageQueue.h"
#include "exchange/ExchangeLink.h"
#include "exchange/Tzorxthreadunit.h"

#include <deque>

class SoakLink final : public ExchangeLink {
public:
    SoakLink(TZorXThread& thread, Watchdog& watchdog, SoakTally& tally)
        : thread_(thread), watchdog_(watchdog), tally_(tally) {}

    bool SendCommand(int32_t code, uint32_t argument, void* data) override;
    bool PreparePort(uint32_t kind) override;
    bool OpenPort(int32_t port) override;
    bool IsPortOpen() const override { return thread_.IsPortOpen(); }
    bool IsBusy() const override { return thread_.IsBusy(); }
    void AbortExchange() override { thread_.AbortExchange(); }
    BkltState RigState() const override { return thread_.RigState(); }

    // A message taken from the queue: the end of the oldest command still
    // out when it is that command's result (the thread runs and posts in the
    // order it was handed the commands).
    void Arrived(const XMessage& message);
    // No command is out and the thread is free.
    bool Idle() const { return out_.empty() && !thread_.IsBusy(); }

    // How long the command may run: many times its time-outs added up (the
    // libraries' own, a few hundred ms each at the soak's time scale, and the
    // thread's pauses on the test clock), so that only a command that waits
    // for nothing that can come outlives it, even on a loaded machine.
    static std::chrono::milliseconds Budget(int32_t code);

private:
    // Puts the oldest command out on the watchdog, or nothing.
    void Rearm();
    // Runs a call of the port in this thread on the watchdog.
    template <class Call> bool Blocking(const char* what, Call call);

    TZorXThread& thread_;
    Watchdog& watchdog_;
    SoakTally& tally_;
    std::deque<int32_t> out_; // codes of the commands whose message is due
};
