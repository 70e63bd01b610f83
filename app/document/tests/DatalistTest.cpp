#include "document/Datalist.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

MeasurementRecord Flow(double flow, int section = 0, int line = 0) {
    MeasurementRecord r = NewMeasurement();
    r.EtalonFlow = flow;
    r.Section = section;
    r.Line = line;
    return r;
}

TZorDataList ListOf(const std::vector<MeasurementRecord>& records) {
    TZorDataList list;
    for (const auto& r : records)
        list.Add(r);
    return list;
}

std::vector<double> Flows(const TZorDataList& list) {
    std::vector<double> flows;
    for (const auto& r : list.Records())
        flows.push_back(r.EtalonFlow);
    return flows;
}

// Runs fn and returns the message of the ESimpleException it raises, or "".
template <class Fn> std::string RaisedMessage(Fn fn) {
    try {
        fn();
    } catch (const ESimpleException& e) {
        EXPECT_EQ(e.Code, 0);
        return e.Message;
    }
    return "";
}

TEST(Datalist, NewMeasurementIsZeroAtTwentyDegrees) {
    const MeasurementRecord r = NewMeasurement();
    MeasurementRecord expected{};
    expected.Temperature = 20.0;
    EXPECT_EQ(std::memcmp(&r, &expected, sizeof r), 0);
    EXPECT_TRUE(r.IsEnabled());
}

TEST(Datalist, GrowsBy32AndNeverShrinks) {
    TZorDataList list(32);
    EXPECT_TRUE(list.Ordered());
    for (int i = 0; i < 32; ++i)
        list.Add(Flow(i));
    EXPECT_EQ(list.Capacity(), 32u);
    EXPECT_FALSE(list.Ordered());
    EXPECT_EQ(list.Add(Flow(32)), 33u);
    EXPECT_EQ(list.Capacity(), 64u);
    list.Delete(0);
    list.Delete(0);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.Capacity(), 64u);

    TZorDataList empty(0);
    EXPECT_EQ(empty.Capacity(), 0u);
    empty.Add(Flow(1));
    EXPECT_EQ(empty.Capacity(), 32u);
}

TEST(Datalist, GrowRefusals) {
    TZorDataList list(4);
    for (int i = 0; i < 3; ++i)
        list.Add(Flow(i));
    const std::vector<double> before = Flows(list);
    struct Case {
        int64_t number;
        bool relative;
    };
    // Below 1, below the records held, beyond a 32-bit capacity.
    for (const Case c : {Case{0, false}, Case{-4, true}, Case{2, false}, Case{-2, true},
                         Case{int64_t{1} << 32, false}, Case{INT64_MIN, true}}) {
        EXPECT_EQ(RaisedMessage([&] { list.Grow(c.number, c.relative); }),
                  "Ошибка изменения размера")
            << c.number;
        EXPECT_EQ(list.Capacity(), 4u);
        EXPECT_EQ(Flows(list), before);
    }
    EXPECT_EQ(list.Grow(3, false), 3u);
    EXPECT_EQ(list.Grow(5, true), 8u);
    EXPECT_EQ(Flows(list), before);
}

TEST(Datalist, DeleteKeepsOrderAndRefusesOutside) {
    TZorDataList list = ListOf({Flow(1), Flow(2), Flow(3), Flow(4)});
    EXPECT_EQ(list.Delete(1), 3u);
    EXPECT_EQ(Flows(list), (std::vector<double>{1, 3, 4}));
    EXPECT_EQ(list.Delete(2), 2u);
    EXPECT_EQ(Flows(list), (std::vector<double>{1, 3}));
    EXPECT_EQ(RaisedMessage([&] { list.Delete(2); }), "Ошибка удаления записи");
    EXPECT_EQ(RaisedMessage([&] { list.Delete(UINT32_MAX); }), "Ошибка удаления записи");
    EXPECT_EQ(Flows(list), (std::vector<double>{1, 3}));
}

TEST(Datalist, PositionsAndEnabledPositions) {
    std::vector<MeasurementRecord> records;
    for (int i = 0; i < 4; ++i)
        records.push_back(Flow(i));
    records[0].Flags |= RecordFlag::Disabled;
    records[2].Flags |= RecordFlag::Disabled;
    TZorDataList list = ListOf(records);
    EXPECT_EQ(list.EnabledCount(), 2u);
    ASSERT_NE(list.EnabledItem(0), nullptr);
    EXPECT_EQ(list.EnabledItem(0), list.Item(1));
    EXPECT_EQ(list.EnabledItem(1), list.Item(3));
    EXPECT_EQ(list.EnabledItem(2), nullptr);
    EXPECT_EQ(list.Item(4), nullptr);
    EXPECT_EQ(list.EnabledPositions(), (std::vector<uint32_t>{1, 3}));
    MeasurementRecord copy{};
    EXPECT_TRUE(list.CopyItem(2, copy));
    EXPECT_EQ(copy.EtalonFlow, 2.0);
    EXPECT_FALSE(list.CopyItem(4, copy));
    EXPECT_EQ(copy.EtalonFlow, 2.0);
}

