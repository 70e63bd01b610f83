// The exchange thread as the windows and the meter operations use it: one
// command at a time, a port preparation, the port choice and the abort.
// XThreadLink is the real one over TZorXThread; tests put a scripted one in
// its place.
#pragma once

#include "ZorComBklt.h"

#include <cstdint>

class ExchangeLink {
public:
    virtual ~ExchangeLink() = default;
    // Hands the thread a command; false when it is still busy with the
    // previous one (nothing is sent then).
    virtual bool SendCommand(int32_t code, uint32_t argument, void* data) = 0;
    // Applies a device's line settings to the open port (1, 2: ГКМС in that
    // mode, 3: ЛГМ); false when there is no port or the settings failed.
    virtual bool PreparePort(uint32_t kind) = 0;
    // Makes port (0 … 7) the working port, starting the thread on the first
    // choice; false when it could not be opened (no port is open then).
    virtual bool OpenPort(int32_t port) = 0;
    virtual bool IsPortOpen() const = 0;
    // Whether a command is pending or running.
    virtual bool IsBusy() const = 0;
    // Breaks off the transfer the running command waits in.
    virtual void AbortExchange() = 0;
    // The rig's state as the last poll found it.
    virtual BkltState RigState() const = 0;
};
