#include "ApproxTestUtil.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace approx_test;

namespace {

std::vector<int> Sections(const TZorDataList& list) {
    std::vector<int> sections;
    for (const auto& r : list.Records())
        sections.push_back(r.Section);
    return sections;
}

// The reduced orders as the rig software has always formed them: a bubble
// sort of adjacent records on a strictly greater key.
template <class Key> bool BubbleSort(std::vector<MeasurementRecord>& records, Key key) {
    bool any = false;
    for (bool swapped = records.size() > 1; swapped;) {
        swapped = false;
        for (size_t i = 0; i + 1 < records.size(); ++i) {
            if (key(records[i]) > key(records[i + 1])) {
                std::swap(records[i], records[i + 1]);
                swapped = any = true;
            }
        }
    }
    return any;
}

TEST(Sections, ReducedSortsMatchBubbleSort) {
    std::mt19937 random(7);
    const double Tpriv = 20.0;
    const double temperatures[] = {10.0, 20.0, 30.0};
    for (int round = 0; round < 300; ++round) {
        std::vector<MeasurementRecord> records;
        const int count = std::uniform_int_distribution<int>(0, 40)(random);
        for (int i = 0; i < count; ++i) {
            // Few distinct values, so that equal reduced keys are common.
            MeasurementRecord r =
                Point(std::uniform_int_distribution<int>(1, 4)(random) * 10.0,
                      std::uniform_int_distribution<int>(1, 4)(random), temperatures[random() % 3]);
            r.Section = i + 1;
            r.Line = i + 2;
            r.MeasuredPulses = i;
            if (random() % 4 == 0)
                r.Flags |= RecordFlag::Disabled;
            records.push_back(r);
        }
        const auto flowKey = [&](const MeasurementRecord& r) {
            return r.EtalonFlow * ViscosityRatio(r.Temperature, Tpriv);
        };
        const auto frequencyKey = [&](const MeasurementRecord& r) {
            return r.MeasuredFrequency * ViscosityRatio(r.Temperature, Tpriv);
        };

        std::vector<MeasurementRecord> byFlow = records;
        if (BubbleSort(byFlow, flowKey))
            for (auto& r : byFlow)
                r.Section = r.Line = 0;
        TZorDataList list = ListOf(records);
        ASSERT_EQ(SortByReducedFlow(list, Tpriv), ApproxError::None);
        EXPECT_TRUE(list.Ordered());
        ASSERT_TRUE(SameRecords(list.Records(), byFlow)) << "round " << round;

        std::vector<MeasurementRecord> byFrequency = records;
        BubbleSort(byFrequency, frequencyKey); // resets nothing
        TZorDataList list2 = ListOf(records);
        ASSERT_EQ(SortByReducedFrequency(list2, Tpriv), ApproxError::None);
        ASSERT_TRUE(SameRecords(list2.Records(), byFrequency)) << "round " << round;
    }
}

TEST(Sections, SortsRefuseUnorderableKeys) {
    TZorDataList list = ListOf({Point(30, 3), Point(10, NAN), Point(20, 2)});
    const TZorDataList before = list;
    EXPECT_EQ(SortByReducedFlow(list, 20.0), ApproxError::BadMeasurement);
    EXPECT_EQ(SortByReducedFlow(list, NAN), ApproxError::BadSetting);
    EXPECT_EQ(SortByReducedFrequency(list, 200.0), ApproxError::BadSetting);
    EXPECT_TRUE(SameBytes(list, before));
    // A NaN frequency has no place in the frequency order either.
    TZorDataList list2 = ListOf({Point(NAN, 3), Point(10, 1)});
    EXPECT_EQ(SortByReducedFrequency(list2, 20.0), ApproxError::BadMeasurement);
}

TEST(Sections, ReductionMakesOneCharacteristic) {
    // The same true characteristic measured at 30 °C reduces to the point
    // measured at 20 °C.
    const double k = ViscosityRatio(30.0, 20.0);
    TZorDataList list = ListOf({Point(100.0, 10.0), Point(100.0 / k, 10.0 / k, 30.0)});
    uint32_t count = 0;
    ASSERT_EQ(SplitSections(list, 0.05, 20.0, &count), ApproxError::None);
    EXPECT_EQ(count, 1u);
    EXPECT_NEAR(list.Item(0)->SectionFlow, 10.0, 1e-12);
    EXPECT_NEAR(list.Item(0)->SectionFrequency, 100.0, 1e-12);
}

struct SplitCase {
    const char* name;
    std::vector<double> flows;
    double h;
    std::vector<int> sections;
};

TEST(Sections, SplitMeasuresSpreadFromTheFirstFlow) {
    const SplitCase cases[] = {
        // 10.4 is 4 % above 10.0; 10.6 is 6 % above 10.0 though within 5 % of
        // the mean 10.2.
        {"first flow", {10.0, 10.4, 10.6}, 0.05, {0, 0, 1}},
        {"at the limit", {10.0, 10.5}, 0.05, {0, 1}},
        {"below the limit", {10.0, 10.49}, 0.05, {0, 0}},
        {"sorted first", {3.0, 1.0, 2.0}, 0.05, {0, 1, 2}},
        {"wide", {1.0, 1.5, 1.9, 2.0, 3.0}, 1.0, {0, 0, 0, 1, 1}},
    };
    for (const auto& c : cases) {
        std::vector<MeasurementRecord> records;
        for (double q : c.flows)
            records.push_back(Point(q * 10, q));
        TZorDataList list = ListOf(records);
        uint32_t count = 0;
        ASSERT_EQ(SplitSections(list, c.h, 20.0, &count), ApproxError::None) << c.name;
        EXPECT_EQ(Sections(list), c.sections) << c.name;
        EXPECT_EQ(count, static_cast<uint32_t>(c.sections.back() + 1)) << c.name;
    }
}

TEST(Sections, GroupingKeepsTheListOrder) {
    // The same flows SplitSections would sort into 1, 2, 2.05, 3.
    MeasurementRecord off = Disabled(Point(15, 1.5));
    off.Section = 4;
    TZorDataList list =
        ListOf({Point(30, 3.0), Point(10, 1.0), off, Point(20, 2.0), Point(20.5, 2.05)});
    const std::vector<double> flows = {3.0, 1.0, 1.5, 2.0, 2.05};
    uint32_t count = 0;
    ASSERT_EQ(GroupSections(list, 0.05, 20.0, &count), ApproxError::None);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Sections(list), (std::vector<int>{0, 1, 0, 2, 2}));
    for (size_t i = 0; i < flows.size(); ++i)
        EXPECT_EQ(list.Item(i)->EtalonFlow, flows[i]) << "nothing moved";
    EXPECT_NEAR(list.Item(3)->SectionFlow, 2.025, 1e-12);
    // A fall in flow is as far from the first as a rise.
    TZorDataList falling = ListOf({Point(20, 2.0), Point(19.5, 1.95), Point(18, 1.8)});
    ASSERT_EQ(GroupSections(falling, 0.05, 20.0), ApproxError::None);
    EXPECT_EQ(Sections(falling), (std::vector<int>{0, 0, 1}));
}

