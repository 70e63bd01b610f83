// lgmsim: simulated serial devices served over RFC 2217 for the tests.
#include "CommandLine.h"
#include "Simulator.h"

#include <csignal>
#include <cstdio>
#include <system_error>

using namespace lgmsim;

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto line = parseCommandLine(args, error);
    if (!line) {
        std::fprintf(stderr, "lgmsim: %s\n", error.c_str());
        return 2;
    }
    if (line->help) {
        std::fputs(helpText().c_str(), stdout);
        return 0;
    }
    std::vector<std::unique_ptr<SimPort>> ports;
    std::vector<std::string> listening;
    try {
        for (const DeviceSpec& spec : line->devices) {
            const DeviceInfo* info = findDevice(spec.kind);
            if (info == nullptr) {
                throw std::invalid_argument("unknown device '" + spec.kind + "' (see --help)");
            }
            DeviceOptions options = spec.options;
            auto device = info->create(options);
            if (!options.empty()) {
                throw std::invalid_argument("unknown option '" + options.begin()->first +
                                            "' for device " + spec.kind);
            }
            const size_t index = ports.size();
            auto port =
                std::make_unique<SimPort>(index, spec.kind, std::move(device),
                                          PortOptions{spec.baudTiming, spec.quiet, line->verbose});
            for (const Fault& fault : spec.faults) {
                port->faults().set(fault);
            }
            const uint16_t number = port->listen(spec.port);
            listening.push_back("listening device=" + std::to_string(index) + " kind=" + spec.kind +
                                " port=" + std::to_string(number));
            ports.push_back(std::move(port));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lgmsim: %s\n", e.what());
        return 2;
    }
    // Only when every device listens, so a test that has read the lines can connect to any.
    for (const auto& text : listening) {
        say(text);
    }
    return Simulator(std::move(ports), line->timeLimit).run();
}