TEST(Datalist, SortByFlow) {
    // Already ascending: nothing moves, sections and lines stay.
    TZorDataList sorted = ListOf({Flow(1, 4, 5), Flow(2, 6, 7)});
    EXPECT_TRUE(sorted.SortByFlow());
    EXPECT_TRUE(sorted.Ordered());
    EXPECT_EQ(sorted.Item(0)->Section, 4);
    EXPECT_EQ(sorted.Item(1)->Line, 7);

    // One inversion: records swap and every section and line becomes 0.
    MeasurementRecord first = Flow(2.0, 1, 1);
    first.EtalonMass = 10; // marks which of the equal flows is which
    MeasurementRecord second = Flow(2.0, 2, 2);
    second.EtalonMass = 20;
    TZorDataList list = ListOf({Flow(3, 3, 3), first, second});
    EXPECT_TRUE(list.SortByFlow());
    EXPECT_EQ(Flows(list), (std::vector<double>{2, 2, 3}));
    EXPECT_EQ(list.Item(0)->EtalonMass, 10);
    EXPECT_EQ(list.Item(1)->EtalonMass, 20);
    for (const auto& r : list.Records()) {
        EXPECT_EQ(r.Section, 0);
        EXPECT_EQ(r.Line, 0);
    }

    // A flow that is not a number has no place in the order.
    TZorDataList broken = ListOf({Flow(3, 1, 1), Flow(NAN), Flow(1)});
    EXPECT_FALSE(broken.SortByFlow());
    EXPECT_FALSE(broken.Ordered());
    EXPECT_EQ(broken.Item(0)->EtalonFlow, 3);
    EXPECT_EQ(broken.Item(0)->Section, 1);
}

// The order the operator's table has always had: adjacent records swap when
// the first key is strictly greater, passes repeat until none swaps.
bool BubbleSort(std::vector<MeasurementRecord>& records, double (*key)(const MeasurementRecord&)) {
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

TEST(Datalist, SortMatchesBubbleSortOnRepeatedKeys) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 300; ++round) {
        const int count = std::uniform_int_distribution<int>(0, 60)(random);
        const int distinct = std::uniform_int_distribution<int>(1, 8)(random);
        std::vector<MeasurementRecord> records;
        for (int i = 0; i < count; ++i) {
            MeasurementRecord r =
                Flow(std::uniform_int_distribution<int>(0, distinct)(random) * 0.5, i + 1, i + 2);
            r.MeasuredPulses = i; // identity, so equal keys show their order
            if (random() % 3 == 0)
                r.Flags |= RecordFlag::Disabled;
            if (random() % 5 == 0)
                r.EtalonFlow = -r.EtalonFlow;
            records.push_back(r);
        }
        if (round % 4 == 0) // some lists arrive already sorted
            BubbleSort(records, [](const MeasurementRecord& r) { return r.EtalonFlow; });

        std::vector<MeasurementRecord> expected = records;
        const bool swapped =
            BubbleSort(expected, [](const MeasurementRecord& r) { return r.EtalonFlow; });
        if (swapped)
            for (auto& r : expected)
                r.Section = r.Line = 0;

        TZorDataList list = ListOf(records);
        ASSERT_TRUE(list.SortByFlow());
        ASSERT_EQ(list.Count(), expected.size());
        ASSERT_TRUE(expected.empty() || std::memcmp(list.Records().data(), expected.data(),
                                                    list.Records().size_bytes()) == 0)
            << "round " << round;

        // The enabled index walks like EnabledItem's scan.
        const std::vector<uint32_t> positions = list.EnabledPositions();
        ASSERT_EQ(positions.size(), list.EnabledCount());
        for (uint32_t n = 0; n < positions.size(); ++n)
            ASSERT_EQ(list.EnabledItem(n), list.Item(positions[n]));
        EXPECT_EQ(list.EnabledItem(static_cast<uint32_t>(positions.size())), nullptr);
    }
}

