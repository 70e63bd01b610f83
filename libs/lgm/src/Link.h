// The serial line as the meter protocol sees it: a request answered by a
// fixed number of bytes, and further reads. PortLink is the real line
// through NkComPort; ScriptedLink plays back answers held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lgm {

class Link {
public:
    virtual ~Link() = default;
    // Sends sendLength bytes, then reads exactly answerLength bytes. Returns 0
    // or the port's negative error code.
    virtual int32_t Exchange(const uint8_t* send, uint32_t sendLength, uint8_t* answer,
                             uint32_t answerLength, int32_t timeoutMs) = 0;
    // Reads exactly length bytes. Returns 0 or the port's negative error code.
    virtual int32_t Read(uint8_t* buffer, uint32_t length, int32_t timeoutMs) = 0;
};

// An NkComPort port.
class PortLink final : public Link {
public:
    explicit PortLink(int32_t port) : port_(port) {}
    int32_t Exchange(const uint8_t* send, uint32_t sendLength, uint8_t* answer,
                     uint32_t answerLength, int32_t timeoutMs) override;
    int32_t Read(uint8_t* buffer, uint32_t length, int32_t timeoutMs) override;

private:
    int32_t port_;
};

// Answers every read from a fixed byte string, as a device would have sent
// it; a read the string cannot fill fails as a time-out would (-10). Keeps
// what was sent.
class ScriptedLink final : public Link {
public:
    ScriptedLink(const uint8_t* answers, uint32_t length) : answers_(answers, answers + length) {}
    int32_t Exchange(const uint8_t* send, uint32_t sendLength, uint8_t* answer,
                     uint32_t answerLength, int32_t timeoutMs) override;
    int32_t Read(uint8_t* buffer, uint32_t length, int32_t timeoutMs) override;

    const std::vector<uint8_t>& Sent() const { return sent_; }
    // The time-out of every transfer in order.
    const std::vector<int32_t>& Timeouts() const { return timeouts_; }

private:
    std::vector<uint8_t> answers_;
    std::size_t next_ = 0;
    std::vector<uint8_t> sent_;
    std::vector<int32_t> timeouts_;
};

} // namespace lgm