TEST(Sections, SplitWritesMeansAndSkipsDisabledRecords) {
    MeasurementRecord off = Disabled(Point(105, 10.2));
    off.Section = 5;
    off.SectionFlow = 77;
    TZorDataList list = ListOf({Point(100, 10.0), off, Point(104, 10.4), Point(200, 20.0)});
    ASSERT_EQ(SplitSections(list, 0.05, 20.0), ApproxError::None);
    EXPECT_EQ(Sections(list), (std::vector<int>{0, 0, 0, 1}));
    EXPECT_NEAR(list.Item(0)->SectionFlow, 10.2, 1e-12);
    EXPECT_NEAR(list.Item(2)->SectionFrequency, 102.0, 1e-12);
    EXPECT_EQ(list.Item(1)->SectionFlow, 77); // disabled: old mean kept
    EXPECT_EQ(list.Item(3)->SectionFlow, 20.0);
}

TEST(Sections, SplitRefusalsLeaveTheListAlone) {
    struct Case {
        const char* name;
        MeasurementRecord record;
        double h, Tpriv;
        ApproxError error;
    };
    const Case cases[] = {
        {"zero spread", Point(10, 1), 0.0, 20.0, ApproxError::BadSetting},
        {"NaN spread", Point(10, 1), NAN, 20.0, ApproxError::BadSetting},
        {"Tpriv", Point(10, 1), 0.05, -5.0, ApproxError::BadSetting},
        {"zero flow", Point(10, 0), 0.05, 20.0, ApproxError::BadMeasurement},
        {"negative frequency", Point(-10, 1), 0.05, 20.0, ApproxError::BadMeasurement},
        {"boiling", Point(10, 1, 300), 0.05, 20.0, ApproxError::BadMeasurement},
        {"disabled NaN", Disabled(Point(10, NAN)), 0.05, 20.0, ApproxError::BadMeasurement},
    };
    for (const auto& c : cases) {
        TZorDataList list = ListOf({Point(30, 3), c.record, Point(20, 2)});
        const TZorDataList before = list;
        EXPECT_EQ(SplitSections(list, c.h, c.Tpriv), c.error) << c.name;
        EXPECT_EQ(GroupSections(list, c.h, c.Tpriv), c.error) << c.name;
        EXPECT_TRUE(SameBytes(list, before)) << c.name;
    }
    // A disabled record may be empty; it takes no part.
    TZorDataList list = ListOf({Point(30, 3), Disabled(Point(0, 0))});
    EXPECT_EQ(SplitSections(list, 0.05, 20.0), ApproxError::None);
}

