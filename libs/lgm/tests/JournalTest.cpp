#include "ZorComLgm.h"
#include "ZorLang.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using Point = std::array<uint8_t, 5>;

uint64_t Value(const Point& p) {
    uint64_t v = 0;
    for (int i = 4; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

TEST(JournalItem, PacksDeviationSignAndFrequency) {
    Point p{};
    ASSERT_EQ(ZorComLgmPackJournalItem(p.data(), 0.1495, 12.3456, 0.15, 0.0001), 1);
    EXPECT_EQ(Value(p) & 0xFFFF, 5u);
    EXPECT_EQ((Value(p) >> 16) & 1, 1u);
    EXPECT_EQ(Value(p) >> 17, 123456u);
    // Little-endian: bits 0-7 first.
    EXPECT_EQ(p, (Point{0x05, 0x00, 0x81, 0xC4, 0x03}));

    ASSERT_EQ(ZorComLgmPackJournalItem(p.data(), 0.1505, 0.0, 0.15, 0.0001), 1);
    EXPECT_EQ(Value(p), 5u) << "above the reference: no sign";
}

TEST(JournalItem, FieldsThatDoNotFit) {
    struct Case {
        double q, f, s, precision;
        int32_t fits;
    };
    const Case cases[] = {
        {0.15 + 6.5535, 1, 0.15, 0.0001, 1},   // 65535
        {0.15 + 6.5536, 1, 0.15, 0.0001, 0},   // 65536
        {0.15 - 6.5536, 1, 0.15, 0.0001, 0},   // below as far
        {0.15, 838.8607, 0.15, 0.0001, 1},     // 2^23 - 1
        {0.15, 838.8608, 0.15, 0.0001, 0},     // 2^23
        {0.15, -1.0, 0.15, 0.0001, 0},         // no code for a negative frequency
        {0.15, 1, 0.15, 0.0, 0},               // no precision: nothing fits
        {std::nan(""), 1, 0.15, 0.0001, 0},    //
        {0.15, std::nan(""), 0.15, 0.0001, 0}, //
    };
    for (const auto& c : cases) {
        Point p{1, 2, 3, 4, 5};
        EXPECT_EQ(ZorComLgmPackJournalItem(p.data(), c.q, c.f, c.s, c.precision), c.fits)
            << c.q << " " << c.f;
        if (!c.fits) {
            EXPECT_EQ(p, (Point{1, 2, 3, 4, 5})) << "nothing written";
        }
    }
    EXPECT_EQ(ZorComLgmPackJournalItem(nullptr, 0.15, 1, 0.15, 0.0001), 0);
}

TEST(JournalItem, ExtractsSignedDeviation) {
    double q = 0, f = 0;
    const Point p{0x05, 0x00, 0x81, 0xC4, 0x03};
    ZorComLgmExtractJournalItem(p.data(), &q, &f, 0.15, 0.0001);
    EXPECT_DOUBLE_EQ(q, 0.1495);
    EXPECT_DOUBLE_EQ(f, 12.3456);
    const Point top{0xFF, 0xFF, 0xFE, 0xFF, 0xFF};
    ZorComLgmExtractJournalItem(top.data(), &q, &f, 1.0, 0.001);
    EXPECT_DOUBLE_EQ(q, 1.0 + 65.535);
    EXPECT_DOUBLE_EQ(f, 838.8607);
}

// Six sections near the standard flows of a diameter: flow i lies offset[i]
// precision steps from reference flow i.
std::vector<ApproxDataItem> Near(uint32_t du, const std::array<double, 6>& steps) {
    std::vector<ApproxDataItem> items(16, ApproxDataItem{7, 8, 0, 0});
    const double precision = ZorComLgmSeqPrecision(du);
    for (uint32_t i = 0; i < 6; ++i) {
        items[i].Q = ZorComLgmSeqItem(du, i) + steps[i] * precision;
        items[i].F = 10.0 * (i + 1) + 0.00013 * i;
    }
    return items;
}

TEST(Journal, RoundTripOnEveryStandardSequence) {
    const std::array<double, 6> steps{-65535, -1.2, 0, 0.4, 17, 65535};
    for (uint32_t du = 0; du < 14; ++du) {
        if (!ZorComLgmIsSeqDefined(du))
            continue;
        const auto items = Near(du, steps);
        std::array<uint8_t, 30> journal{};
        ASSERT_EQ(ZorComLgmPackJournal(journal.data(), du, items.data(), 16), 30) << du;

        std::vector<ApproxDataItem> back(16, ApproxDataItem{1, 2, -1, -1});
        uint32_t count = 0;
        ASSERT_EQ(ZorComLgmExtractJournal(journal.data(), du, back.data(), &count), ZOR_OK);
        EXPECT_EQ(count, 6u);
        const double precision = ZorComLgmSeqPrecision(du);
        for (uint32_t i = 0; i < 6; ++i) {
            EXPECT_NEAR(back[i].Q, items[i].Q, precision / 2 + 1e-12) << du << "/" << i;
            EXPECT_NEAR(back[i].F, items[i].F, 0.00005 + 1e-12) << du << "/" << i;
            EXPECT_EQ(back[i].Reserved, 1u);
            EXPECT_EQ(back[i].FirstIndex, 2u);
        }
        EXPECT_EQ(back[6].Q, -1.0) << "only six points";
    }
}

TEST(Journal, APointThatDoesNotFitStopsThePacking) {
    const uint32_t du = 4;
    auto items = Near(du, {0, 0, 0, 0, 0, 0});
    items[3].Q = ZorComLgmSeqItem(du, 3) + 6.5536; // 65536 steps of 0.0001
    std::array<uint8_t, 30> journal{};
    journal.fill(0xAA);
    EXPECT_EQ(ZorComLgmPackJournal(journal.data(), du, items.data(), 6), ZOR_ERR_BAD_PARAM);
    EXPECT_NE(journal[0], 0xAA) << "points before it are written";
    EXPECT_EQ(journal[15], 0xAA) << "the failing point is not";
}

TEST(Journal, SequencesThatAreNotDefined) {
    const auto items = Near(4, {0, 0, 0, 0, 0, 0});
    std::array<uint8_t, 30> journal{};
    std::vector<ApproxDataItem> back(6);
    for (uint32_t du : {0u, 1u, 7u, 12u, 13u, 14u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ZorComLgmPackJournal(journal.data(), du, items.data(), 6), ZOR_ERR_BAD_PARAM);
        uint32_t count = 42;
        EXPECT_EQ(ZorComLgmExtractJournal(journal.data(), du, back.data(), &count),
                  ZOR_ERR_BAD_PARAM);
        EXPECT_EQ(count, 42u);
    }
}

TEST(Journal, ShortListsAndNullPointers) {
    const auto items = Near(4, {0, 0, 0, 0, 0, 0});
    std::array<uint8_t, 30> journal{};
    EXPECT_EQ(ZorComLgmPackJournal(journal.data(), 4, items.data(), 5), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmPackJournal(nullptr, 4, items.data(), 6), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmPackJournal(journal.data(), 4, nullptr, 6), ZOR_ERR_BAD_PARAM);
    std::vector<ApproxDataItem> back(6);
    uint32_t count = 0;
    EXPECT_EQ(ZorComLgmExtractJournal(nullptr, 4, back.data(), &count), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmExtractJournal(journal.data(), 4, nullptr, &count), ZOR_ERR_BAD_PARAM);
    EXPECT_EQ(ZorComLgmExtractJournal(journal.data(), 4, back.data(), nullptr), ZOR_ERR_BAD_PARAM);
}

} // namespace
