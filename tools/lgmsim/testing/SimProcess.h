// lgmsim started for a test: the ports its devices listen on, and its
// control commands (faults, modem lines, unasked bytes, dropped
// connections, state). Every call waits for lgmsim's answer, so when it
// returns the change is already on the wire.
//
//     lgmsim::SimProcess sim({"echo", "echo:0,baud-timing,fault=delay:50"});
//     sim.bindComPort(0, 0);            // COM1 is now device 0
//     NkComPortOpen(0);
//     sim.fault(0, "checksum/1");       // the next answer only
//     sim.faultAfter(0, 1, "checksum/1"); // the answer after the next only
//
// Devices are written as on lgmsim's command line (lgmsim --help).
// Failures throw std::runtime_error with lgmsim's reason.
#pragma once

#include "ChildProcess.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lgmsim {

class SimProcess {
public:
    struct Options {
        std::chrono::seconds timeLimit{300}; // lgmsim ends itself after this
        // Traffic log on stderr; also switched on by LGMSIM_VERBOSE=1.
        bool verbose = false;
        std::chrono::milliseconds startWait{10000};
        std::chrono::milliseconds answerWait{5000};
    };

    // Starts lgmsim with the devices, each on a free port, and waits until
    // all listen.
    explicit SimProcess(const std::vector<std::string>& devices);
    SimProcess(const std::vector<std::string>& devices, Options options);

    size_t deviceCount() const { return ports_.size(); }
    uint16_t port(size_t device) const;
    // "rfc2217://127.0.0.1:PORT"
    std::string address(size_t device) const;
    // Sets LGMSERVICE_COM<comPort + 1> to the device's address, so that the
    // serial library's port comPort (0 … 7) opens it.
    void bindComPort(int comPort, size_t device) const;

    // Sends one control line; returns the text after "ok".
    std::string command(std::string_view line);

    // fault as lgmsim takes it: KIND[:VALUE][@SKIP][/COUNT].
    void fault(size_t device, std::string_view fault);
    // fault (KIND[:VALUE][/COUNT]) once skip answers have gone out sound:
    // faultAfter(0, 2, "checksum/1") lets two answers through and spoils the
    // third, as fault(0, "checksum@2/1") does. For requests answered more
    // than once, such as a write the library precedes with a read.
    void faultAfter(size_t device, uint32_t skip, std::string_view fault);
    void clearFaults(size_t device);
    // line: "dsr", "cts", "ri" or "cd".
    void setLine(size_t device, std::string_view line, bool on);
    void send(size_t device, std::span<const uint8_t> bytes);
    void drop(size_t device);
    std::string deviceCommand(size_t device, std::string_view args);

    // The fields of `state` ("connected", "dtr", "baud", "received", …).
    std::map<std::string, std::string> state(size_t device);
    // Asks for the state until field has value; false if it has not by then.
    bool waitForState(size_t device, std::string_view field, std::string_view value,
                      std::chrono::milliseconds timeout = std::chrono::seconds(2));

    // Stops lgmsim now (the destructor does too).
    void stop() { process_.stop(); }

    static std::string program();

private:
    std::string deviceLine(std::string_view verb, size_t device, std::string_view rest = {});

    Options options_;
    ChildProcess process_;
    std::vector<uint16_t> ports_;
};

} // namespace lgmsim
