// The parameter block: hand-built blocks decoded, records encoded, the
// Part's edge cases, and a round trip of random valid records.
#include "ZorComLgm.h"
#include "ZorLang.h"

#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using Block = std::vector<uint8_t>;

void PutWord(Block& b, size_t at, unsigned value) {
    b[at] = static_cast<uint8_t>(value >> 8);
    b[at + 1] = static_cast<uint8_t>(value);
}

unsigned Word(const Block& b, size_t at) {
    return (b[at] << 8) | b[at + 1];
}

// A record whose every field holds a recognisable value, to see what a call
// leaves alone.
MeterParams Marked() {
    MeterParams p;
    std::memset(&p, 0, sizeof p);
    for (int i = 0; i < ZORCOMLGM_MAX_LINES; ++i)
        p.A[i] = p.B[i] = p.M[i] = p.N[i] = p.Fmax[i] = p.Hysteresis[i] = 123.0;
    p.Size = 1;
    p.Flags = 0xF0;
    p.DivisionFactor = 9;
    p.PulseDuration = 9;
    p.LineCount = 9;
    p.WeightCode = 9;
    p.Version = 9;
    p.DuIndex = 9;
    return p;
}

bool SameBytes(const MeterParams& a, const MeterParams& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Version 1, DuIndex 5 (Kd = 6.5536e8), two lines, range bit, 20 ticks.
Block TwoLineBlock() {
    Block b(35, 0);
    b[0] = 200;
    PutWord(b, 1, 4096);   // Sa[0]
    PutWord(b, 3, 60000);  // Sa[1]
    PutWord(b, 9, 5096);   // Sb[0]
    PutWord(b, 11, 50000); // Sb[1]: below Sa, a negative intercept
    b[17] = 3 * 8 + 2;     // N 3, M 2
    b[18] = 31 * 8 + 7;    // N 31, M 7
    PutWord(b, 21, 3000);  // T[0]
    PutWord(b, 27, 3100);  // U[0]
    b[33] = 0x40 | 0x08 | 3;
    b[34] = 20;
    return b;
}

TEST(ExtractParameters, HandBuiltBlock) {
    MeterParams p = Marked();
    ASSERT_EQ(ZorComLgmExtractParameters(1, TwoLineBlock().data(), &p), ZOR_OK);
    EXPECT_EQ(p.Size, sizeof(MeterParams));
    EXPECT_EQ(p.Flags, 1u);
    EXPECT_EQ(p.Version, 1u);
    EXPECT_EQ(p.DivisionFactor, 200.0);
    EXPECT_EQ(p.WeightCode, 3u);
    EXPECT_EQ(p.DuIndex, 5u);
    EXPECT_DOUBLE_EQ(p.PulseDuration, 20 * 0.0305 * 256);
    ASSERT_EQ(p.LineCount, 2u);
    EXPECT_EQ(p.M[0], 2.0);
    EXPECT_EQ(p.N[0], 3.0);
    EXPECT_DOUBLE_EQ(p.A[0], 0.1125);
    EXPECT_DOUBLE_EQ(p.B[0], 0.0823974609375);
    EXPECT_DOUBLE_EQ(p.Fmax[0], 10.74360655737705);
    EXPECT_DOUBLE_EQ(p.Hysteresis[0], 3.279569892473122);
    EXPECT_DOUBLE_EQ(p.A[1], 0.47084263392857145);
    EXPECT_DOUBLE_EQ(p.B[1], -8.514404296875);
    // The last line lies past the boundaries of a block with free slots.
    EXPECT_EQ(p.Fmax[1], 65536.0);
    EXPECT_EQ(p.Hysteresis[1], 0.0);
    EXPECT_EQ(p.A[2], 123.0) << "lines past LineCount stay";
}

TEST(ExtractParameters, VersionTwoPolarityAndDivisionFactor) {
    Block b(44, 0);
    b[0] = 0x85;
    b[42] = 0x27; // DuIndex 3, weight 7
    b[43] = 16;
    MeterParams p = Marked();
    ASSERT_EQ(ZorComLgmExtractParameters(2, b.data(), &p), ZOR_OK);
    EXPECT_EQ(p.DivisionFactor, 5.0);
    EXPECT_EQ(p.Flags, 2u);
    EXPECT_EQ(p.DuIndex, 3u);
    EXPECT_EQ(p.WeightCode, 7u);
    EXPECT_DOUBLE_EQ(p.PulseDuration, 16 * 0.0305);
    EXPECT_EQ(p.LineCount, 0u);
}

TEST(ExtractParameters, NoLinesLeavesTheArrays) {
    Block b = TwoLineBlock();
    b[17] = 0;
    MeterParams p = Marked();
    ASSERT_EQ(ZorComLgmExtractParameters(1, b.data(), &p), ZOR_OK);
    EXPECT_EQ(p.LineCount, 0u);
    for (int i = 0; i < ZORCOMLGM_MAX_LINES; ++i)
        EXPECT_EQ(p.A[i], 123.0);
}

TEST(ExtractParameters, ZeroScalesOrNoDiameterRefuseTheWholeBlock) {
    struct Case {
        size_t at;
        uint8_t value;
    };
    // M 0; N 0; diameter code 13 and 14 (DuIndex 14 and 15: no coefficient).
    const Case cases[] = {{18, 0x08}, {18, 0x07}, {17, 0x01}, {33, 0xD3}, {33, 0xE3}};
    for (const auto& c : cases) {
        Block b = TwoLineBlock();
        b[c.at] = c.value;
        const MeterParams before = Marked();
        MeterParams p = before;
        EXPECT_EQ(ZorComLgmExtractParameters(1, b.data(), &p), ZOR_ERR_BAD_VALUES) << c.at;
        EXPECT_TRUE(SameBytes(p, before)) << c.at;
    }
    // Without lines a diameter code beyond the table is only a number.
    Block b(35, 0);
    b[33] = 0xD0;
    MeterParams p = Marked();
    EXPECT_EQ(ZorComLgmExtractParameters(0, b.data(), &p), ZOR_OK);
    EXPECT_EQ(p.DuIndex, 14u);
}

TEST(ExtractParameters, FullBlocksReadEverySlotWithinTheBlock) {
    for (uint32_t version : {0u, 1u, 2u}) {
        const size_t length = version == 2 ? 44 : 35;
        const size_t lines = version == 2 ? 21 : 17;
        const size_t slots = version == 2 ? 5 : 4;
        Block b(length, 0xFF);
        b[length - 2] = 0x40; // DuIndex 5
        for (size_t i = 0; i < slots; ++i)
            b[lines + i] = 0x09;
        MeterParams p = Marked();
        ASSERT_EQ(ZorComLgmExtractParameters(version, b.data(), &p), ZOR_OK) << version;
        EXPECT_EQ(p.LineCount, slots);
        for (size_t i = 0; i < slots; ++i)
            EXPECT_TRUE(std::isfinite(p.Fmax[i]) && std::isfinite(p.Hysteresis[i]));
    }
}

TEST(ExtractParameters, BadArguments) {
    MeterParams p = Marked();
    const Block b(44, 0);
    EXPECT_EQ(ZorComLgmExtractParameters(3, b.data(), &p), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmExtractParameters(0, nullptr, &p), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmExtractParameters(0, b.data(), nullptr), ZOR_ERR_BAD_PARAM);
    EXPECT_TRUE(SameBytes(p, Marked()));
}

// A record the scale search accepts: one gentle line per diameter group.
MeterParams Record(uint32_t version, uint32_t du, uint32_t lines) {
    MeterParams p;
    std::memset(&p, 0, sizeof p);
    p.Version = version;
    p.DuIndex = du;
    p.LineCount = lines;
    p.PulseDuration = 0.5;
    p.DivisionFactor = 10;
    const double mul = ZorComLgmApproxMutiplier(version, du);
    for (uint32_t i = 0; i < ZORCOMLGM_MAX_LINES; ++i) {
        p.A[i] = 1000.0 / mul;
        p.B[i] = 0;
        p.Fmax[i] = 10.0 * (i + 1);
        p.Hysteresis[i] = 0.01;
    }
    return p;
}

struct DurationCase {
    double ms;
    int32_t result;
    uint8_t byte;
    bool range;
};

TEST(PackParameters, PulseDuration) {
    const DurationCase cases[] = {
        {0.5, ZOR_OK, 16, false},
        {10, ZOR_OK, 1, true},
        {0.03, ZOR_OK, 1, false},
        {7.79, ZOR_OK, 255, false},
        {7.81, ZOR_OK, 1, true},
        {1998, ZOR_OK, 255, true},
        {0.02, ZOR_ERR_BAD_PARAM, 0, false},
        {1998.1, ZOR_ERR_BAD_PARAM, 0, false},
        {std::nan(""), ZOR_ERR_BAD_PARAM, 0, false},
    };
    for (const auto& c : cases) {
        MeterParams p = Record(1, 2, 1);
        p.PulseDuration = c.ms;
        Block b(35, 0xEE);
        ASSERT_EQ(ZorComLgmPackParameters(1, &p, b.data()), c.result) << c.ms;
        if (c.result != ZOR_OK)
            continue;
        EXPECT_EQ(b[34], c.byte) << c.ms;
        EXPECT_EQ((b[33] & 0x08) != 0, c.range) << c.ms;
    }
}

TEST(PackParameters, DiameterZeroWrapsAndComesBack) {
    MeterParams p = Record(0, 0, 1);
    p.WeightCode = 5;
    Block b(35);
    ASSERT_EQ(ZorComLgmPackParameters(0, &p, b.data()), ZOR_OK);
    EXPECT_EQ(b[33], 0xF5);
    MeterParams back = Marked();
    ASSERT_EQ(ZorComLgmExtractParameters(0, b.data(), &back), ZOR_OK);
    EXPECT_EQ(back.DuIndex, 0u);
    EXPECT_EQ(back.WeightCode, 5u);
}

TEST(PackParameters, LineCountAgainstTheSlots) {
    struct Case {
        uint32_t version, lines, written;
    };
    const Case cases[] = {{2, 6, 5}, {2, 5, 5}, {2, 2, 2}, {1, 7, 4}, {0, 1, 1}, {1, 0, 0}};
    for (const auto& c : cases) {
        const size_t length = c.version == 2 ? 44 : 35;
        const size_t slots = c.version == 2 ? 5 : 4;
        const size_t lineAt = c.version == 2 ? 21 : 17;
        const size_t upperAt = c.version == 2 ? 26 : 21;
        const size_t lowerAt = c.version == 2 ? 34 : 27;
        MeterParams p = Record(c.version, 6, c.lines);
        Block b(length, 0xEE);
        ASSERT_EQ(ZorComLgmPackParameters(c.version, &p, b.data()), ZOR_OK) << c.lines;
        for (size_t i = 0; i < slots; ++i)
            EXPECT_EQ(b[lineAt + i] != 0, i < c.written) << c.version << "/" << c.lines << "/" << i;
        // Boundaries lie between lines: one fewer than the lines written.
        for (size_t i = 0; i + 1 < slots; ++i) {
            const bool boundary = i + 1 < c.written;
            EXPECT_EQ(Word(b, upperAt + 2 * i) != 0, boundary) << c.lines << "/" << i;
            EXPECT_EQ(Word(b, lowerAt + 2 * i) != 0, boundary) << c.lines << "/" << i;
        }
        MeterParams back = Marked();
        ASSERT_EQ(ZorComLgmExtractParameters(c.version, b.data(), &back), ZOR_OK);
        EXPECT_EQ(back.LineCount, c.written);
    }
}

TEST(PackParameters, DivisionFactorAndPolarity) {
    MeterParams p = Record(2, 3, 1);
    p.DivisionFactor = 200.7;
    p.Flags = 2;
    Block b(44);
    ASSERT_EQ(ZorComLgmPackParameters(2, &p, b.data()), ZOR_OK);
    EXPECT_EQ(b[0], 0x80 | (200 & 0x7F));
    p = Record(1, 3, 1);
    p.DivisionFactor = 200.7;
    p.Flags = 2; // no polarity bit before version 2
    ASSERT_EQ(ZorComLgmPackParameters(1, &p, b.data()), ZOR_OK);
    EXPECT_EQ(b[0], 200);
}

TEST(PackParameters, ASlopeWordRoundedUpToTheLimitSaturates) {
    // DuIndex 5: s = 6.5536e8 / 36000. A*mul = 35999.9 passes the slope test
    // with M = 1, and A*s = 65535.8 rounds to 65536.
    MeterParams p = Record(1, 5, 1);
    p.A[0] = 3.59999;
    Block b(35);
    ASSERT_EQ(ZorComLgmPackParameters(1, &p, b.data()), ZOR_OK);
    ASSERT_EQ(p.M[0], 1.0);
    EXPECT_EQ(Word(b, 1), 0xFFFFu);
    EXPECT_EQ(Word(b, 9), 0xFFFFu);
    MeterParams back = Marked();
    ASSERT_EQ(ZorComLgmExtractParameters(1, b.data(), &back), ZOR_OK);
    EXPECT_NEAR(back.A[0], 3.59999, 0.0001);
}

TEST(PackParameters, NoScalesZeroesTheBlockAndFails) {
    MeterParams p = Record(1, 3, 2);
    p.A[1] = 1.0; // M * A * mul reaches 36000 for every M
    Block b(35, 0xEE);
    EXPECT_EQ(ZorComLgmPackParameters(1, &p, b.data()), -1);
    EXPECT_EQ(b, Block(35, 0));
}

TEST(PackParameters, BadArguments) {
    MeterParams p = Record(1, 3, 1);
    Block b(44);
    EXPECT_EQ(ZorComLgmPackParameters(3, &p, b.data()), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmPackParameters(1, nullptr, b.data()), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmPackParameters(1, &p, nullptr), ZOR_ERR_BAD_PARAM);
}

// Random records whose lines the scale search accepts, packed and read back.
//
// The words are rounded: Sa = trunc(A*s*M + 0.5) with s = Kd/36000 is within
// 0.5 of A*s*M, so A comes back within 0.5/(s*M). Sb - Sa = trunc(x + 0.5)
// with x = B*2s/N is within 0.5 of a positive x, but truncation toward zero
// takes a negative x + 0.5 up to the next integer (x = -1.4 gives 0), so it is
// within 1.5 of x; B = (Sb - Sa)*18000*N/Kd comes back within
// 1.5*18000*N/Kd. Each boundary word is within 0.5
// of its exact value Te = 65536/(Fmax*(2+H)), Ue = 65536/(Fmax*(2-H)), and
// the read-back Fmax' = 65536/(T+U) and Hysteresis' = 50*(U/T - T/U) (per
// cent) are monotonic in T and U, so they lie between the values at the ends
// of those ranges. (With exact words the read-back hysteresis is
// 100*H*4/(4-H^2) and Fmax' = Fmax*(4-H^2)/4: the per cent and the small
// shift are the formulas', not rounding.)
TEST(ParameterRoundTrip, RandomValidRecordsComeBackWithinTheirWords) {
    std::mt19937 random(20240611);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int accepted = 0;
    for (int attempt = 0; attempt < 20000 && accepted < 1000; ++attempt) {
        const uint32_t version = random() % 3;
        const uint32_t slots = version == 2 ? 5 : 4;
        const uint32_t du = random() % 14;
        const double mul = ZorComLgmApproxMutiplier(version, du);
        const double kd = ZorComLgmApproxCoefficient(version, du);
        MeterParams p;
        std::memset(&p, 0, sizeof p);
        p.Version = version;
        p.DuIndex = du;
        p.LineCount = 1 + random() % slots;
        p.WeightCode = random() % 8;
        p.DivisionFactor = random() % (version == 2 ? 128 : 256);
        p.PulseDuration = 0.05 + unit(random) * 7;
        double fmax = 5 + unit(random) * 40;
        for (uint32_t i = 0; i < p.LineCount; ++i) {
            p.A[i] = unit(random) * 36000 / mul;
            p.B[i] = (unit(random) * 2 - 1) * 18000 / mul * 4;
            p.Fmax[i] = fmax;
            p.Hysteresis[i] = unit(random) * 0.05;
            fmax *= 1.2 + unit(random) * 2;
        }
        uint32_t failed = 0;
        if (ZorComLgmCalculateCoeff(version, &p, &failed) != 0)
            continue;
        ++accepted;

        MeterParams packed = p;
        Block b(44);
        ASSERT_EQ(ZorComLgmPackParameters(version, &packed, b.data()), ZOR_OK);
        MeterParams back;
        std::memset(&back, 0, sizeof back);
        ASSERT_EQ(ZorComLgmExtractParameters(version, b.data(), &back), ZOR_OK);
        ASSERT_EQ(back.LineCount, p.LineCount);
        EXPECT_EQ(back.DuIndex, du);
        EXPECT_EQ(back.WeightCode, p.WeightCode);
        EXPECT_EQ(back.DivisionFactor, p.DivisionFactor);
        const double s = kd / 36000;
        for (uint32_t i = 0; i < p.LineCount; ++i) {
            SCOPED_TRACE(testing::Message() << "version " << version << " du " << du << " line "
                                            << i << " of " << p.LineCount);
            EXPECT_EQ(back.M[i], p.M[i]);
            EXPECT_EQ(back.N[i], p.N[i]);
            EXPECT_LE(std::fabs(back.A[i] - p.A[i]), 0.5 / (s * p.M[i]) * (1 + 1e-9));
            EXPECT_LT(std::fabs(back.B[i] - p.B[i]), 1.5 * 18000 * p.N[i] / kd * (1 + 1e-9));
            if (i + 1 == p.LineCount)
                continue;
            const double h = p.Hysteresis[i];
            const double te = 65536 / (p.Fmax[i] * (2 + h));
            const double ue = 65536 / (p.Fmax[i] * (2 - h));
            EXPECT_GE(back.Fmax[i], 65536 / (te + ue + 1) * (1 - 1e-12));
            EXPECT_LE(back.Fmax[i], 65536 / (te + ue - 1) * (1 + 1e-12));
            const double hLow = 50 * ((ue - 0.5) / (te + 0.5) - (te + 0.5) / (ue - 0.5));
            const double hHigh = 50 * ((ue + 0.5) / (te - 0.5) - (te - 0.5) / (ue + 0.5));
            EXPECT_GE(back.Hysteresis[i], hLow - 1e-9);
            EXPECT_LE(back.Hysteresis[i], hHigh + 1e-9);
        }
    }
    EXPECT_GE(accepted, 1000) << "too few records passed the scale search to mean much";
}

TEST(ModifyForTest, OutputTestBlock) {
    Block v1(35, 0xFF);
    ASSERT_EQ(ZorComLgmModifyForTest(1, v1.data()), ZOR_OK);
    EXPECT_EQ(v1[0], 1);
    EXPECT_EQ(v1[33], 0xF0);
    EXPECT_EQ(v1[34], 26);
    EXPECT_EQ(v1[32], 0xFF);

    Block v2(44, 0x0F);
    v2[0] = 0x85;
    ASSERT_EQ(ZorComLgmModifyForTest(2, v2.data()), ZOR_OK);
    EXPECT_EQ(v2[0], 0x81);
    EXPECT_EQ(v2[42], 0x00);
    EXPECT_EQ(v2[43], 26);
    v2[0] = 0x7F;
    ASSERT_EQ(ZorComLgmModifyForTest(2, v2.data()), ZOR_OK);
    EXPECT_EQ(v2[0], 0x01);

    EXPECT_EQ(ZorComLgmModifyForTest(3, v2.data()), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmModifyForTest(0, nullptr), ZOR_ERR_BAD_PARAM);
}

TEST(Decoders, ScalesAndLimits) {
    double v = -1;
    EXPECT_EQ(ZorComLgmDecodeTemperature(2, 45, &v), ZOR_OK);
    EXPECT_EQ(v, 22.5);
    EXPECT_EQ(ZorComLgmDecodeTemperature(3, 45, &v), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmDecodeTemperature(0, 256, &v), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmDecodeTemperature(0, 1, nullptr), ZOR_ERR_BAD_PARAM);

    EXPECT_EQ(ZorComLgmDecodePulseLongitude(1, 16, 0, &v), ZOR_OK);
    EXPECT_DOUBLE_EQ(v, 0.488);
    EXPECT_EQ(ZorComLgmDecodePulseLongitude(1, 1, 1, &v), ZOR_OK);
    EXPECT_DOUBLE_EQ(v, 7.808);
    EXPECT_EQ(ZorComLgmDecodePulseLongitude(3, 1, 0, &v), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmDecodePulseLongitude(0, 256, 0, &v), ZOR_ERR_BAD_PARAM);

    EXPECT_EQ(ZorComLgmDecodeFlareLongitude(77, 100, &v), ZOR_OK);
    EXPECT_DOUBLE_EQ(v, 95.3);
    EXPECT_EQ(ZorComLgmDecodeFlareLongitude(0, 256, &v), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmDecodeFlareLongitude(0, 1, nullptr), ZOR_ERR_BAD_PARAM);
}

} // namespace
