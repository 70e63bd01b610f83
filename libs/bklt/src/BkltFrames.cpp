#include "BkltFrames.h"

#include "ZorCommon.h"
#include "ZorLang.h"

#include <cstring>

namespace zorbklt {

namespace {

constexpr uint32_t kTripletMask = 0xFFFFFF;
constexpr uint32_t kTripletRange = 0x1000000; // 2^24
constexpr uint32_t kNoChannelTime = 0xFFFFFF;
constexpr double kTicksPerMs = 4.096;

// Measurement state tail: status, time, four channel times, four counts.
constexpr size_t kMeasurementTail = 1 + 3 + 3 * BKLT_CHANNELS + 3 * BKLT_CHANNELS;
// Generator state tail: status, two values, one byte the library does not use.
constexpr size_t kGeneratorStateTail = 1 + 3 + 3 + 1;
// Oscilloscope state tail: status, the capture, one byte the library does not use.
constexpr size_t kOscilloscopeStateTail = 1 + BKLT_OSCILLOSCOPE_BYTES + 1;

uint8_t checksum(const uint8_t* bytes, uint32_t count) {
    return static_cast<uint8_t>(ByteCheckSum(bytes, count));
}

// trunc(value × scale) when it lies in 0 … limit; false for a negative
// value, a value too large for the field, or not a number.
bool toTicks(double value, double scale, uint32_t limit, uint32_t& ticks) {
    const double scaled = value * scale;
    if (!(scaled >= 0.0) || !(scaled < static_cast<double>(limit) + 1.0)) {
        return false;
    }
    ticks = static_cast<uint32_t>(scaled);
    return true;
}

uint32_t negated(uint32_t value, uint32_t mask) {
    return (0u - value) & mask;
}

} // namespace

int32_t checkFirstByte(uint8_t expected, uint8_t got) {
    if (got == expected) {
        return ZOR_OK;
    }
    return got == kRejected ? ZOR_ERR_REJECTED : ZOR_ERR_BAD_ANSWER;
}

int32_t buildStartRequest(uint32_t mode, const BkltState& params, Frame& out) {
    Frame frame;
    frame.bytes[0] = static_cast<uint8_t>(mode);
    switch (mode) {
    case BKLT_CODE_TIME: {
        // The timer counts up from 2^24 - ticks and ends the run at its overflow.
        uint32_t ticks = 0;
        if (!toTicks(params.TimeRun.Duration, BKLT_TICKS_PER_SECOND, kTripletMask, ticks) ||
            ticks == 0) {
            return ZOR_ERR_BAD_PARAM;
        }
        PutTripletRelLSB(frame.bytes.data(), 1, kTripletRange - ticks);
        frame.bytes[4] = checksum(&frame.bytes[1], 3);
        frame.size = 5;
        break;
    }
    case BKLT_CODE_START_STOP_1:
    case BKLT_CODE_START_STOP_2:
        frame.size = 1;
        break;
    case BKLT_CODE_COUNT:
        if (params.CountRun.Criterion == 0 || params.CountRun.Criterion > kTripletMask) {
            return ZOR_ERR_BAD_PARAM;
        }
        PutTripletRelLSB(frame.bytes.data(), 1, params.CountRun.Criterion);
        frame.bytes[4] = static_cast<uint8_t>(params.CountRun.Channel);
        frame.bytes[5] = checksum(&frame.bytes[1], 4);
        frame.size = 6;
        break;
    default:
        return ZOR_ERR_BAD_PARAM;
    }
    out = frame;
    return ZOR_OK;
}

int32_t buildGeneratorRequest(const BkltGenerator& generator, Frame& out) {
    uint32_t d1 = 0, d2 = 0, d3 = 0, d4 = 0;
    if (!toTicks(generator.D1, kTicksPerMs, kTripletMask, d1) ||
        !toTicks(generator.D2, kTicksPerMs, kTripletMask, d2) ||
        !toTicks(generator.D3, kTicksPerMs, 0xFF, d3) ||
        !toTicks(generator.D4, kTicksPerMs, 0xFF, d4) || generator.Pulses1 > kTripletMask ||
        generator.Pulses2 > kTripletMask) {
        return ZOR_ERR_BAD_PARAM;
    }
    // The generator's counters, like the timers, count up to their overflow.
    Frame frame;
    frame.bytes[0] = kGenerator;
    PutTripletRelLSB(frame.bytes.data(), 1, negated(d1, kTripletMask));
    PutTripletRelLSB(frame.bytes.data(), 4, negated(d2, kTripletMask));
    frame.bytes[7] = static_cast<uint8_t>(negated(d3, 0xFF));
    frame.bytes[8] = static_cast<uint8_t>(negated(d4, 0xFF));
    PutTripletRelLSB(frame.bytes.data(), 9, negated(generator.Pulses1, kTripletMask));
    PutTripletRelLSB(frame.bytes.data(), 12, negated(generator.Pulses2, kTripletMask));
    frame.bytes[15] = checksum(&frame.bytes[1], 14);
    frame.size = 16;
    out = frame;
    return ZOR_OK;
}

int32_t buildSetParamRequest(const BkltParams& params, Frame& out) {
    uint32_t p1 = 0, p2 = 0, p3 = 0;
    if (!toTicks(params.P1, kTicksPerMs, kTripletMask, p1) ||
        !toTicks(params.P2, kTicksPerMs, kTripletMask, p2) || !toTicks(params.P3, 2.0, 0xFF, p3)) {
        return ZOR_ERR_BAD_PARAM;
    }
    Frame frame;
    frame.bytes[0] = kWriteParams;
    PutTripletRelLSB(frame.bytes.data(), 1, kTripletMask - p1);
    PutTripletRelLSB(frame.bytes.data(), 4, kTripletMask - p2);
    uint8_t flags = 0;
    for (int i = 0; i < 4; ++i) {
        if (params.Flags[i] != 0) {
            flags |= static_cast<uint8_t>(1u << i);
        }
    }
    frame.bytes[7] = flags;
    frame.bytes[8] = static_cast<uint8_t>(p3);
    frame.bytes[9] = 0;
    frame.bytes[10] = checksum(&frame.bytes[1], 9);
    frame.size = 11;
    out = frame;
    return ZOR_OK;
}

Frame buildGetParamRequest() {
    Frame frame;
    frame.bytes[0] = kReadParams;
    frame.size = 11;
    return frame;
}

Frame buildOscilloscopeRequest(const BkltOscilloscopeMode& mode) {
    uint8_t modeByte = static_cast<uint8_t>(mode.Channel & 0x0F);
    if (mode.FlagLow != 0) {
        modeByte |= 0x40;
    }
    if (mode.FlagHigh != 0) {
        modeByte |= 0x80;
    }
    Frame frame;
    frame.bytes[0] = kOscilloscope;
    frame.bytes[1] = modeByte;
    frame.bytes[2] = modeByte;
    frame.size = 3;
    return frame;
}

size_t stateTailLength(uint8_t code) {
    switch (code) {
    case BKLT_CODE_TIME:
    case BKLT_CODE_START_STOP_1:
    case BKLT_CODE_START_STOP_2:
    case BKLT_CODE_COUNT:
        return kMeasurementTail;
    case BKLT_CODE_GENERATOR:
        return kGeneratorStateTail;
    case BKLT_CODE_OSCILLOSCOPE:
        return kOscilloscopeStateTail;
    default:
        return 0;
    }
}

int32_t decodeStateAnswer(std::span<const uint8_t> answer, BkltState& state) {
    if (answer.empty()) {
        return ZOR_ERR_DATA_SIZE;
    }
    const uint8_t code = answer[0];
    const size_t tail = stateTailLength(code);
    if (tail == 0) {
        return ZOR_ERR_BAD_VALUES;
    }
    if (answer.size() != 1 + tail) {
        return ZOR_ERR_DATA_SIZE;
    }
    const uint8_t* bytes = answer.data();
    BkltState decoded = state;
    decoded.Code = code;
    decoded.Status = bytes[1];
    switch (code) {
    case BKLT_CODE_GENERATOR:
        decoded.Generator.Value1 = GetTripletRelLSB(bytes, 2);
        decoded.Generator.Value2 = GetTripletRelLSB(bytes, 5);
        break;
    case BKLT_CODE_OSCILLOSCOPE:
        std::memcpy(decoded.Oscilloscope, bytes + 2, BKLT_OSCILLOSCOPE_BYTES);
        break;
    default: {
        BkltMeasurement& m = decoded.Measurement;
        m.Time = GetTripletRelLSB(bytes, 2) / static_cast<double>(BKLT_TICKS_PER_SECOND);
        for (int i = 0; i < BKLT_CHANNELS; ++i) {
            const uint32_t time = GetTripletRelLSB(bytes, 5 + 3 * i);
            m.ChannelTime[i] =
                time == kNoChannelTime ? 0.0 : time / static_cast<double>(BKLT_TICKS_PER_SECOND);
            m.ChannelCount[i] = GetTripletRelLSB(bytes, 17 + 3 * i);
        }
        break;
    }
    }
    state = decoded;
    return ZOR_OK;
}

int32_t decodeVersionTail(std::span<const uint8_t, kVersionTail> tail, BkltVersionInfo& out) {
    if (tail[0] != tail[1]) {
        return ZOR_ERR_CHECKSUM;
    }
    out.Version = tail[0] & 0x3F;
    out.Flag = (tail[0] & 0x80) != 0 ? 1 : 0;
    return ZOR_OK;
}

int32_t checkOscilloscopeTail(std::span<const uint8_t, kOscilloscopeTail> tail,
                              const Frame& request) {
    if (tail[1] != request.bytes[2]) {
        return ZOR_ERR_CHECKSUM;
    }
    if (tail[0] != request.bytes[1]) {
        return ZOR_ERR_ECHO_MISMATCH;
    }
    return ZOR_OK;
}

int32_t decodeParamTail(std::span<const uint8_t, kParamsTail> tail, BkltParams& out) {
    const uint8_t* bytes = tail.data();
    if (checksum(bytes, 9) != bytes[9]) {
        return ZOR_ERR_CHECKSUM;
    }
    // Read back, a register counts from 2^24, one tick more than it was
    // written with (from 0xFFFFFF): the controller's own convention.
    out.P1 = (kTripletRange - GetTripletRelLSB(bytes, 0)) / kTicksPerMs;
    out.P2 = (kTripletRange - GetTripletRelLSB(bytes, 3)) / kTicksPerMs;
    for (int i = 0; i < 4; ++i) {
        out.Flags[i] = (bytes[6] >> i) & 1u;
    }
    out.P3 = bytes[7] * 0.5;
    return ZOR_OK;
}

} // namespace zorbklt