TEST(Datalist, SortByKeysReportsMovesAndRefusesBadKeys) {
    TZorDataList list = ListOf({Flow(1), Flow(2), Flow(3)});
    bool moved = true;
    EXPECT_TRUE(list.SortByKeys(std::vector<double>{-INFINITY, 0.0, INFINITY}, &moved));
    EXPECT_FALSE(moved);
    EXPECT_TRUE(list.SortByKeys(std::vector<double>{3, 2, 1}, &moved));
    EXPECT_TRUE(moved);
    EXPECT_EQ(Flows(list), (std::vector<double>{3, 2, 1}));
    EXPECT_FALSE(list.SortByKeys(std::vector<double>{1, 2}));
    EXPECT_FALSE(list.SortByKeys(std::vector<double>{1, NAN, 0}));
    EXPECT_EQ(Flows(list), (std::vector<double>{3, 2, 1}));
}

TEST(Datalist, CheckOrder) {
    struct Case {
        std::vector<double> flows;
        bool ordered;
    };
    const Case cases[] = {
        {{1.0, 2.0, 2.0, 3.0}, true}, {{1.0, 3.0, 2.0}, false}, {{}, true},     {{-1.0}, false},
        {{0.0, 0.0}, true},           {{1.0, NAN, 0.5}, false}, {{NAN}, false},
    };
    for (const auto& c : cases) {
        std::vector<MeasurementRecord> records;
        for (double f : c.flows)
            records.push_back(Flow(f));
        TZorDataList list = ListOf(records);
        EXPECT_EQ(list.CheckOrder(), c.ordered) << ::testing::PrintToString(c.flows);
        EXPECT_EQ(list.Ordered(), c.ordered);
    }
}

TEST(Datalist, ClearSectionsLinesAndMarks) {
    MeasurementRecord r = Flow(1, 3, 4);
    r.Flags = RecordFlag::LinePoint | RecordFlag::Disabled;
    TZorDataList list = ListOf({r, r});
    list.ClearSections();
    EXPECT_EQ(list.Item(1)->Section, 0);
    EXPECT_EQ(list.Item(1)->Line, 4);
    list.ClearLines();
    EXPECT_EQ(list.Item(0)->Line, 0);
    list.ClearLinePoints();
    EXPECT_EQ(list.Item(0)->Flags, RecordFlag::Disabled);
}