TEST(Sections, SummariesAndBounds) {
    std::vector<MeasurementRecord> records;
    for (int s = 0; s < 20; ++s) {
        records.push_back(Point(10.0 * (s + 1), s + 1.0));
        records.push_back(Point(10.0 * (s + 1), s + 1.01));
    }
    records.insert(records.begin() + 2, Disabled(Point(1, 1)));
    TZorDataList list = ListOf(records);
    uint32_t count = 0;
    ASSERT_EQ(SplitSections(list, 0.02, 20.0, &count), ApproxError::None);
    ASSERT_EQ(count, 20u);

    std::array<ApproxDataItem, kMaxSummaries> items{};
    ASSERT_EQ(SummarizeSections(list, items), kMaxSummaries);
    EXPECT_EQ(items[1].FirstIndex, 2u); // counts enabled records only
    EXPECT_NEAR(items[1].Q, 2.005, 1e-12);
    EXPECT_NEAR(items[1].F, 20.0, 1e-12);
    EXPECT_EQ(items[15].FirstIndex, 30u);

    std::vector<SectionRange> bounds;
    ASSERT_EQ(SectionBounds(list, bounds), ApproxError::None);
    ASSERT_EQ(bounds.size(), 20u);
    EXPECT_EQ(bounds[0].First, 0u);
    EXPECT_EQ(bounds[0].Last, 1u);
    EXPECT_EQ(bounds[19].Last, 39u);
}

TEST(Sections, BoundsIndexAtMost63Sections) {
    for (const int sections : {63, 64}) {
        std::vector<MeasurementRecord> records;
        for (int s = 0; s < sections; ++s)
            records.push_back(Point(s + 1.0, (s + 1.0) / 10));
        TZorDataList list = ListOf(records);
        ASSERT_EQ(SplitSections(list, 0.001, 20.0), ApproxError::None);
        std::vector<SectionRange> bounds;
        EXPECT_EQ(SectionBounds(list, bounds),
                  sections == 63 ? ApproxError::None : ApproxError::TooManySections);
    }
}

