// Telnet framing as RFC 2217 uses it: escaping, a streaming decoder and
// option negotiation. Pure functions over byte buffers; no I/O.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace nkcomport::telnet {

inline constexpr uint8_t IAC = 255;
inline constexpr uint8_t DONT = 254;
inline constexpr uint8_t DO = 253;
inline constexpr uint8_t WONT = 252;
inline constexpr uint8_t WILL = 251;
inline constexpr uint8_t SB = 250;
inline constexpr uint8_t SE = 240;

inline constexpr uint8_t OPTION_BINARY = 0;
inline constexpr uint8_t OPTION_ECHO = 1;
inline constexpr uint8_t OPTION_SGA = 3;
inline constexpr uint8_t OPTION_COM_PORT = 44;

// Appends bytes with every 0xFF doubled.
void appendEscaped(std::span<const uint8_t> bytes, std::vector<uint8_t>& out);

// Appends IAC verb option.
void appendOption(uint8_t verb, uint8_t option, std::vector<uint8_t>& out);

// Appends IAC SB <payload, 0xFF doubled> IAC SE; payload starts with the option.
void appendSubnegotiation(std::span<const uint8_t> payload, std::vector<uint8_t>& out);

// Receives what the decoder finds, in stream order.
class Sink {
public:
    virtual void data(std::span<const uint8_t> bytes) = 0;
    virtual void option(uint8_t verb, uint8_t option) = 0;
    // The bytes between IAC SB and IAC SE with doubled 0xFF undone; the
    // first byte is the option (the span may be empty).
    virtual void subnegotiation(std::span<const uint8_t> payload) = 0;

protected:
    ~Sink() = default;
};

// Splits a received byte stream into data, option commands and
// subnegotiations. State is kept between chunks, so a chunk may end
// anywhere, even between an 0xFF and the byte that completes it.
//
// Damaged input is survived without losing the stream: other telnet
// commands (NOP, GA, …) and a stray IAC SE are dropped; an IAC command
// inside a subnegotiation ends it unfinished (it is dropped) and is then
// taken as the command it is; a subnegotiation longer than
// kMaxSubnegotiation is dropped when its IAC SE comes.
class Decoder {
public:
    static constexpr size_t kMaxSubnegotiation = 64;

    void feed(std::span<const uint8_t> chunk, Sink& sink);

private:
    enum class State { Data, Iac, Verb, Sub, SubIac };
    void command(uint8_t byte);

    State state_ = State::Data;
    uint8_t verb_ = 0;
    bool subTooLong_ = false;
    std::vector<uint8_t> sub_;
};

// One side of option negotiation (RFC 1143 without the queue bits): which
// options are enabled on our side (we WILL) and on the peer's (it WILL),
// answers every request once and never answers an acknowledgement, so two
// peers cannot loop.
class Negotiator {
public:
    enum class State : uint8_t { No, Yes, WantYes };

    // supported: options we agree to on either side; all others are refused.
    explicit Negotiator(std::span<const uint8_t> supported);

    // Asks to enable option on our side (WILL) or the peer's (DO).
    void requestLocal(uint8_t option, std::vector<uint8_t>& out);
    void requestRemote(uint8_t option, std::vector<uint8_t>& out);

    // Handles a received WILL, WONT, DO or DONT; appends any answer to out.
    void receive(uint8_t verb, uint8_t option, std::vector<uint8_t>& out);

    State local(uint8_t option) const { return local_[option]; }
    State remote(uint8_t option) const { return remote_[option]; }

private:
    std::array<bool, 256> supported_{};
    std::array<State, 256> local_{};
    std::array<State, 256> remote_{};
};

} // namespace nkcomport::telnet
