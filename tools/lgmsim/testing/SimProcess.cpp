#include "SimProcess.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace lgmsim {

namespace {

std::vector<std::string> arguments(const std::vector<std::string>& devices,
                                   const SimProcess::Options& options) {
    std::vector<std::string> args{SimProcess::program(), "--time-limit",
                                  std::to_string(options.timeLimit.count())};
    const char* verbose = std::getenv("LGMSIM_VERBOSE");
    if (options.verbose || (verbose != nullptr && std::string_view(verbose) == "1")) {
        args.push_back("--verbose");
    }
    args.insert(args.end(), devices.begin(), devices.end());
    return args;
}

std::string field(std::string_view line, std::string_view name) {
    const std::string key = " " + std::string(name) + "=";
    const auto at = line.find(key);
    if (at == std::string_view::npos) {
        return {};
    }
    const auto begin = at + key.size();
    return std::string(line.substr(begin, line.find(' ', begin) - begin));
}

} // namespace

std::string SimProcess::program() {
    return LGMSIM_PROGRAM;
}

SimProcess::SimProcess(const std::vector<std::string>& devices) : SimProcess(devices, Options{}) {}

SimProcess::SimProcess(const std::vector<std::string>& devices, Options options)
    : options_(options), process_(arguments(devices, options)) {
    while (ports_.size() < devices.size()) {
        const auto line = process_.readLine(options_.startWait);
        if (!line) {
            const int status = process_.stop();
            throw std::runtime_error("lgmsim did not start (wait status " + std::to_string(status) +
                                     "; its reason is on stderr)");
        }
        if (!line->starts_with("listening ")) {
            throw std::runtime_error("lgmsim said: " + *line);
        }
        ports_.push_back(static_cast<uint16_t>(std::stoul(field(*line, "port"))));
    }
}

uint16_t SimProcess::port(size_t device) const {
    return ports_.at(device);
}

std::string SimProcess::address(size_t device) const {
    return "rfc2217://127.0.0.1:" + std::to_string(port(device));
}

void SimProcess::bindComPort(int comPort, size_t device) const {
    const std::string name = "LGMSERVICE_COM" + std::to_string(comPort + 1);
    ::setenv(name.c_str(), address(device).c_str(), 1);
}

std::string SimProcess::command(std::string_view line) {
    if (!process_.writeLine(line)) {
        throw std::runtime_error("lgmsim is gone (command: " + std::string(line) + ")");
    }
    const auto answer = process_.readLine(options_.answerWait);
    if (!answer) {
        throw std::runtime_error("no answer from lgmsim to: " + std::string(line));
    }
    if (*answer == "ok") {
        return {};
    }
    if (answer->starts_with("ok ")) {
        return answer->substr(3);
    }
    throw std::runtime_error("lgmsim: " + *answer + " (command: " + std::string(line) + ")");
}

std::string SimProcess::deviceLine(std::string_view verb, size_t device, std::string_view rest) {
    std::string line = std::string(verb) + " " + std::to_string(device);
    if (!rest.empty()) {
        line += " ";
        line += rest;
    }
    return command(line);
}

void SimProcess::fault(size_t device, std::string_view fault) {
    deviceLine("fault", device, fault);
}

void SimProcess::faultAfter(size_t device, uint32_t skip, std::string_view fault) {
    std::string text(fault);
    text.insert(std::min(text.find('/'), text.size()), "@" + std::to_string(skip));
    deviceLine("fault", device, text);
}

void SimProcess::clearFaults(size_t device) {
    deviceLine("clear", device);
}

void SimProcess::setLine(size_t device, std::string_view line, bool on) {
    deviceLine("set", device, std::string(line) + (on ? " 1" : " 0"));
}

void SimProcess::send(size_t device, std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    deviceLine("send", device, hex);
}

void SimProcess::drop(size_t device) {
    deviceLine("drop", device);
}

std::string SimProcess::deviceCommand(size_t device, std::string_view args) {
    return deviceLine("device", device, args);
}

std::map<std::string, std::string> SimProcess::state(size_t device) {
    const std::string text = " " + deviceLine("state", device);
    std::map<std::string, std::string> fields;
    size_t at = 0;
    while ((at = text.find(' ', at)) != std::string::npos) {
        const size_t begin = at + 1;
        const size_t equals = text.find('=', begin);
        at = text.find(' ', begin);
        if (equals != std::string::npos && equals < at) {
            fields[text.substr(begin, equals - begin)] = text.substr(equals + 1, at - equals - 1);
        }
    }
    return fields;
}

bool SimProcess::waitForState(size_t device, std::string_view name, std::string_view value,
                              std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto fields = state(device);
        const auto it = fields.find(std::string(name));
        if (it != fields.end() && it->second == value) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace lgmsim
