// What a simulated device is, and what it can do with its line.
//
// Adding a device: write one file in src/devices/ with a class derived from
// Device and a DeviceRegistration for it (see EchoDevice.cpp). The
// framework does the rest: the RFC 2217 server, control lines, line
// settings, faults, baud-rate timing and control commands.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lgmsim {

using Clock = std::chrono::steady_clock;

// The serial settings the client asked for, in RFC 2217 terms.
struct LineSettings {
    uint32_t baudRate = 9600;
    uint8_t dataSize = 8;
    uint8_t parity = 1;   // 1 none, 2 odd, 3 even, 4 mark, 5 space
    uint8_t stopSize = 1; // 1 one, 2 two, 3 one and a half
};

enum class ModemLine { Cts, Dsr, Ri, Cd };

// The device's side of the line, given to every device call.
class DeviceLine {
public:
    // Sends one answer frame. The framework applies the device's faults to
    // it (see Faults.h) and, when asked, the baud-rate timing.
    virtual void answer(std::vector<uint8_t> frame) = 0;
    // Sets a modem line; the client is notified at once.
    virtual void setModemLine(ModemLine line, bool on) = 0;
    virtual bool dtr() const = 0;
    virtual bool rts() const = 0;
    virtual const LineSettings& settings() const = 0;
    // Runs action after delay unless cancelled; for devices that act on
    // their own (a supply that takes time to come up, a running measurement).
    virtual uint64_t schedule(std::chrono::milliseconds delay, std::function<void()> action) = 0;
    virtual void cancel(uint64_t timer) = 0;
    // A line for the log on stderr (shown with --verbose).
    virtual void log(std::string_view text) = 0;

protected:
    ~DeviceLine() = default;
};

class Device {
public:
    virtual ~Device() = default;

    // Bytes from the client in arrival order; a request may come in pieces.
    virtual void received(std::span<const uint8_t> bytes, DeviceLine& line) = 0;
    // DTR or RTS changed.
    virtual void controlLinesChanged(DeviceLine&) {}
    // A client connected or went away (its lines are then both off).
    virtual void connected(DeviceLine&) {}
    virtual void disconnected(DeviceLine&) {}

    // Fault hooks: corrupt the checksum or the status byte of an answer
    // frame in place. False when the frame has none (the fault is then
    // reported in the log and the frame goes out as it is).
    virtual bool corruptChecksum(std::vector<uint8_t>&) const { return false; }
    virtual bool corruptStatus(std::vector<uint8_t>&) const { return false; }

    // "key=value …" appended to the answer of the control command `state`.
    virtual std::string state() const { return {}; }
    // The control command `device N ARGS`: the answer after "ok", or throws
    // std::invalid_argument with the reason.
    virtual std::string command(std::string_view args, DeviceLine&) {
        throw std::invalid_argument("no device commands (" + std::string(args) + ")");
    }
};

// Device-specific options from the command line (KEY=VALUE). The factory
// takes the ones it knows out of the map; any left over is an error.
using DeviceOptions = std::map<std::string, std::string, std::less<>>;

struct DeviceInfo {
    std::string kind;    // the name on the command line
    std::string summary; // one line for --help
    std::string options; // help text for its options and commands, or empty
    std::function<std::unique_ptr<Device>(DeviceOptions&)> create;
};

// Registers a device kind when the program starts.
struct DeviceRegistration {
    explicit DeviceRegistration(DeviceInfo info);
};

const std::vector<DeviceInfo>& registeredDevices();
const DeviceInfo* findDevice(std::string_view kind);

} // namespace lgmsim
