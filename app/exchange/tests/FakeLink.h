// A scripted exchange thread for the tests of the windows' rules: it records
// what is sent and refuses what the test tells it to.
#pragma once

#include "exchange/ExchangeLink.h"

#include <cstdint>
#include <vector>

struct SentCommand {
    int32_t Code;
    uint32_t Argument;
    void* Data;
    bool operator==(const SentCommand&) const = default;
};

class FakeLink : public ExchangeLink {
public:
    bool SendCommand(int32_t code, uint32_t argument, void* data) override;
    bool PreparePort(uint32_t kind) override;
    bool OpenPort(int32_t port) override;
    bool IsPortOpen() const override { return open; }
    bool IsBusy() const override { return busy; }
    void AbortExchange() override { ++aborts; }
    BkltState RigState() const override { return rigState; }

    std::vector<int32_t> Codes() const;

    // What the thread answers.
    bool busy = false;  // refuse every command
    int refuseNext = 0; // refuse this many commands, then accept
    bool prepareFails = false;
    bool openFails = false;
    BkltState rigState{};

    // What it was asked.
    std::vector<SentCommand> sent;
    std::vector<uint32_t> prepared;
    std::vector<int32_t> opened;
    bool open = false;
    int aborts = 0;
};
