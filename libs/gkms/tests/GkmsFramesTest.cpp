// The ГКМС parameter frames and the coefficient tables.
#include "GkmsFrames.h"
#include "ZorLang.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace zorgkms;
using testing::ElementsAre;

namespace {

std::vector<uint8_t> bytesOf(const Frame& frame) {
    return {frame.bytes.begin(), frame.bytes.begin() + static_cast<std::ptrdiff_t>(frame.size)};
}

std::vector<uint8_t> frameOf(uint32_t mode, double a, double b, uint32_t du) {
    Frame frame;
    EXPECT_EQ(buildFrame(mode, GkmsParams{0.0, a, b, du}, frame), ZOR_OK);
    return bytesOf(frame);
}

} // namespace

TEST(GkmsTables, MultiplierAndLimitByDiameterGroup) {
    const struct {
        uint32_t du;
        double multiplier;
        double limit;
    } table[] = {
        {0, 100000, 0.36}, {4, 100000, 0.36}, {5, 10000, 3.6}, {8, 10000, 3.6},
        {9, 1000, 36.0},   {13, 1000, 36.0},  {14, 0, 0},      {0xFFFFFFFF, 0, 0},
    };
    for (const auto& row : table) {
        EXPECT_EQ(multiplier(row.du), row.multiplier) << row.du;
        EXPECT_EQ(limit(row.du), row.limit) << row.du;
    }
}

TEST(GkmsFrame, ModeOneSendsSlopeAndSlopePlusIntercept) {
    EXPECT_THAT(frameOf(1, 0.1, 0.002, 2), ElementsAre(0x27, 0x10, 0x27, 0xD8, 0x36));
    // A negative sum goes in two's complement: 1000 and -1000 at Du 9.
    EXPECT_THAT(frameOf(1, 1.0, -2.0, 9), ElementsAre(0x03, 0xE8, 0xFC, 0x18, 0xFF));
}

TEST(GkmsFrame, ModeTwoDoublesTheSlopeOfSmallDiameters) {
    // Du 3: a = 2A = 0.2 → 20000 (0x4E20), B = 0.002 → 200 (0x00C8).
    EXPECT_THAT(frameOf(2, 0.1, 0.002, 3),
                ElementsAre(0x01, 0x4E, 0x20, 0x00, 0x00, 0xC8, 0x37, 0x0D));
    // Du 4: A = 0.1 → 10000 (0x2710), no flag.
    EXPECT_THAT(frameOf(2, 0.1, 0.002, 4),
                ElementsAre(0x00, 0x27, 0x10, 0x00, 0x00, 0xC8, 0xFF, 0x0D));
}

TEST(GkmsFrame, ModeTwoNegativeInterceptHasItsSignByte) {
    // Du 5: B = -0.5 → -5000 = 0xEC78; A = 1.0 → 10000.
    EXPECT_THAT(frameOf(2, 1.0, -0.5, 5),
                ElementsAre(0x00, 0x27, 0x10, 0x01, 0xEC, 0x78, 0x9C, 0x0D));
    // The limit itself: -36000 is 0x7360 with the sign byte.
    EXPECT_THAT(frameOf(2, 0.1, -0.36, 4),
                ElementsAre(0x00, 0x27, 0x10, 0x01, 0x73, 0x60, 0x0B, 0x0D));
    // An intercept too small to reach the word is 0, and so is its sign.
    EXPECT_THAT(frameOf(2, 1.0, -0.00001, 9),
                ElementsAre(0x00, 0x03, 0xE8, 0x00, 0x00, 0x00, 0xEB, 0x0D));
}

TEST(GkmsFrame, ProductsJustBelowAWholeNumberAreThatNumber) {
    ASSERT_LT(0.29 * 100000, 29000.0);
    EXPECT_THAT(frameOf(1, 0.29, 0.0, 0), ElementsAre(0x71, 0x48, 0x71, 0x48, 0x72));
    // Genuine fractions are still cut: 0.123456 × 100000 = 12345.6 → 12345.
    EXPECT_THAT(frameOf(1, 0.123456, 0.0, 0), ElementsAre(0x30, 0x39, 0x30, 0x39, 0xD2));
    // Toward zero for negatives: -0.000015 × 100000 = -1.5 → -1.
    EXPECT_THAT(frameOf(1, 0.0, -0.000015, 0), ElementsAre(0x00, 0x00, 0xFF, 0xFF, 0xFE));
}

TEST(GkmsFrame, RefusesWhatTheMeterCannotBeSent) {
    const struct {
        uint32_t mode;
        GkmsParams request;
    } cases[] = {
        {0, {0, 0.1, 0.0, 2}},          {3, {0, 0.1, 0.0, 2}},
        {1, {0, 0.1, 0.0, 14}},         {2, {0, 0.1, 0.0, 20}},
        {1, {0, std::nan(""), 0.0, 2}}, {1, {0, 0.1, std::numeric_limits<double>::infinity(), 2}},
        {1, {0, 0.65536, 0.0, 2}},  // 65536 does not fit a word
        {1, {0, 0.1, -0.42769, 2}}, // A+B = -32769
        {2, {0, 0.33, 0.0, 3}},     // 2A = 66000
        {2, {0, 0.1, -0.65537, 2}}, // B = -65537
    };
    for (const auto& c : cases) {
        Frame frame;
        frame.size = 3;
        EXPECT_EQ(buildFrame(c.mode, c.request, frame), ZOR_ERR_BAD_PARAM)
            << "mode " << c.mode << " A " << c.request.A << " B " << c.request.B;
        EXPECT_EQ(frame.size, 3u);
    }
    // The edges that do fit.
    Frame frame;
    EXPECT_EQ(buildFrame(1, {0, 0.65535, -0.98303, 2}, frame), ZOR_OK);
    EXPECT_EQ(buildFrame(2, {0, 0.1, -0.65536, 2}, frame), ZOR_OK);
}
