// The server's view of a telnet stream carrying RFC 2217: the client's
// bytes split into data, option verbs and subnegotiations, and the
// builders for what the server sends back.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace lgmsim::telnet {

enum : uint8_t {
    kIac = 0xFF,
    kDont = 0xFE,
    kDo = 0xFD,
    kWont = 0xFC,
    kWill = 0xFB,
    kSb = 0xFA,
    kSe = 0xF0,
};

enum : uint8_t {
    kOptionBinary = 0,
    kOptionSuppressGoAhead = 3,
    kOptionComPort = 44,
};

// RFC 2217 client commands; a server's reply carries the code + 100.
enum : uint8_t {
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kFlowControlSuspend = 8,
    kFlowControlResume = 9,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
    kServerReply = 100,
};

struct Event {
    enum class Kind { Data, Verb, Subnegotiation };
    Kind kind;
    uint8_t verb = 0;           // Verb: WILL, WONT, DO or DONT
    uint8_t option = 0;         // Verb, Subnegotiation
    std::vector<uint8_t> bytes; // Data; Subnegotiation: after the option byte
};

// Splits the client's bytes; a chunk may end anywhere. Runs of data become
// one event. Unknown commands are skipped; a subnegotiation cut short by
// another command, or longer than 256 bytes, is dropped.
class Parser {
public:
    void parse(std::span<const uint8_t> chunk, std::vector<Event>& events);

private:
    enum class Mode { Data, Command, Option, SubOption, SubData, SubCommand };
    Mode mode_ = Mode::Data;
    uint8_t verb_ = 0;
    bool subOverflow_ = false;
    Event sub_{Event::Kind::Subnegotiation, 0, 0, {}};
};

// Appends data with 0xFF doubled.
void escapeInto(std::span<const uint8_t> data, std::vector<uint8_t>& out);
// Appends IAC SB 44 <code> <value, 0xFF doubled> IAC SE.
void comPortMessageInto(uint8_t code, std::span<const uint8_t> value, std::vector<uint8_t>& out);

} // namespace lgmsim::telnet
