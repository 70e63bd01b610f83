#include "Frames.h"
#include "Timeouts.h"
#include "ZorProtocolSupport.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Frame(uint8_t command, const Bytes& data, uint32_t length) {
    Bytes frame(length + 3, 0xEE);
    const uint32_t n = lgm::BuildWriteFrame(
        command, data.data(), static_cast<uint32_t>(data.size()), length, frame.data());
    EXPECT_EQ(n, length + 3);
    return frame;
}

TEST(Frames, BlockCommandsOfEachVersion) {
    EXPECT_EQ(lgm::ParamsCommands(0)->Read, 0x01);
    EXPECT_EQ(lgm::ParamsCommands(1)->Length, 35u);
    EXPECT_EQ(lgm::ParamsCommands(2)->Read, 0x10);
    EXPECT_EQ(lgm::ParamsCommands(2)->Length, 44u);
    EXPECT_EQ(lgm::ParamsCommands(2)->WriteCommand(0x80), 0x12);
    EXPECT_EQ(lgm::ParamsCommands(1)->WriteCommand(0x7F), 0x02);
    EXPECT_EQ(lgm::ParamsCommands(3), nullptr);
    EXPECT_EQ(lgm::TableCommands(0), nullptr);
    EXPECT_EQ(lgm::TableCommands(1)->Length, 84u);
    EXPECT_EQ(lgm::TableCommands(1)->WriteCommand(0x80), 0x07);
    EXPECT_EQ(lgm::TableCommands(2)->Length, 31u);
    EXPECT_EQ(lgm::TableCommands(2)->WriteCommand(0x80), 0x15);
    EXPECT_EQ(lgm::TableCommands(3), nullptr);
}

TEST(Frames, WriteFramePadsOrCutsTheDataAndAppendsTheSum) {
    // 0x90 + 0x80 + 0x01 = 0x111
    EXPECT_EQ(Frame(0x02, {0x90, 0x80, 0x01}, 4),
              (Bytes{0x02, 0x90, 0x80, 0x01, 0x00, 0x01, 0x11}));
    EXPECT_EQ(Frame(0x02, {0x90, 0x80, 0x01}, 2), (Bytes{0x02, 0x90, 0x80, 0x01, 0x10}));
    // The command byte is not summed.
    EXPECT_EQ(Frame(0x06, {}, 1), (Bytes{0x06, 0x00, 0x00, 0x00}));
}

TEST(Frames, PrivilegedWritesOfVersionTwoLowerTheLowChecksumByte) {
    // Sum 0x0130: the high byte stays, 0x30 - 0x5B wraps to 0xD5.
    EXPECT_EQ(Frame(0x12, {0x98, 0x98}, 2), (Bytes{0x12, 0x98, 0x98, 0x01, 0xD5}));
    EXPECT_EQ(Frame(0x15, {0x98, 0x98}, 2), (Bytes{0x15, 0x98, 0x98, 0x01, 0xD5}));
    // The older privileged writes carry the true sum.
    EXPECT_EQ(Frame(0x06, {0x98, 0x98}, 2), (Bytes{0x06, 0x98, 0x98, 0x01, 0x30}));
    EXPECT_EQ(Frame(0x07, {0x98, 0x98}, 2), (Bytes{0x07, 0x98, 0x98, 0x01, 0x30}));
}

TEST(Frames, BlockChecksum) {
    const Bytes good{0xFF, 0xFF, 0xFF, 0x02, 0xFD};
    EXPECT_TRUE(lgm::BlockChecksumValid(good.data(), 3));
    for (size_t i = 0; i < good.size(); ++i) {
        Bytes bad = good;
        bad[i] ^= 0x01;
        EXPECT_FALSE(lgm::BlockChecksumValid(bad.data(), 3)) << i;
    }
    // The sum keeps its low 16 bits: 258 bytes of 0xFF add up to 0x100FE.
    Bytes answer(258, 0xFF);
    answer.push_back(0x00);
    answer.push_back(0xFE);
    EXPECT_TRUE(lgm::BlockChecksumValid(answer.data(), 258));
}

TEST(Frames, EchoMustRepeatStatusDataAndTrueChecksum) {
    const Bytes frame = Frame(0x11, {1, 2, 3}, 3);
    const Bytes repeat(frame.begin() + 1, frame.end());
    EXPECT_TRUE(lgm::EchoMatches(frame.data(), 6, 0x11, repeat.data()));
    EXPECT_FALSE(lgm::EchoMatches(frame.data(), 6, 0x10, repeat.data()));
    for (size_t i = 0; i < repeat.size(); ++i) {
        Bytes bad = repeat;
        bad[i] ^= 0x80;
        EXPECT_FALSE(lgm::EchoMatches(frame.data(), 6, 0x11, bad.data())) << i;
    }
}

TEST(Frames, PrivilegedEchoCarriesTheTrueChecksum) {
    const Bytes frame = Frame(0x12, {1, 2, 3}, 3); // sum 6: sent 00 AB
    ASSERT_EQ(frame[5], 0xAB);
    const Bytes trueSum{1, 2, 3, 0x00, 0x06};
    const Bytes reducedSum{1, 2, 3, 0x00, 0xAB};
    EXPECT_TRUE(lgm::EchoMatches(frame.data(), 6, 0x12, trueSum.data()));
    EXPECT_FALSE(lgm::EchoMatches(frame.data(), 6, 0x12, reducedSum.data()));
}

TEST(Frames, ShortAnswerAndAdaptorWord) {
    const Bytes good{0x37, 0x00, 0x37};
    EXPECT_TRUE(lgm::ShortAnswerValid(good.data()));
    EXPECT_FALSE(lgm::ShortAnswerValid(Bytes{0x37, 0x01, 0x37}.data()));
    EXPECT_FALSE(lgm::ShortAnswerValid(Bytes{0x37, 0x00, 0x36}.data()));
    EXPECT_EQ(lgm::AdaptorWord(Bytes{0x81, 0x07}.data()), 0x810007u);
}

TEST(Frames, ThermoCompensationByte) {
    struct Case {
        double value;
        bool fits;
        uint8_t byte;
    };
    const Case cases[] = {{2.0, true, 11},         {3.7, true, 14},    {-3.5, true, 0},
                          {-3.9, true, 0},         {124.0, true, 255}, {124.49, true, 255},
                          {124.5, false, 0},       {-4.0, false, 0},   {1e300, false, 0},
                          {std::nan(""), false, 0}};
    for (const auto& c : cases) {
        uint8_t byte = 0;
        EXPECT_EQ(lgm::ThermoCompensationByte(c.value, &byte), c.fits) << c.value;
        if (c.fits) {
            EXPECT_EQ(byte, c.byte) << c.value;
        }
    }
}

TEST(Timeouts, ScaleShortensAllThreeAndBadTextsKeepThem) {
    const lgm::Timeouts full = lgm::ScaledTimeouts(zorproto::parseTimeScale(nullptr));
    EXPECT_EQ(full.Meter, 6000);
    EXPECT_EQ(full.Adaptor, 3000);
    EXPECT_EQ(full.Flash, 6000);
    const lgm::Timeouts tenth = lgm::ScaledTimeouts(zorproto::parseTimeScale("0.1"));
    EXPECT_EQ(tenth.Meter, 600);
    EXPECT_EQ(tenth.Adaptor, 300);
    EXPECT_EQ(tenth.Flash, 600);
    for (const char* bad : {"", "0", "1.5", "-0.5", "0.5x", "x"})
        EXPECT_EQ(lgm::ScaledTimeouts(zorproto::parseTimeScale(bad)).Meter, 6000) << bad;
}

} // namespace
