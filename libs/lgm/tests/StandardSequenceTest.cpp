#include "ZorComLgm.h"

#include <cstddef>
#include <gtest/gtest.h>

namespace {

// The record is shared with the exchange thread and the file format's line
// block: its layout must not drift.
static_assert(offsetof(MeterParams, Size) == 0);
static_assert(offsetof(MeterParams, Flags) == 4);
static_assert(offsetof(MeterParams, DivisionFactor) == 8);
static_assert(offsetof(MeterParams, A) == 16);
static_assert(offsetof(MeterParams, B) == 144);
static_assert(offsetof(MeterParams, M) == 272);
static_assert(offsetof(MeterParams, N) == 400);
static_assert(offsetof(MeterParams, Fmax) == 528);
static_assert(offsetof(MeterParams, Hysteresis) == 656);
static_assert(offsetof(MeterParams, PulseDuration) == 784);
static_assert(offsetof(MeterParams, LineCount) == 792);
static_assert(offsetof(MeterParams, WeightCode) == 796);
static_assert(offsetof(MeterParams, Version) == 800);
static_assert(offsetof(MeterParams, DuIndex) == 804);
static_assert(sizeof(MeterParams) == 808);
static_assert(sizeof(ApproxDataItem) == 24);
static_assert(offsetof(ApproxDataItem, F) == 8 && offsetof(ApproxDataItem, Q) == 16);

TEST(StandardSequence, DefinedDiameters) {
    const int defined[ZORCOMLGM_DU_COUNT] = {0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    for (uint32_t du = 0; du < ZORCOMLGM_DU_COUNT; ++du) {
        EXPECT_EQ(ZorComLgmIsSeqDefined(du), defined[du]) << du;
        if (!defined[du]) {
            EXPECT_EQ(ZorComLgmSeqPrecision(du), 0.0) << du;
        }
    }
    EXPECT_EQ(ZorComLgmIsSeqDefined(14), 0);
    EXPECT_EQ(ZorComLgmIsSeqDefined(0xFFFFFFFFu), 0);
}

struct ItemCase {
    uint32_t du, item;
    double flow;
};

TEST(StandardSequence, Items) {
    const ItemCase cases[] = {
        {1, 6, 10.0}, // reported although the sequence is not defined
        {4, 2, 2.0},  {2, 0, 0.15}, {6, 6, 80.0},          {11, 6, 1200.0},
        {4, 7, 0.0},  {14, 0, 0.0}, {0xFFFFFFFFu, 0, 0.0}, {3, 0xFFFFFFFFu, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ZorComLgmSeqItem(c.du, c.item), c.flow) << c.du << "/" << c.item;
}

TEST(StandardSequence, Precision) {
    EXPECT_EQ(ZorComLgmSeqPrecision(4), 0.0001);
    EXPECT_EQ(ZorComLgmSeqPrecision(2), 0.0001);
    EXPECT_EQ(ZorComLgmSeqPrecision(1), 0.0);
    EXPECT_EQ(ZorComLgmSeqPrecision(7), 0.0);
    EXPECT_EQ(ZorComLgmSeqPrecision(14), 0.0);
}

} // namespace
