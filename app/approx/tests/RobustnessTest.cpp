// Whatever the records hold — values from a damaged file, half-typed rows,
// 100 000 measurements — every operation stays inside its arrays, and either
// succeeds with finite results or refuses and changes nothing.

#include "ApproxTestUtil.h"

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <random>

using namespace approx_test;

namespace {

double Garbage(std::mt19937& random) {
    static const double specials[] = {
        NAN,   -NAN,   INFINITY, -INFINITY, 0.0,        -0.0,  -1.0, 1e-320,
        1e308, -1e308, DBL_MIN,  1e-9,      1e9,        1e-10, 1e10, 20.0,
        150.0, 150.01, -0.01,    242.39,    -30.614166, 1e200, 5.0,  10.0,
    };
    if (random() % 2)
        return specials[random() % std::size(specials)];
    return std::uniform_real_distribution<double>(-100.0, 1000.0)(random);
}

int32_t GarbageInt(std::mt19937& random) {
    static const int32_t specials[] = {0, 1, -1, 2, 62, 63, 64, INT_MAX, INT_MIN};
    return random() % 2 ? specials[random() % std::size(specials)] : static_cast<int32_t>(random());
}

MeasurementRecord GarbageRecord(std::mt19937& random) {
    MeasurementRecord r;
    double* reals = &r.EtalonMass;
    for (int f = 0; f < 15; ++f)
        reals[f] = Garbage(random);
    r.Flags = static_cast<uint32_t>(random());
    r.MeasuredPulses = GarbageInt(random);
    r.ComparedPulses = GarbageInt(random);
    r.Section = GarbageInt(random);
    r.Line = GarbageInt(random);
    r.Reserved = static_cast<uint32_t>(random());
    return r;
}

// Mostly sound measurements around a few flows, some of them damaged.
TZorDataList RandomList(std::mt19937& random) {
    const int count = std::uniform_int_distribution<int>(0, 40)(random);
    const int damaged = random() % 3 == 0 ? 0 : std::uniform_int_distribution<int>(0, 4)(random);
    std::vector<MeasurementRecord> records;
    for (int i = 0; i < count; ++i) {
        MeasurementRecord r = GarbageRecord(random);
        if (i >= damaged) {
            const double q = std::uniform_int_distribution<int>(1, 8)(random) *
                             (1 + std::uniform_real_distribution<double>(0, 0.02)(random));
            r.EtalonFlow = q;
            r.MeasuredFrequency = q * 10 * (1 + (random() % 3) * 0.003);
            r.Temperature = std::uniform_real_distribution<double>(5, 40)(random);
            r.Flags &= ~RecordFlag::Disabled;
            if (random() % 8 == 0)
                r.Flags |= RecordFlag::Disabled;
        }
        records.push_back(r);
    }
    std::shuffle(records.begin(), records.end(), random);
    for (size_t i = 0; i < records.size(); ++i)
        records[i].Reserved = static_cast<uint32_t>(i);
    return ListOf(records);
}

LineTable GarbageTable(std::mt19937& random) {
    LineTable table = FilledTable();
    for (uint32_t j = 0; j < kMaxLines; ++j) {
        table.A[j] = random() % 2 ? Garbage(random) : 0.1;
        table.B[j] = random() % 2 ? Garbage(random) : 0.0;
        table.Fmax[j] = Garbage(random);
    }
    const uint32_t counts[] = {0, 1, 2, 5, 16, 17, 0xFFFFFFFFu};
    table.LineCount = counts[random() % std::size(counts)];
    return table;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// After a successful step every real of every record is either what it was or
// finite, and every line in use is finite. Records carry their original
// position in Reserved, which the engine never touches.
void ExpectFiniteOrKept(const TZorDataList& after, const TZorDataList& before,
                        const LineTable& lines, const char* step) {
    ASSERT_EQ(after.Count(), before.Count()) << step;
    std::vector<bool> seen(before.Count());
    for (const MeasurementRecord& r : after.Records()) {
        ASSERT_LT(r.Reserved, before.Count()) << step;
        ASSERT_FALSE(seen[r.Reserved]) << step;
        seen[r.Reserved] = true;
        const MeasurementRecord& origin = before.Records()[r.Reserved];
        EXPECT_TRUE(SameBits(origin.EtalonFlow, r.EtalonFlow) &&
                    SameBits(origin.MeasuredFrequency, r.MeasuredFrequency) &&
                    SameBits(origin.Temperature, r.Temperature))
            << step << ": measured values changed";
        const double* reals = &r.EtalonMass;
        const double* old = &origin.EtalonMass;
        for (int f = 0; f < 15; ++f)
            EXPECT_TRUE(SameBits(reals[f], old[f]) || std::isfinite(reals[f]))
                << step << ": field " << f;
    }
    ASSERT_LE(lines.LineCount, kMaxLines) << step;
    for (uint32_t j = 0; j < lines.LineCount; ++j) {
        EXPECT_TRUE(std::isfinite(lines.A[j]) && std::isfinite(lines.B[j]) &&
                    std::isfinite(lines.Fmax[j]))
            << step << ": line " << j;
    }
}

struct Step {
    const char* name;
    std::function<ApproxError(TZorDataList&, ApproxDataList&, LineTable&)> run;
};

TEST(Robustness, DamagedRecordsGiveResultsOrRefusals) {
    std::mt19937 random(12345);
    for (int round = 0; round < 400; ++round) {
        const double h = random() % 6 ? 0.05 : Garbage(random);
        const double delta = random() % 6 ? 0.01 : Garbage(random);
        const double Tpriv = random() % 6 ? 20.0 : Garbage(random);
        const StandardPartition partition{
            h, delta, Tpriv, {GarbageInt(random) % 8, 2, GarbageInt(random), 4}};
        const Step steps[] = {
            {"automatic",
             [&](auto& l, auto& d, auto& t) { return ApproxAutomatic(l, d, t, h, delta, Tpriv); }},
            {"by means",
             [&](auto& l, auto& d, auto& t) { return ApproxManual(l, d, t, h, Tpriv, true); }},
            {"by all",
             [&](auto& l, auto& d, auto& t) { return ApproxManual(l, d, t, h, Tpriv, false); }},
            {"standard",
             [&](auto& l, auto& d, auto& t) { return ApproxStandard(l, d, t, partition); }},
            {"linear", [&](auto& l, auto&, auto& t) { return ApproxLinear(l, t, Tpriv); }},
            {"proportional", [&](auto& l, auto&, auto& t) { return ApproxProportional(l, t); }},
            {"split", [&](auto& l, auto&, auto&) { return SplitSections(l, h, Tpriv); }},
            {"flow sort", [&](auto& l, auto&, auto&) { return SortByReducedFlow(l, Tpriv); }},
            {"frequency sort",
             [&](auto& l, auto&, auto&) { return SortByReducedFrequency(l, Tpriv); }},
        };
        const TZorDataList original = RandomList(random);
        for (const Step& step : steps) {
            TZorDataList list = original;
            ApproxDataList data;
            data.Count = 5;
            LineTable lines = FilledTable();
            const ApproxDataList dataBefore = data;
            const LineTable linesBefore = lines;
            const ApproxError error = step.run(list, data, lines);
            if (error != ApproxError::None) {
                EXPECT_TRUE(SameBytes(list, original)) << step.name << " round " << round;
                EXPECT_TRUE(SameBytes(lines, linesBefore)) << step.name;
                EXPECT_TRUE(SameBytes(data, dataBefore)) << step.name;
                EXPECT_STRNE(ApproxErrorText(error), "");
                continue;
            }
            ExpectFiniteOrKept(list, original, lines, step.name);
            ASSERT_LE(data.Count, kApproxDataCapacity);
            for (uint32_t i = 0; i < data.Count && data.Count != dataBefore.Count; ++i)
                EXPECT_TRUE(std::isfinite(data.Items[i].F) && std::isfinite(data.Items[i].Q));
        }
    }
}

TEST(Robustness, ListServicesOnDamagedRecords) {
    std::mt19937 random(99);
    for (int round = 0; round < 200; ++round) {
        TZorDataList list = RandomList(random);
        const uint32_t n = list.Count();
        for (int id = -1; id <= 20; ++id) {
            for (uint32_t i : {0u, n / 2, n, n + 1}) {
                if (auto text = list.FormatField(i, id)) {
                    EXPECT_FALSE(text->empty());
                }
            }
            uint32_t size = 0;
            list.GetColumn(id, nullptr, size);
            if (void* block = list.GetColumn(id, nullptr, size))
                std::free(block);
            list.RealColumn(id);
            list.IntColumn(id);
        }
        list.FormatColumns(n / 2, 0xFFFFFFFFu);
        int32_t starts[8];
        EXPECT_LE(list.LineStarts(starts), 8u);
        list.CheckOrder();
        list.SortByFlow();
        list.AssignLineNumbers();

        std::array<ApproxDataItem, kApproxDataCapacity> items{};
        EXPECT_LE(SummarizeSections(list, items), kApproxDataCapacity);
        EXPECT_LE(SummarizeSections(list, std::span(items).first(0)), 0u);
        std::vector<SectionRange> bounds;
        if (SectionBounds(list, bounds) == ApproxError::None) {
            EXPECT_LE(bounds.size(), kMaxSections);
        }
        EXPECT_LE(MarkedBreaks(list).size(), kMaxBreakMarks);
        CheckStandardSections(list, static_cast<int>(random() % 16) - 1);
        ApproxDataList data;
        data.Count = static_cast<uint32_t>(random() % 40);
        for (auto& item : data.Items)
            item.Q = Garbage(random);
        CheckApproxDataList(data, static_cast<int>(random() % 16) - 1);

        const uint32_t enabled = list.EnabledCount();
        double a = 0, b = 0;
        for (uint32_t last : {0u, enabled / 2, enabled, enabled + 3}) {
            if (FitLine(list, 0, last, 20.0, random() % 2, a, b) == ApproxError::None) {
                EXPECT_TRUE(std::isfinite(a) && std::isfinite(b));
            }
            CheckLine(list, 0, last, Garbage(random), Garbage(random), Garbage(random),
                      Garbage(random));
        }

        const LineTable table = GarbageTable(random);
        for (auto& r : list.Records()) {
            const MeasurementRecord before = r;
            LineFlow flow{};
            if (FlowAt(table, r.MeasuredFrequency, r.Temperature, 20.0, flow) ==
                ApproxError::None) {
                EXPECT_TRUE(std::isfinite(flow.Flow));
                EXPECT_LT(static_cast<uint32_t>(flow.Line), table.LineCount);
            }
            if (ApplyFlowAt(r, table, 20.0) == ApproxError::None) {
                EXPECT_TRUE(std::isfinite(r.MeasuredFlow) && std::isfinite(r.FlowDeviation));
            } else {
                EXPECT_TRUE(SameBytes(r, before));
            }
        }
    }
}

TEST(Robustness, HundredThousandRecords) {
    std::mt19937 random(5);
    std::vector<MeasurementRecord> records;
    for (int i = 0; i < 100000; ++i) {
        const int s = i % 12 + 1;
        const double F = 12.0 * s * (1 + 0.004 * (random() % 5));
        const double Q = (0.09 * F + 0.02 * s) * (1 + 0.001 * (random() % 7));
        const double T = 15.0 + random() % 10;
        const double k = ViscosityRatio(T, 20.0);
        records.push_back(Point(F / k, Q / k, T));
        records.back().Reserved = static_cast<uint32_t>(i);
    }
    TZorDataList list = ListOf(records);
    ApproxDataList data;
    LineTable lines = FilledTable();

    // One damaged enabled record stops the run and changes nothing.
    list.Item(54321)->MeasuredFrequency = -5.0;
    const TZorDataList before = list;
    EXPECT_EQ(ApproxAutomatic(list, data, lines, 0.05, 0.01, 20.0), ApproxError::BadMeasurement);
    EXPECT_EQ(FindUnusableMeasurement(list, 20.0), 54321);
    EXPECT_TRUE(SameBytes(list, before));

    list.Item(54321)->Flags |= RecordFlag::Disabled;
    ASSERT_EQ(ApproxAutomatic(list, data, lines, 0.05, 0.01, 20.0), ApproxError::None);
    EXPECT_EQ(data.Count, 12u);
    EXPECT_GE(lines.LineCount, 1u);
    ExpectFiniteOrKept(list, before, lines, "automatic");
}

} // namespace