TEST(Sections, MarkedBreaks) {
    // Section numbers as SplitSections leaves them.
    const auto build = [](std::vector<std::pair<int, bool>> sectionsAndMarks) {
        std::vector<MeasurementRecord> records;
        for (const auto& [section, marked] : sectionsAndMarks) {
            MeasurementRecord r = Point(10, 1);
            r.Section = section;
            if (marked)
                r.Flags |= RecordFlag::LinePoint;
            records.push_back(r);
        }
        return ListOf(records);
    };
    struct Case {
        const char* name;
        std::vector<std::pair<int, bool>> records;
        std::vector<int32_t> breaks;
    };
    const Case cases[] = {
        {"no marks", {{0, false}, {1, false}, {2, false}}, {2}},
        {"one mark", {{0, false}, {1, true}, {2, false}}, {1, 2}},
        {"two marks in one section", {{0, false}, {1, true}, {1, true}, {2, false}}, {1, 2}},
        {"last section marked", {{0, false}, {1, true}, {2, true}}, {1, 2}},
        {"mark in the first section", {{0, true}, {1, false}}, {0, 1}},
        {"empty", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MarkedBreaks(build(c.records)), c.breaks) << c.name;

    // At most 15 entries; the last section replaces the 15th.
    std::vector<std::pair<int, bool>> many;
    for (int s = 0; s < 20; ++s)
        many.push_back({s, s > 0});
    many.push_back({20, false});
    const std::vector<int32_t> breaks = MarkedBreaks(build(many));
    ASSERT_EQ(breaks.size(), kMaxBreakMarks);
    EXPECT_EQ(breaks[13], 14);
    EXPECT_EQ(breaks[14], 20);
}

// Seven sections at the standard flows of DuIndex 4 (15 mm … 40 mm group),
// the one at index `off` moved by `shift` m³/h.
TZorDataList StandardSections(int count, int off = -1, double shift = 0) {
    std::vector<MeasurementRecord> records;
    for (int i = 0; i < count; ++i) {
        double q = ZorComLgmSeqItem(4, i < 7 ? i : 6) * (i < 7 ? 1.0 : 1.2);
        if (i == off)
            q += shift;
        records.push_back(Point(q * 10, q));
    }
    TZorDataList list = ListOf(records);
    EXPECT_EQ(SplitSections(list, 0.05, 20.0), ApproxError::None);
    return list;
}

TEST(Sections, CheckStandardSections) {
    EXPECT_TRUE(CheckStandardSections(StandardSections(7), 4));
    EXPECT_FALSE(CheckStandardSections(StandardSections(6), 4));
    EXPECT_FALSE(CheckStandardSections(StandardSections(8), 4));
    // 6.5535 m³/h off is 65535 steps of 0.0001: still storable; 6.5536 is not.
    EXPECT_TRUE(CheckStandardSections(StandardSections(7, 6, 6.5535), 4));
    EXPECT_FALSE(CheckStandardSections(StandardSections(7, 6, 6.5537), 4));
    EXPECT_FALSE(CheckStandardSections(StandardSections(7), 1)); // no sequence
    EXPECT_FALSE(CheckStandardSections(StandardSections(7), -1));
    EXPECT_FALSE(CheckStandardSections(StandardSections(7), 14));
}

TEST(Sections, CheckApproxDataList) {
    ApproxDataList data;
    for (uint32_t i = 0; i < 8; ++i)
        data.Items[i] = ApproxDataItem{0, i, 10.0 * i, ZorComLgmSeqItem(4, i)};
    struct Case {
        uint32_t count;
        int du;
        bool ok;
    };
    for (const Case c : {Case{6, 4, true}, Case{7, 4, true}, Case{8, 4, false}, Case{5, 4, false},
                         Case{6, 0, false}, Case{7, 7, false}, Case{40, 4, false}}) {
        data.Count = c.count;
        EXPECT_EQ(CheckApproxDataList(data, c.du), c.ok) << c.count << "/" << c.du;
    }
    // Only the first six are looked at with a count of 6.
    data.Items[6].Q = 1e9;
    data.Count = 6;
    EXPECT_TRUE(CheckApproxDataList(data, 4));
    data.Items[2].Q = NAN;
    EXPECT_FALSE(CheckApproxDataList(data, 4));
}

} // namespace
