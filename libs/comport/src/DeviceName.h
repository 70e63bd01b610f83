// Which device a port number stands for.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace nkcomport {

// The device name of port 0 … 7 as configured now: LGMSERVICE_COM<n> when
// set and not empty, else /dev/ttyS<n-1>.
std::string configuredDeviceName(int port);

struct LocalDevice {
    std::string path;
};

struct NetworkDevice {
    std::string host; // without the brackets of an IPv6 literal
    uint16_t port = 0;
};

struct BadDeviceName {
    std::string reason;
};

using DeviceAddress = std::variant<LocalDevice, NetworkDevice, BadDeviceName>;

// "rfc2217://host:port" (host a name, an IPv4 address or a bracketed IPv6
// address) is a network device; an absolute path is a local device.
DeviceAddress parseDeviceName(std::string_view name);

} // namespace nkcomport
