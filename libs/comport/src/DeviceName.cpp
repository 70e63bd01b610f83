#include "DeviceName.h"

#include <cstdlib>

namespace nkcomport {

namespace {

constexpr std::string_view kNetworkScheme = "rfc2217://";

bool parsePortNumber(std::string_view text, uint16_t& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value == 0 || value > 65535) {
        return false;
    }
    port = static_cast<uint16_t>(value);
    return true;
}

DeviceAddress parseNetworkAddress(std::string_view name, std::string_view rest) {
    const auto bad = [&] {
        return BadDeviceName{std::string(name) + ": expected rfc2217://host:port"};
    };
    std::string_view host;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const auto close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
            return bad();
        }
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
    } else {
        const auto colon = rest.rfind(':');
        if (colon == std::string_view::npos) {
            return bad();
        }
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) {
            return bad();
        }
    }
    NetworkDevice device;
    if (host.empty() || !parsePortNumber(port, device.port)) {
        return bad();
    }
    device.host = std::string(host);
    return device;
}

} // namespace

std::string configuredDeviceName(int port) {
    const std::string variable = "LGMSERVICE_COM" + std::to_string(port + 1);
    const char* value = std::getenv(variable.c_str());
    if (value != nullptr && *value != '\0') {
        return value;
    }
    return "/dev/ttyS" + std::to_string(port);
}

DeviceAddress parseDeviceName(std::string_view name) {
    if (name.substr(0, kNetworkScheme.size()) == kNetworkScheme) {
        return parseNetworkAddress(name, name.substr(kNetworkScheme.size()));
    }
    if (name.empty() || name.front() != '/') {
        return BadDeviceName{std::string(name) + ": not a device path or rfc2217:// address"};
    }
    return LocalDevice{std::string(name)};
}

} // namespace nkcomport
