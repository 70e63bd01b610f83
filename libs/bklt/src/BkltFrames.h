// Frames of the rig controller's protocol: building requests and checking and
// decoding answers, over byte buffers only. The exports in ZorComBklt.cpp
// move the bytes; everything here is pure and tested directly.
#pragma once

#include "ZorComBklt.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zorbklt {

// Request bytes (the first byte of every request).
enum Command : uint8_t {
    kGenerator = 0x04,
    kLasersOn = 0x05,
    kWriteParams = 0x07,
    kReadParams = 0x08,
    kReadVersion = 0x09,
    kOscilloscope = 0x0A,
    kCheckState = 0xFD,
    kCheckStateAndReset = 0xFE,
};

// The answer's first byte when the controller refuses a request.
inline constexpr uint8_t kRejected = 0xFF;

// Answer lengths after the first byte.
inline constexpr size_t kVersionTail = 2;
inline constexpr size_t kOscilloscopeTail = 2;
inline constexpr size_t kGeneratorTail = 15;
inline constexpr size_t kParamsTail = 10;

// A request; the longest is the generator's 16 bytes.
struct Frame {
    std::array<uint8_t, 16> bytes{};
    size_t size = 0;

    std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

// 0 when the answer's first byte is the expected one, else -22 for a
// rejection (0xFF) and -29 for anything else.
int32_t checkFirstByte(uint8_t expected, uint8_t got);

// The start request of mode 0 … 3 with its run parameters; -19 for a mode
// above 3 or parameters the request cannot carry (see ZorComBkltRun).
int32_t buildStartRequest(uint32_t mode, const BkltState& params, Frame& out);

// The generator request; -19 for a value that does not fit its field.
int32_t buildGeneratorRequest(const BkltGenerator& generator, Frame& out);

// The parameter write request; -19 for a value that does not fit its field.
int32_t buildSetParamRequest(const BkltParams& params, Frame& out);

// The parameter read request: 0x08 and ten zero bytes.
Frame buildGetParamRequest();

// The oscilloscope request: 0x0A, the mode byte and its copy.
Frame buildOscilloscopeRequest(const BkltOscilloscopeMode& mode);

// Bytes that follow the Code byte of a state answer, or 0 for a Code the
// controller does not send.
size_t stateTailLength(uint8_t code);

// Decodes a whole state answer (the Code byte and its tail) into state.
// On success Code and Status and the variant of the Code are stored and the
// rest of state is left alone; on failure state is not touched.
// Returns 0; -25 an unknown Code; -43 the length does not match the Code.
int32_t decodeStateAnswer(std::span<const uint8_t> answer, BkltState& state);

// Checks the tail of the version answer (the version byte and its copy) and
// decodes it. Returns 0 or -21.
int32_t decodeVersionTail(std::span<const uint8_t, kVersionTail> tail, BkltVersionInfo& out);

// Checks the tail of the oscilloscope answer against the request.
// Returns 0; -21 the copy byte differs; -24 the mode byte differs.
int32_t checkOscilloscopeTail(std::span<const uint8_t, kOscilloscopeTail> tail,
                              const Frame& request);

// Checks the tail of the parameter read answer (bytes 1 … 9 and their
// checksum) and decodes it into P1, P2, Flags and P3. Returns 0 or -21.
int32_t decodeParamTail(std::span<const uint8_t, kParamsTail> tail, BkltParams& out);

} // namespace zorbklt
