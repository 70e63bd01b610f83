// The COM-PORT-OPTION (RFC 2217) messages a client sends and receives, and
// the mapping of the library's line settings to their values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace nkcomport::rfc2217 {

enum Command : uint8_t {
    SET_BAUDRATE = 1,
    SET_DATASIZE = 2,
    SET_PARITY = 3,
    SET_STOPSIZE = 4,
    SET_CONTROL = 5,
    NOTIFY_LINESTATE = 6,
    NOTIFY_MODEMSTATE = 7,
    SET_LINESTATE_MASK = 10,
    SET_MODEMSTATE_MASK = 11,
    PURGE_DATA = 12,
};

// A server's message carries the client command code plus this.
inline constexpr uint8_t SERVER_OFFSET = 100;

enum ControlValue : uint8_t {
    CONTROL_NO_FLOW = 1,
    CONTROL_XONXOFF_FLOW = 2,
    CONTROL_HARDWARE_FLOW = 3,
    CONTROL_DTR_ON = 8,
    CONTROL_DTR_OFF = 9,
    CONTROL_RTS_ON = 11,
    CONTROL_RTS_OFF = 12,
};

enum PurgeValue : uint8_t {
    PURGE_RECEIVE = 1, // the server's buffer of bytes from the device: our input
    PURGE_TRANSMIT = 2,
    PURGE_BOTH = 3,
};

// Appends IAC SB 44 command value IAC SE.
void appendCommand(Command command, std::span<const uint8_t> value, std::vector<uint8_t>& out);
void appendCommand(Command command, uint8_t value, std::vector<uint8_t>& out);
// The value of SET-BAUDRATE: the rate big-endian.
std::array<uint8_t, 4> baudRateValue(uint32_t baud);
// SET-BAUDRATE; 0 asks for the present rate.
void appendBaudRate(uint32_t baud, std::vector<uint8_t>& out);

struct ServerMessage {
    Command command; // the client code the message answers or notifies
    std::span<const uint8_t> value;
};

// Reads a subnegotiation payload (option byte first). Empty when it is not
// a COM-PORT-OPTION message from a server.
std::optional<ServerMessage> parseServerMessage(std::span<const uint8_t> payload);

// The value of a SET-BAUDRATE answer; empty unless exactly four bytes.
std::optional<uint32_t> baudRateOf(std::span<const uint8_t> value);
// The value of a one-byte answer; empty unless exactly one byte.
std::optional<uint8_t> byteOf(std::span<const uint8_t> value);

// NkComPortConfig values ↔ wire values; empty when there is no counterpart.
std::optional<uint8_t> parityToWire(uint8_t parity);
std::optional<uint8_t> parityFromWire(uint8_t wire);
std::optional<uint8_t> stopBitsToWire(uint8_t stopBits);
std::optional<uint8_t> stopBitsFromWire(uint8_t wire);

} // namespace nkcomport::rfc2217
