// lgmsim's command line.
#pragma once

#include "Device.h"
#include "Faults.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lgmsim {

struct DeviceSpec {
    std::string kind;
    uint16_t port = 0; // 0: any free port
    bool baudTiming = false;
    bool quiet = false;
    std::vector<Fault> faults;
    DeviceOptions options; // for the device itself
};

struct CommandLine {
    std::vector<DeviceSpec> devices;
    std::chrono::seconds timeLimit{600};
    bool verbose = false;
    bool help = false;
};

// Parses the arguments after the program name. Device kinds are not
// checked here (the registry does that). Empty with error set on bad input.
std::optional<CommandLine> parseCommandLine(std::span<const std::string> args, std::string& error);

// The --help text, listing the registered devices.
std::string helpText();

} // namespace lgmsim
