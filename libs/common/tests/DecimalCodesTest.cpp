#include "ZorCommon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

TEST(Bcd, DWordConversions) {
    EXPECT_EQ(BcdToBinDWord(0x12345678), 12345678u);
    EXPECT_EQ(BcdToBinDWord(0x0000001A), 20u); // a nibble above 9 keeps its weight
    EXPECT_EQ(BcdToBinDWord(0), 0u);
    EXPECT_EQ(BcdToBinDWord(0x99999999), 99999999u);
    EXPECT_EQ(BinToBcdDWord(123456789), 0x23456789u); // the ninth digit is dropped
    EXPECT_EQ(BinToBcdDWord(0), 0u);
    EXPECT_EQ(BinToBcdDWord(99999999), 0x99999999u);
    EXPECT_EQ(BinToBcdDWord(4294967295u), 0x94967295u);
}

TEST(Bcd, QWordConversions) {
    EXPECT_EQ(BcdToBinQWord(0x1234567890123456ull), 1234567890123456ull);
    EXPECT_EQ(BcdToBinQWord(0x9999999999999999ull), 9999999999999999ull);
    EXPECT_EQ(BinToBcdQWord(1234567890123456ull), 0x1234567890123456ull);
    EXPECT_EQ(BinToBcdQWord(12345678901234567890ull), 0x5678901234567890ull);
    EXPECT_EQ(BinToBcdQWord(0), 0ull);
}

TEST(Bcd, RoundTripOfRandomValues) {
    std::mt19937_64 rng(10);
    for (int i = 0; i < 1000; ++i) {
        uint32_t d = static_cast<uint32_t>(rng() % 100000000);
        EXPECT_EQ(BcdToBinDWord(BinToBcdDWord(d)), d);
        uint64_t q = rng() % 10000000000000000ull;
        EXPECT_EQ(BcdToBinQWord(BinToBcdQWord(q)), q);
    }
}

TEST(MixPt, Decode) {
    EXPECT_EQ(DecodeMixPt(0x0C81, 0), 40.0); // m = 400, e = 1
    EXPECT_EQ(DecodeMixPt(0xFFFF, 0), 0.0002047);
    EXPECT_EQ(DecodeMixPt(0x3FF8, 0), 2047.0);
    EXPECT_EQ(DecodeMixPt(0x0000, 0), 0.0);
    EXPECT_EQ(DecodeMixPt(0x0C81 | 0xFFFFC000u, 12345), 40.0); // bits 14 and up ignored
    EXPECT_EQ(DecodeMixPt((1023u << 3) | 7, 0), 0.0001023);
}

TEST(MixPt, EncodeOutOfRangeMarkers) {
    EXPECT_EQ(EncodeMixPt(9000.0, 0), 0xFFFFu);
    EXPECT_EQ(EncodeMixPt(std::numeric_limits<double>::infinity(), 0), 0xFFFFu);
    EXPECT_EQ(EncodeMixPt(std::nan(""), 0), 0xFFFFu);
    EXPECT_EQ(EncodeMixPt(0.0, 0), 0x0400u);
    EXPECT_EQ(EncodeMixPt(-1.0, 0), 0x0400u);
    EXPECT_EQ(EncodeMixPt(0.0001022, 0), 0x0400u);
    // Beyond what 11 bits hold but not yet an overflow: the largest value.
    EXPECT_EQ(EncodeMixPt(8191.0, 0), 0x3FF8u);
    EXPECT_EQ(EncodeMixPt(2047.6, 0), 0x3FF8u);
}

TEST(MixPt, EncodeKeepsTheMostDigits) {
    EXPECT_EQ(EncodeMixPt(40.0, 0), 0x0C81u);
    EXPECT_EQ(EncodeMixPt(2047.0, 0), 0x3FF8u);
    EXPECT_EQ(EncodeMixPt(0.0001023, 0), (1023u << 3) | 7);
    EXPECT_EQ(EncodeMixPt(1.5, 0), (1500u << 3) | 3);
}

TEST(MixPt, EncodedValueDecodesWithinHalfAStep) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> exponent(std::log10(0.0001023), std::log10(2047.0));
    for (int i = 0; i < 10000; ++i) {
        double value = std::pow(10.0, exponent(rng));
        uint32_t code = EncodeMixPt(value, 0);
        ASSERT_LE(code, 0x3FFFu);
        double step = std::pow(10.0, -static_cast<int>(code & 7));
        EXPECT_LE(std::abs(DecodeMixPt(code, 0) - value), step / 2 * (1 + 1e-9)) << value;
        // A finer exponent would have overflowed the mantissa.
        if ((code & 7) < 7) {
            EXPECT_GT(std::round(value / step * 10), 2047.0) << value;
        }
    }
}

} // namespace
