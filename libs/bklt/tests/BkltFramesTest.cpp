// The controller's frames, built and decoded over byte buffers.
#include "BkltFrames.h"
#include "ZorLang.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace zorbklt;
using testing::ElementsAre;
using testing::ElementsAreArray;

namespace {

std::vector<uint8_t> bytesOf(const Frame& frame) {
    return {frame.bytes.begin(), frame.bytes.begin() + static_cast<std::ptrdiff_t>(frame.size)};
}

BkltState timeRun(double duration) {
    BkltState state{};
    state.TimeRun.Duration = duration;
    return state;
}

BkltState countRun(uint32_t criterion, uint32_t channel) {
    BkltState state{};
    state.CountRun.Criterion = criterion;
    state.CountRun.Channel = channel;
    return state;
}

// A state record filled with a pattern, to see which bytes a decode touches.
BkltState patterned() {
    BkltState state;
    std::memset(&state, 0xA5, sizeof state);
    return state;
}

bool same(const BkltState& a, const BkltState& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

TEST(BkltStartRequest, TimeModeCountsUpFromTheDurationToTheOverflow) {
    Frame frame;
    ASSERT_EQ(buildStartRequest(0, timeRun(100.0), frame), ZOR_OK);
    EXPECT_THAT(bytesOf(frame), ElementsAre(0x00, 0x00, 0xC0, 0xF9, 0xB9));

    // The longest run the 24-bit timer holds starts it at 1.
    ASSERT_EQ(buildStartRequest(0, timeRun(4096.0 - 1.0 / 4096), frame), ZOR_OK);
    EXPECT_THAT(bytesOf(frame), ElementsAre(0x00, 0x01, 0x00, 0x00, 0x01));
}

TEST(BkltStartRequest, StartStopModesAreTheModeByteAlone) {
    Frame frame;
    ASSERT_EQ(buildStartRequest(1, BkltState{}, frame), ZOR_OK);
    EXPECT_THAT(bytesOf(frame), ElementsAre(0x01));
    ASSERT_EQ(buildStartRequest(2, BkltState{}, frame), ZOR_OK);
    EXPECT_THAT(bytesOf(frame), ElementsAre(0x02));
}

TEST(BkltStartRequest, CountModeCarriesCriterionAndChannel) {
    Frame frame;
    ASSERT_EQ(buildStartRequest(3, countRun(1000, 2), frame), ZOR_OK);
    EXPECT_THAT(bytesOf(frame), ElementsAre(0x03, 0xE8, 0x03, 0x00, 0x02, 0xED));
    ASSERT_EQ(buildStartRequest(3, countRun(0xFFFFFF, 0x103), frame), ZOR_OK);
    EXPECT_THAT(bytesOf(frame), ElementsAre(0x03, 0xFF, 0xFF, 0xFF, 0x03, 0x00));
}

TEST(BkltStartRequest, RefusesWhatTheRequestCannotCarry) {
    const struct {
        uint32_t mode;
        BkltState params;
    } cases[] = {
        {4, timeRun(100.0)},
        {0x0A, timeRun(100.0)},
        {0, timeRun(0.0)},
        {0, timeRun(0.5 / 4096)}, // less than one tick
        {0, timeRun(-1.0)},
        {0, timeRun(4096.0)},
        {0, timeRun(std::numeric_limits<double>::quiet_NaN())},
        {0, timeRun(std::numeric_limits<double>::infinity())},
        {3, countRun(0, 0)},
        {3, countRun(0x1000000, 0)},
    };
    for (const auto& c : cases) {
        Frame frame;
        frame.size = 7;
        EXPECT_EQ(buildStartRequest(c.mode, c.params, frame), ZOR_ERR_BAD_PARAM)
            << "mode " << c.mode << " duration " << c.params.TimeRun.Duration;
        EXPECT_EQ(frame.size, 7u);
    }
}

TEST(BkltGeneratorRequest, SendsNegatedTickCountsAndPulseCounts) {
    BkltGenerator generator{};
    generator.D1 = 1.0;  // 4 ticks
    generator.D2 = 0.0;  // 0 ticks
    generator.D3 = 62.4; // 255 ticks
    generator.D4 = 0.5;  // 2 ticks
    generator.Pulses1 = 1000;
    generator.Pulses2 = 0xFFFFFF;
    Frame frame;
    ASSERT_EQ(buildGeneratorRequest(generator, frame), ZOR_OK);
    const std::vector<uint8_t> body = {0xFC, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x01,
                                       0xFE, 0x18, 0xFC, 0xFF, 0x01, 0x00, 0x00};
    uint32_t sum = 0;
    for (uint8_t b : body) {
        sum += b;
    }
    std::vector<uint8_t> expected = {0x04};
    expected.insert(expected.end(), body.begin(), body.end());
    expected.push_back(static_cast<uint8_t>(sum));
    EXPECT_THAT(bytesOf(frame), ElementsAreArray(expected));
}

TEST(BkltGeneratorRequest, RefusesValuesBeyondTheirFields) {
    const auto with = [](auto change) {
        BkltGenerator generator{};
        change(generator);
        return generator;
    };
    const BkltGenerator cases[] = {
        with([](BkltGenerator& g) { g.D1 = -0.5; }),
        with([](BkltGenerator& g) { g.D2 = 4096000.0; }),
        with([](BkltGenerator& g) { g.D3 = 62.5; }),
        with([](BkltGenerator& g) { g.D4 = std::nan(""); }),
        with([](BkltGenerator& g) { g.Pulses1 = 0x1000000; }),
        with([](BkltGenerator& g) { g.Pulses2 = 0xFFFFFFFF; }),
    };
    for (const auto& generator : cases) {
        Frame frame;
        EXPECT_EQ(buildGeneratorRequest(generator, frame), ZOR_ERR_BAD_PARAM);
        EXPECT_EQ(frame.size, 0u);
    }
}

TEST(BkltParams, WrittenFromFFFFFFReadFromTwoToThe24) {
    BkltParams params{};
    params.P1 = 100.0; // 409 ticks
    params.P2 = 0.0;
    params.Flags[0] = 1;
    params.Flags[2] = 7;
    params.P3 = 2.5;
    Frame frame;
    ASSERT_EQ(buildSetParamRequest(params, frame), ZOR_OK);
    EXPECT_THAT(bytesOf(frame),
                ElementsAre(0x07, 0x66, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0x05, 0x00, 0x6A));

    // The controller hands back the bytes it was given: P1 comes back one
    // tick larger than the 409 ticks written.
    BkltParams read = {};
    read.Code = 77;
    std::array<uint8_t, kParamsTail> tail;
    std::copy(frame.bytes.begin() + 1, frame.bytes.begin() + 11, tail.begin());
    ASSERT_EQ(decodeParamTail(tail, read), ZOR_OK);
    EXPECT_DOUBLE_EQ(read.P1, 410 / 4.096);
    EXPECT_DOUBLE_EQ(read.P1 - 409 / 4.096, 1 / 4.096);
    EXPECT_DOUBLE_EQ(read.P2, 1 / 4.096);
    EXPECT_THAT(read.Flags, ElementsAre(1u, 0u, 1u, 0u));
    EXPECT_DOUBLE_EQ(read.P3, 2.5);
    EXPECT_EQ(read.Code, 77u);
}

TEST(BkltParams, RefusesValuesBeyondTheirFields) {
    const double bad[][3] = {
        {-1.0, 0.0, 0.0},  {4096000.0, 0.0, 0.0}, {0.0, std::nan(""), 0.0},
        {0.0, 0.0, 128.0}, {0.0, 0.0, -0.5},
    };
    for (const auto& values : bad) {
        BkltParams params{};
        params.P1 = values[0];
        params.P2 = values[1];
        params.P3 = values[2];
        Frame frame;
        EXPECT_EQ(buildSetParamRequest(params, frame), ZOR_ERR_BAD_PARAM);
    }
    BkltParams largest{};
    largest.P1 = largest.P2 = 4095999.7;
    largest.P3 = 127.5;
    Frame frame;
    EXPECT_EQ(buildSetParamRequest(largest, frame), ZOR_OK);
}

TEST(BkltParams, WrongChecksumLeavesTheRecordAlone) {
    std::array<uint8_t, kParamsTail> tail = {0x66, 0xFE, 0xFF, 0xFF, 0xFF,
                                             0xFF, 0x05, 0x05, 0x00, 0x00};
    BkltParams params{};
    params.P1 = 3.0;
    EXPECT_EQ(decodeParamTail(tail, params), ZOR_ERR_CHECKSUM);
    EXPECT_EQ(params.P1, 3.0);
    EXPECT_EQ(params.Flags[0], 0u);
}

TEST(BkltParams, ReadRequestIsCommandAndTenZeros) {
    EXPECT_THAT(bytesOf(buildGetParamRequest()), ElementsAre(0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
}

TEST(BkltAnswer, FirstByteRepeatsTheRequestOrRejects) {
    EXPECT_EQ(checkFirstByte(0x00, 0x00), ZOR_OK);
    EXPECT_EQ(checkFirstByte(0x00, 0xFF), ZOR_ERR_REJECTED);
    EXPECT_EQ(checkFirstByte(0x00, 0x01), ZOR_ERR_BAD_ANSWER);
    EXPECT_EQ(checkFirstByte(0x09, 0x89), ZOR_ERR_BAD_ANSWER);
}

TEST(BkltVersion, VersionByteAndItsCopy) {
    BkltVersionInfo info{9, 9};
    EXPECT_EQ(decodeVersionTail(std::array<uint8_t, 2>{0x85, 0x85}, info), ZOR_OK);
    EXPECT_EQ(info.Version, 5u);
    EXPECT_EQ(info.Flag, 1u);
    EXPECT_EQ(decodeVersionTail(std::array<uint8_t, 2>{0x7F, 0x7F}, info), ZOR_OK);
    EXPECT_EQ(info.Version, 0x3Fu);
    EXPECT_EQ(info.Flag, 0u);
    EXPECT_EQ(decodeVersionTail(std::array<uint8_t, 2>{0x85, 0x05}, info), ZOR_ERR_CHECKSUM);
    EXPECT_EQ(info.Version, 0x3Fu);
}

TEST(BkltOscilloscope, ModeByteAndTheChecksOfItsRepeat) {
    const Frame request = buildOscilloscopeRequest({0x13, 0, 1});
    EXPECT_THAT(bytesOf(request), ElementsAre(0x0A, 0x43, 0x43));
    EXPECT_THAT(bytesOf(buildOscilloscopeRequest({2, 5, 0})), ElementsAre(0x0A, 0x82, 0x82));
    EXPECT_EQ(checkOscilloscopeTail(std::array<uint8_t, 2>{0x43, 0x43}, request), ZOR_OK);
    EXPECT_EQ(checkOscilloscopeTail(std::array<uint8_t, 2>{0x43, 0x42}, request), ZOR_ERR_CHECKSUM);
    EXPECT_EQ(checkOscilloscopeTail(std::array<uint8_t, 2>{0x42, 0x43}, request),
              ZOR_ERR_ECHO_MISMATCH);
}

TEST(BkltStateAnswer, MeasurementInSecondsAndPulses) {
    // Code 3, finished; time 0x001800 = 1.5 s; channel times 2 s, none, 0, 1 tick;
    // counts 100000, 0, 0xFFFFFF, 1.
    const std::vector<uint8_t> answer = {
        0x03, 0x80, 0x00, 0x18, 0x00,                         //
        0x00, 0x20, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, //
        0x01, 0x00, 0x00,                                     //
        0xA0, 0x86, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, //
        0x01, 0x00, 0x00,
    };
    ASSERT_EQ(stateTailLength(0x03) + 1, answer.size());
    BkltState state = patterned();
    ASSERT_EQ(decodeStateAnswer(answer, state), ZOR_OK);
    EXPECT_EQ(state.Code, 3u);
    EXPECT_EQ(state.Status, 0x80u);
    EXPECT_DOUBLE_EQ(state.Measurement.Time, 1.5);
    EXPECT_THAT(state.Measurement.ChannelTime, ElementsAre(2.0, 0.0, 0.0, 1.0 / 4096));
    EXPECT_THAT(state.Measurement.ChannelCount, ElementsAre(100000u, 0u, 0xFFFFFFu, 1u));
}

TEST(BkltStateAnswer, GeneratorValuesLeaveTheRestOfTheRecord) {
    std::vector<uint8_t> answer = {0x04, 0xFF, 0x01, 0x02, 0x03, 0xFC, 0xFF, 0xFF, 0x5A};
    BkltState state = patterned();
    const BkltState before = state;
    ASSERT_EQ(decodeStateAnswer(answer, state), ZOR_OK);
    EXPECT_EQ(state.Code, 4u);
    EXPECT_EQ(state.Status, 0xFFu);
    EXPECT_EQ(state.Generator.Value1, 0x030201u);
    EXPECT_EQ(state.Generator.Value2, 0xFFFFFCu);
    EXPECT_EQ(
        std::memcmp(state.Oscilloscope + 8, before.Oscilloscope + 8, BKLT_OSCILLOSCOPE_BYTES - 8),
        0);
}

TEST(BkltStateAnswer, OscilloscopeCaptureIsCopiedAsItCame) {
    std::vector<uint8_t> answer = {0x0A, 0x01};
    for (int i = 0; i < BKLT_OSCILLOSCOPE_BYTES; ++i) {
        answer.push_back(static_cast<uint8_t>(i * 3));
    }
    answer.push_back(0x77);
    BkltState state = patterned();
    ASSERT_EQ(decodeStateAnswer(answer, state), ZOR_OK);
    EXPECT_EQ(state.Code, 10u);
    EXPECT_EQ(state.Status, 1u);
    EXPECT_EQ(std::memcmp(state.Oscilloscope, answer.data() + 2, BKLT_OSCILLOSCOPE_BYTES), 0);
}

TEST(BkltStateAnswer, DamagedAnswersStoreNothing) {
    const std::vector<std::vector<uint8_t>> damaged = {
        {},
        {0x07},                            // a Code the controller does not send
        {0xFF, 0x80},                      // a rejection
        {0x00, 0x80, 0x00},                // cut short
        {0x04, 0, 0, 0, 0, 0, 0, 0},       // one byte short
        {0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0}, // one byte long
    };
    for (const auto& answer : damaged) {
        BkltState state = patterned();
        const BkltState before = state;
        EXPECT_LT(decodeStateAnswer(answer, state), 0) << answer.size() << " bytes";
        EXPECT_TRUE(same(state, before));
    }
    BkltState state = patterned();
    EXPECT_EQ(decodeStateAnswer(std::vector<uint8_t>{0x07}, state), ZOR_ERR_BAD_VALUES);
    EXPECT_EQ(decodeStateAnswer(std::vector<uint8_t>{0x00, 0x80}, state), ZOR_ERR_DATA_SIZE);
}

TEST(BkltStateAnswer, TailLengthsByCode) {
    for (uint8_t code : {0, 1, 2, 3}) {
        EXPECT_EQ(stateTailLength(code), 28u);
    }
    EXPECT_EQ(stateTailLength(4), 8u);
    EXPECT_EQ(stateTailLength(10), 82u);
    for (int code = 0; code < 256; ++code) {
        if (code > 4 && code != 10) {
            EXPECT_EQ(stateTailLength(static_cast<uint8_t>(code)), 0u) << code;
        }
    }
}
