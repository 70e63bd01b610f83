#include "CommandLine.h"

#include <charconv>

namespace lgmsim {

namespace {

template <typename T> bool parseNumber(std::string_view text, T& value) {
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// KIND[:PORT][,OPTION]...
std::optional<DeviceSpec> parseDevice(std::string_view text, std::string& error) {
    DeviceSpec spec;
    const auto comma = text.find(',');
    std::string_view head = text.substr(0, comma);
    std::string_view rest = comma == std::string_view::npos ? "" : text.substr(comma + 1);
    const auto colon = head.find(':');
    spec.kind = std::string(head.substr(0, colon));
    if (spec.kind.empty()) {
        error = "device '" + std::string(text) + "' has no kind";
        return std::nullopt;
    }
    if (colon != std::string_view::npos && !parseNumber(head.substr(colon + 1), spec.port)) {
        error = "bad port in device '" + std::string(text) + "'";
        return std::nullopt;
    }
    while (!rest.empty()) {
        const auto next = rest.find(',');
        const std::string_view option = rest.substr(0, next);
        rest = next == std::string_view::npos ? "" : rest.substr(next + 1);
        const auto equals = option.find('=');
        const std::string_view key = option.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? "" : option.substr(equals + 1);
        if (option == "baud-timing") {
            spec.baudTiming = true;
        } else if (option == "quiet") {
            spec.quiet = true;
        } else if (key == "fault" && equals != std::string_view::npos) {
            auto fault = parseFault(value, error);
            if (!fault) {
                return std::nullopt;
            }
            spec.faults.push_back(*fault);
        } else if (equals != std::string_view::npos && !key.empty()) {
            spec.options[std::string(key)] = std::string(value);
        } else {
            error = "unknown option '" + std::string(option) + "' in device '" + std::string(text) +
                    "'";
            return std::nullopt;
        }
    }
    return spec;
}

} // namespace

std::optional<CommandLine> parseCommandLine(std::span<const std::string> args, std::string& error) {
    CommandLine line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--verbose" || arg == "-v") {
            line.verbose = true;
        } else if (arg == "--time-limit") {
            unsigned seconds = 0;
            if (i + 1 >= args.size() || !parseNumber(std::string_view(args[i + 1]), seconds) ||
                seconds == 0) {
                error = "--time-limit needs a number of seconds above 0";
                return std::nullopt;
            }
            line.timeLimit = std::chrono::seconds(seconds);
            ++i;
        } else if (arg.starts_with("-")) {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        } else {
            auto device = parseDevice(arg, error);
            if (!device) {
                return std::nullopt;
            }
            line.devices.push_back(std::move(*device));
        }
    }
    if (line.devices.empty() && !line.help) {
        error = "no device given (see --help)";
        return std::nullopt;
    }
    return line;
}

std::string helpText() {
    std::string text = R"(Usage: lgmsim [--time-limit SECONDS] [--verbose] DEVICE...

Serves simulated serial devices as RFC 2217 servers on 127.0.0.1, one TCP
port per device, for the serial library's rfc2217:// ports
(LGMSERVICE_COM<n>=rfc2217://127.0.0.1:PORT). Prints one line per device
when it listens:
    listening device=INDEX kind=KIND port=PORT
and stops by itself after the time limit (default 600 s), on the control
command "quit", or on SIGTERM.

  --time-limit SECONDS   stop after this long
  --verbose              log connections, faults and every byte on stderr
  --help                 this text

DEVICE is KIND[:PORT][,OPTION]... (PORT 0 or none: any free port; devices
are numbered 0, 1, … in the order given). Options of every device:
  baud-timing   answers take as long as their bytes would on the line at the
                baud rate, data size, parity and stop bits the client set
  quiet         no acknowledgement of SET-CONTROL and of the state masks
                (as some servers do)
  fault=FAULT   a fault from the start (may be repeated)

FAULT is KIND[:VALUE][@SKIP][/COUNT]. @SKIP lets the next SKIP answers go
out sound before the fault starts (to hit a later answer of one exchange,
such as a write the client precedes with a read); /COUNT limits the fault
to COUNT answers; without it the fault stays until cleared. checksum@2/1
lets two answers through and spoils the third only. Kinds:
  silent        the device takes the request but does not answer
  checksum      the answer's checksum is wrong
  status        the answer's status byte is wrong
  short[:N]     only the first N bytes of the answer (default: all but one)
  drop[:N]      the first N bytes of the answer (default 0), then the
                connection is closed
  delay:MS      the answer comes MS milliseconds late

Control commands, one per line on standard input; each is answered with
one line on standard output, "ok [TEXT]" or "error TEXT":
  fault N FAULT       switch a fault on for device N
  clear N             switch all faults of device N off
  set N LINE 0|1      set a modem line of device N (dsr, cts, ri, cd); the
                      client is notified at once
  send N HEX          the device sends these bytes unasked (e.g. 01FF02)
  drop N              close device N's client connection now
  state N             "ok kind=… port=… connected=0|1 dtr= rts= cts= dsr= ri= cd=
                      baud= datasize= parity= stopsize= received= sent= faults=…"
                      and the device's own fields
  device N ARGS...    a command of the device itself
  quit                stop

Devices:
)";
    for (const auto& device : registeredDevices()) {
        text += "  " + device.kind + "  " + device.summary + "\n";
        if (!device.options.empty()) {
            std::string_view options = device.options;
            while (!options.empty()) {
                const auto newline = options.find('\n');
                text += "      " + std::string(options.substr(0, newline)) + "\n";
                options = newline == std::string_view::npos ? "" : options.substr(newline + 1);
            }
        }
    }
    return text;
}

} // namespace lgmsim
