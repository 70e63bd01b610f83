#include "ZorComLgm.h"
#include "ZorLang.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(Coefficients, ByDiameterGroup) {
    const double kd[] = {6.5536e9, 6.5536e8, 6.5536e7};
    const double mul[] = {100000, 10000, 1000};
    for (uint32_t du = 0; du < 14; ++du) {
        const int group = du <= 4 ? 0 : du <= 8 ? 1 : 2;
        for (uint32_t version : {0u, 1u, 2u, 0x102u}) {
            EXPECT_EQ(ZorComLgmApproxCoefficient(version, du), kd[group]) << du;
            EXPECT_EQ(ZorComLgmApproxMutiplier(version, du), mul[group]) << du;
        }
    }
    EXPECT_EQ(ZorComLgmApproxCoefficient(2, 14), 0.0);
    EXPECT_EQ(ZorComLgmApproxCoefficient(3, 5), 0.0);
    EXPECT_EQ(ZorComLgmApproxMutiplier(2, 14), 0.0);
    EXPECT_EQ(ZorComLgmApproxMutiplier(3, 5), 0.0);
}

TEST(Coefficients, TauTable) {
    struct Case {
        uint32_t du, weight, column;
        double value;
    };
    const Case cases[] = {
        {6, 4, 2, 15.0}, {6, 1, 0, 0.0},   {0, 0, 0, 0.15}, {4, 4, 2, 150.0},  {4, 5, 0, 0.0},
        {5, 2, 1, 1.0},  {8, 6, 2, 150.0}, {9, 4, 1, 1.0},  {13, 8, 2, 150.0}, {13, 3, 0, 0.0},
        {13, 9, 0, 0.0}, {0, 1, 3, 0.0},   {14, 4, 0, 0.0}, {2, 3, 1, 20.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ZorComLgmGetTauConst(c.du, c.weight, c.column), c.value)
            << c.du << "/" << c.weight << "/" << c.column;
}

MeterParams Lines(uint32_t du, uint32_t count) {
    MeterParams p;
    std::memset(&p, 0, sizeof p);
    p.DuIndex = du;
    p.LineCount = count;
    return p;
}

TEST(ScaleSearch, FirstFittingScalesInTheirOrder) {
    // DuIndex 5: mul 10000, start frequency 1.8.
    MeterParams p = Lines(5, 3);
    p.A[0] = 0.5; // M*A*mul < 36000 for M up to 7; small Fmax: M counts up
    p.B[0] = 0.0;
    p.Fmax[0] = 20;
    p.A[1] = 0.5; // Fmax >= 100: M counts down from 7
    p.B[1] = 0.0;
    p.Fmax[1] = 150;
    p.A[2] = 1.0; // M of 7 down to 4 makes the slope word too large: 3 is the first
    p.B[2] = 0.0;
    p.Fmax[2] = 400;
    uint32_t failed = 99;
    ASSERT_EQ(ZorComLgmCalculateCoeff(1, &p, &failed), 0);
    EXPECT_EQ(failed, 99u);
    EXPECT_EQ(p.M[0], 1.0);
    EXPECT_EQ(p.N[0], 1.0);
    EXPECT_EQ(p.M[1], 7.0);
    EXPECT_EQ(p.N[1], 1.0);
    EXPECT_EQ(p.M[2], 3.0);
    EXPECT_EQ(p.N[2], 1.0);
}

TEST(ScaleSearch, InterceptPicksTheSmallestNAboveIt) {
    // |B*k*mul/18000| < N: B = 2.5 with mul 10000 needs N above 1.39 (version
    // 0/1) or 2.78 (version 2, k = 2). The bound 1.95*g/M must allow it:
    // g = 1.8 at the start gives N <= 3.51 for M = 1.
    MeterParams p = Lines(5, 1);
    p.A[0] = 0.5;
    p.B[0] = 2.5;
    p.Fmax[0] = 20;
    ASSERT_EQ(ZorComLgmCalculateCoeff(0, &p, nullptr), 0);
    EXPECT_EQ(p.M[0], 1.0);
    EXPECT_EQ(p.N[0], 2.0);
    ASSERT_EQ(ZorComLgmCalculateCoeff(2, &p, nullptr), 0);
    EXPECT_EQ(p.N[0], 3.0);
}

TEST(ScaleSearch, ALineWithoutScalesIsReported) {
    MeterParams p = Lines(5, 2);
    p.A[0] = 0.5;
    p.Fmax[0] = 20;
    p.A[1] = 3.6; // M*A*mul = 36000*M: never below 36000
    p.Fmax[1] = 40;
    p.M[1] = 42;
    uint32_t failed = 99;
    EXPECT_EQ(ZorComLgmCalculateCoeff(1, &p, &failed), -1);
    EXPECT_EQ(failed, 1u);
    EXPECT_EQ(p.M[1], 42.0) << "the failing line's scales stay";
}

TEST(ScaleSearch, OnlyTheLinesTheBlockHolds) {
    MeterParams p = Lines(5, 6);
    for (int i = 0; i < 6; ++i) {
        p.A[i] = 0.5;
        p.Fmax[i] = 20.0 * (i + 1);
    }
    p.A[5] = 10; // would fail, but version 2 holds five lines
    p.A[4] = 10; // and versions 0 and 1 four
    EXPECT_EQ(ZorComLgmCalculateCoeff(1, &p, nullptr), 0);
    uint32_t failed = 0;
    EXPECT_EQ(ZorComLgmCalculateCoeff(2, &p, &failed), -1);
    EXPECT_EQ(failed, 4u);
}

TEST(ScaleSearch, BadVersionDiameterOrRecord) {
    MeterParams p = Lines(5, 1);
    p.A[0] = 0.5;
    p.Fmax[0] = 20;
    EXPECT_EQ(ZorComLgmCalculateCoeff(3, &p, nullptr), -1);
    EXPECT_EQ(ZorComLgmCalculateCoeff(1, nullptr, nullptr), ZOR_ERR_BAD_PARAM);
    p.DuIndex = 14; // no start frequency: no N passes
    EXPECT_EQ(ZorComLgmCalculateCoeff(1, &p, nullptr), -1);
    p.LineCount = 0;
    EXPECT_EQ(ZorComLgmCalculateCoeff(1, &p, nullptr), 0);
}

} // namespace
