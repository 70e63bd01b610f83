// The exchange thread behind the ExchangeLink the windows use.
#pragma once

#include "exchange/ExchangeLink.h"
#include "exchange/Tzorxthreadunit.h"

class XThreadLink final : public ExchangeLink {
public:
    explicit XThreadLink(TZorXThread& thread) : thread_(thread) {}

    bool SendCommand(int32_t code, uint32_t argument, void* data) override {
        return thread_.SendCommand(code, argument, data);
    }
    bool PreparePort(uint32_t kind) override { return thread_.PreparePort(kind); }
    // The thread starts with the first port chosen.
    bool OpenPort(int32_t port) override {
        thread_.Resume();
        return thread_.SendCommand(XCmd::OpenPort, static_cast<uint32_t>(port), nullptr);
    }
    bool IsPortOpen() const override { return thread_.IsPortOpen(); }
    bool IsBusy() const override { return thread_.IsBusy(); }
    void AbortExchange() override { thread_.AbortExchange(); }
    BkltState RigState() const override { return thread_.RigState(); }

private:
    TZorXThread& thread_;
};
