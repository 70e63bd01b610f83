#include "Rfc2217Protocol.h"

#include "Telnet.h"

#include <algorithm>
#include <array>

namespace nkcomport::rfc2217 {

void appendCommand(Command command, std::span<const uint8_t> value, std::vector<uint8_t>& out) {
    std::array<uint8_t, 8> payload{telnet::OPTION_COM_PORT, command};
    size_t size = 2;
    for (uint8_t b : value.first(std::min(value.size(), payload.size() - 2))) {
        payload[size++] = b;
    }
    telnet::appendSubnegotiation(std::span(payload).first(size), out);
}

void appendCommand(Command command, uint8_t value, std::vector<uint8_t>& out) {
    appendCommand(command, std::span(&value, 1), out);
}

std::array<uint8_t, 4> baudRateValue(uint32_t baud) {
    return {static_cast<uint8_t>(baud >> 24), static_cast<uint8_t>(baud >> 16),
            static_cast<uint8_t>(baud >> 8), static_cast<uint8_t>(baud)};
}

void appendBaudRate(uint32_t baud, std::vector<uint8_t>& out) {
    appendCommand(SET_BAUDRATE, baudRateValue(baud), out);
}

std::optional<ServerMessage> parseServerMessage(std::span<const uint8_t> payload) {
    if (payload.size() < 2 || payload[0] != telnet::OPTION_COM_PORT ||
        payload[1] <= SERVER_OFFSET) {
        return std::nullopt;
    }
    return ServerMessage{static_cast<Command>(payload[1] - SERVER_OFFSET), payload.subspan(2)};
}

std::optional<uint32_t> baudRateOf(std::span<const uint8_t> value) {
    if (value.size() != 4) {
        return std::nullopt;
    }
    return uint32_t{value[0]} << 24 | uint32_t{value[1]} << 16 | uint32_t{value[2]} << 8 |
           uint32_t{value[3]};
}

std::optional<uint8_t> byteOf(std::span<const uint8_t> value) {
    if (value.size() != 1) {
        return std::nullopt;
    }
    return value[0];
}

// The library counts parity 0 none … 4 space; the wire counts 1 … 5.
std::optional<uint8_t> parityToWire(uint8_t parity) {
    if (parity > 4) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(parity + 1);
}

std::optional<uint8_t> parityFromWire(uint8_t wire) {
    if (wire < 1 || wire > 5) {
        return std::nullopt;
    }
    return static_cast<uint8_t>(wire - 1);
}

// The library: 0 one, 1 one and a half, 2 two. The wire: 1 one, 2 two, 3 one and a half.
std::optional<uint8_t> stopBitsToWire(uint8_t stopBits) {
    static constexpr uint8_t kWire[] = {1, 3, 2};
    if (stopBits > 2) {
        return std::nullopt;
    }
    return kWire[stopBits];
}

std::optional<uint8_t> stopBitsFromWire(uint8_t wire) {
    static constexpr uint8_t kLibrary[] = {0, 2, 1};
    if (wire < 1 || wire > 3) {
        return std::nullopt;
    }
    return kLibrary[wire - 1];
}

} // namespace nkcomport::rfc2217