TEST(Datalist, FormatField) {
    MeasurementRecord r = NewMeasurement();
    r.FlowDeviation = 0.0123;
    r.EtalonFlow = 1.5;
    r.MeasuredPulses = -5;
    r.Line = INT_MAX;
    r.LineA = 1e300;
    TZorDataList list = ListOf({r});
    struct Case {
        int id;
        const char* text;
    };
    const Case cases[] = {
        {FieldId::FlowDeviation, "1.23"}, {FieldId::Section, "1"},
        {FieldId::Temperature, "20.0"},   {FieldId::EtalonFlow, "1.500000"},
        {FieldId::EtalonMass, "0.000"},   {FieldId::MeasuredPulses, "-5"},
        {FieldId::Line, "2147483648"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(list.FormatField(0, c.id), c.text) << c.id;

    char expected[400];
    std::snprintf(expected, sizeof expected, "%.6f", 1e300);
    EXPECT_EQ(list.FormatField(0, FieldId::LineA), expected);
    EXPECT_EQ(list.FormatField(1, FieldId::EtalonFlow), std::nullopt);
    EXPECT_EQ(list.FormatField(0, 19), std::nullopt);
    EXPECT_EQ(list.FormatField(0, -1), std::nullopt);
}

TEST(Datalist, FormatColumns) {
    MeasurementRecord r = NewMeasurement();
    r.Temperature = 21.5;
    r.EtalonFlow = 2.25;
    r.MeasuredFrequency = 100.125;
    r.FlowDeviation = -0.0042;
    r.LineA = 0.1205;
    r.LineB = -0.04;
    r.MeasuredPulses = 1001;
    TZorDataList list = ListOf({r});
    char expected[256];
    std::snprintf(expected, sizeof expected, "%lf %lf %lf %lf %lf %lf ", 21.5, 2.25, 100.125,
                  -0.0042 * 100, 0.1205, -0.04);
    EXPECT_EQ(list.FormatColumns(0, 0x31C2), expected);
    EXPECT_EQ(list.FormatColumns(0, 1u << ExportColumn::MeasuredPulses), "1001 ");
    EXPECT_EQ(list.FormatColumns(0, 0), "");
    EXPECT_EQ(list.FormatColumns(1, 0x3FFF), "");
}

TEST(Datalist, GetColumn) {
    std::vector<MeasurementRecord> records;
    for (int i = 0; i < 3; ++i) {
        MeasurementRecord r = Flow(i);
        r.MeasuredFrequency = 10.0 * (i + 1);
        r.MeasuredPulses = 100 + i;
        r.MeasuredFlow = 7;
        records.push_back(r);
    }
    records[1].Flags |= RecordFlag::Disabled;
    TZorDataList list = ListOf(records);

    uint32_t size = 0;
    EXPECT_EQ(list.GetColumn(FieldId::MeasuredFrequency, nullptr, size), nullptr);
    EXPECT_EQ(size, 16u);
    auto* block = static_cast<double*>(list.GetColumn(FieldId::MeasuredFrequency, nullptr, size));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[0], 10.0);
    EXPECT_EQ(block[1], 30.0);
    std::free(block);

    int32_t counts[4] = {-1, -1, -1, -1};
    size = sizeof counts;
    EXPECT_EQ(list.GetColumn(FieldId::MeasuredPulses, counts, size), counts);
    EXPECT_EQ(counts[0], 100);
    EXPECT_EQ(counts[1], 102);
    EXPECT_EQ(counts[2], -1);

    // Fields without an extraction give a zero-filled block.
    size = 16;
    auto* flows = static_cast<double*>(list.GetColumn(FieldId::MeasuredFlow, nullptr, size));
    ASSERT_NE(flows, nullptr);
    EXPECT_EQ(flows[0], 0.0);
    EXPECT_EQ(flows[1], 0.0);
    std::free(flows);

    size = 1234;
    EXPECT_EQ(list.GetColumn(19, nullptr, size), nullptr);
    EXPECT_EQ(size, 1234u);
    TZorDataList empty;
    EXPECT_EQ(empty.GetColumn(FieldId::EtalonFlow, nullptr, size), nullptr);
    EXPECT_EQ(size, 1234u);

    EXPECT_EQ(list.RealColumn(FieldId::MeasuredFrequency), (std::vector<double>{10.0, 30.0}));
    EXPECT_EQ(list.IntColumn(FieldId::MeasuredPulses), (std::vector<int32_t>{100, 102}));
    EXPECT_EQ(list.RealColumn(FieldId::MeasuredFlow), std::nullopt);
    EXPECT_EQ(list.RealColumn(FieldId::MeasuredPulses), std::nullopt);
    EXPECT_EQ(list.IntColumn(FieldId::Section), std::nullopt);
}

TEST(Datalist, LineStarts) {
    std::vector<MeasurementRecord> records;
    for (int line : {0, 0, 1, 1, 1, 2})
        records.push_back(Flow(1, 0, line));
    TZorDataList list = ListOf(records);
    int32_t starts[5];
    EXPECT_EQ(list.LineStarts(starts), 3u);
    EXPECT_EQ(std::vector<int32_t>(starts, starts + 5), (std::vector<int32_t>{0, 2, 5, -1, -1}));
    int32_t two[2];
    EXPECT_EQ(list.LineStarts(two), 2u);
    EXPECT_EQ(two[1], 2);
    EXPECT_EQ(TZorDataList().LineStarts(starts), 0u);
    EXPECT_EQ(starts[0], -1);
}

TEST(Datalist, AssignLineNumbers) {
    const double pairs[][2] = {{1, 2}, {1, 2}, {1.5, 2}, {1.5, 2}, {1.5, 2 + 1e-9}, {1, 2}};
    std::vector<MeasurementRecord> records;
    for (const auto& p : pairs) {
        MeasurementRecord r = Flow(1, 0, 9);
        r.LineA = p[0];
        r.LineB = p[1];
        records.push_back(r);
    }
    TZorDataList list = ListOf(records);
    list.AssignLineNumbers();
    std::vector<int> lines;
    for (const auto& r : list.Records())
        lines.push_back(r.Line);
    EXPECT_EQ(lines, (std::vector<int>{9, 0, 1, 1, 1, 2}));
}

TEST(Datalist, HundredThousandRecords) {
    TZorDataList list;
    for (int i = 0; i < 100000; ++i)
        list.Add(Flow(100000 - i));
    EXPECT_EQ(list.Count(), 100000u);
    EXPECT_EQ(list.Capacity(), 100000u);
    EXPECT_TRUE(list.SortByFlow());
    EXPECT_EQ(list.Item(0)->EtalonFlow, 1.0);
    EXPECT_EQ(list.Item(99999)->EtalonFlow, 100000.0);
    EXPECT_TRUE(list.CheckOrder());
}

TEST(Datalist, ExceptionTextIsCutOnACharacterBoundary) {
    std::string longText;
    for (int i = 0; i < 100; ++i)
        longText += "ж"; // two bytes each
    const ESimpleException e(longText.c_str());
    EXPECT_EQ(std::strlen(e.Message), 126u);
    EXPECT_STREQ(e.what(), e.Message);
    EXPECT_STREQ(ESimpleException("Ошибка удаления записи").Message, "Ошибка удаления записи");
}

} // namespace
