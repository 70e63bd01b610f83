#include "ApproxTestUtil.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace approx_test;

namespace {

constexpr double kH = 0.05;
constexpr double kTpriv = 20.0;

// One measurement per section at the reference temperature: the line over all
// four sections misses by up to 5.3 %, the one over the first three is exact.
std::vector<MeasurementRecord> FourSections() {
    return {Point(40, 4.4), Point(10, 1.0), Point(30, 3.0), Point(20, 2.0)};
}

std::vector<int> Field(const TZorDataList& list, int32_t MeasurementRecord::*field) {
    std::vector<int> values;
    for (const auto& r : list.Records())
        values.push_back(r.*field);
    return values;
}

struct Document {
    TZorDataList list;
    ApproxDataList data;
    LineTable lines = FilledTable();

    explicit Document(const std::vector<MeasurementRecord>& records) : list(ListOf(records)) {
        data.Count = 9;
        data.DuIndex = 3;
    }
};

// A failed run leaves every object of the document exactly as it was.
void ExpectUntouched(const Document& after, const Document& before) {
    EXPECT_TRUE(SameBytes(after.list, before.list));
    EXPECT_TRUE(SameBytes(after.lines, before.lines));
    EXPECT_TRUE(SameBytes(after.data, before.data));
}

TEST(Automatic, LongestLineWithinTheErrorLimit) {
    Document doc(FourSections());
    doc.list.Item(0)->Flags |= RecordFlag::LinePoint;
    ASSERT_EQ(ApproxAutomatic(doc.list, doc.data, doc.lines, kH, 0.01, kTpriv), ApproxError::None);
    ASSERT_EQ(doc.lines.LineCount, 2u);
    EXPECT_NEAR(doc.lines.A[0], 0.1, 1e-12);
    EXPECT_NEAR(doc.lines.B[0], 0.0, 1e-12);
    EXPECT_NEAR(doc.lines.A[1], 0.14, 1e-12);
    EXPECT_NEAR(doc.lines.B[1], -1.2, 1e-12);
    EXPECT_NEAR(doc.lines.Fmax[0], 30.0, 1e-12);
    EXPECT_EQ(doc.lines.Fmax[1], kOpenEnd);
    // Entries beyond the lines and the rest of the record stay.
    EXPECT_EQ(doc.lines.A[2], 102);
    EXPECT_EQ(doc.lines.DuIndex, 4u);

    // Reduced-flow order, the 30 Hz record on line 0, marks cleared.
    EXPECT_EQ(Field(doc.list, &MeasurementRecord::Section), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Field(doc.list, &MeasurementRecord::Line), (std::vector<int>{0, 0, 0, 1}));
    for (const auto& r : doc.list.Records()) {
        EXPECT_FALSE(r.IsLinePoint());
        EXPECT_EQ(r.LineA, doc.lines.A[r.Line]);
        EXPECT_NEAR(r.MeasuredFlow, r.LineA * r.MeasuredFrequency + r.LineB, 1e-12);
        EXPECT_NEAR(r.FlowDeviation, (r.MeasuredFlow - r.EtalonFlow) / r.EtalonFlow, 1e-15);
    }
    EXPECT_NEAR(doc.list.Item(3)->FlowDeviation, 0.0, 1e-12);

    ASSERT_EQ(doc.data.Count, 4u);
    EXPECT_EQ(doc.data.DuIndex, 3u);
    EXPECT_EQ(doc.data.Items[2].FirstIndex, 2u);
    EXPECT_NEAR(doc.data.Items[2].F, 30.0, 1e-12);
    EXPECT_NEAR(doc.data.Items[2].Q, 3.0, 1e-12);
}

TEST(Automatic, LineCounts) {
    struct Case {
        const char* name;
        std::vector<MeasurementRecord> records;
        double delta;
        std::vector<double> fmax; // of all lines but the last
    };
    const Case cases[] = {
        {"one line within the limit", {Point(10, 1.0), Point(20, 2.0), Point(30, 3.01)}, 0.01, {}},
        // The full range fails and sections 0-1 are taken; 1-2 then spans
        // two sections and is taken without a check.
        {"two lines", {Point(10, 1.0), Point(20, 2.0), Point(30, 4.0)}, 0.01, {20}},
        {"two sections", {Point(10, 1.0), Point(20, 3.0)}, 0.0001, {}},
    };
    for (const auto& c : cases) {
        Document doc(c.records);
        ASSERT_EQ(ApproxAutomatic(doc.list, doc.data, doc.lines, kH, c.delta, kTpriv),
                  ApproxError::None)
            << c.name;
        ASSERT_EQ(doc.lines.LineCount, c.fmax.size() + 1) << c.name;
        for (size_t j = 0; j < c.fmax.size(); ++j)
            EXPECT_NEAR(doc.lines.Fmax[j], c.fmax[j], 1e-12) << c.name;
    }
}

TEST(Automatic, DisabledRecordsGetLinesButTakeNoPart) {
    std::vector<MeasurementRecord> records = FourSections();
    MeasurementRecord outlier = Disabled(Point(25, 9.0));
    outlier.Section = 7;
    outlier.SectionFlow = 55;
    records.push_back(outlier);
    Document doc(records);
    ASSERT_EQ(ApproxAutomatic(doc.list, doc.data, doc.lines, kH, 0.01, kTpriv), ApproxError::None);
    EXPECT_EQ(doc.lines.LineCount, 2u);
    EXPECT_NEAR(doc.lines.A[0], 0.1, 1e-12);
    const MeasurementRecord& r = *doc.list.Item(4); // sorted by its flow 9.0
    ASSERT_FALSE(r.IsEnabled());
    EXPECT_EQ(r.Section, 0);
    EXPECT_EQ(r.SectionFlow, 55);
    EXPECT_EQ(r.Line, 0);
    EXPECT_NEAR(r.MeasuredFlow, 2.5, 1e-12);
    EXPECT_NEAR(r.FlowDeviation, (2.5 - 9.0) / 9.0, 1e-12);
}

TEST(Automatic, KeepsAtMost16Summaries) {
    std::vector<MeasurementRecord> records;
    for (int s = 1; s <= 20; ++s)
        records.push_back(Point(10.0 * s, 1.0 * s));
    Document doc(records);
    ASSERT_EQ(ApproxAutomatic(doc.list, doc.data, doc.lines, kH, 0.01, kTpriv), ApproxError::None);
    EXPECT_EQ(doc.lines.LineCount, 1u);
    EXPECT_EQ(doc.data.Count, 16u);
}

TEST(Automatic, Refusals) {
    std::vector<MeasurementRecord> zigzag;
    for (int s = 1; s <= 20; ++s)
        zigzag.push_back(Point(10.0 * s, s * (s % 2 ? 1.0 : 1.02)));
    struct Case {
        const char* name;
        std::vector<MeasurementRecord> records;
        double h, delta, Tpriv;
        ApproxError error;
    };
    const Case cases[] = {
        {"one section",
         {Point(10, 1.0), Point(10.1, 1.01)},
         kH,
         0.01,
         kTpriv,
         ApproxError::TooFewSections},
        {"nothing enabled",
         {Disabled(Point(10, 1))},
         kH,
         0.01,
         kTpriv,
         ApproxError::NoEnabledRecords},
        {"empty", {}, kH, 0.01, kTpriv, ApproxError::NoEnabledRecords},
        // Sorting moves the records before the vertical line shows up.
        {"one frequency",
         {Point(10, 2.0), Point(10, 1.0)},
         kH,
         0.01,
         kTpriv,
         ApproxError::DegenerateFit},
        {"zero frequency",
         {Point(20, 2.0), Point(0, 1.0)},
         kH,
         0.01,
         kTpriv,
         ApproxError::BadMeasurement},
        {"every pair its own line", zigzag, 0.01, 0.001, kTpriv, ApproxError::TooManyLines},
        {"zero error limit", FourSections(), kH, 0.0, kTpriv, ApproxError::BadSetting},
        {"spread above 100 %", FourSections(), 1.5, 0.01, kTpriv, ApproxError::BadSetting},
        {"reference below freezing", FourSections(), kH, 0.01, -1.0, ApproxError::BadSetting},
    };
    for (const auto& c : cases) {
        Document doc(c.records);
        if (doc.list.Count() > 0)
            doc.list.Item(0)->Flags |= RecordFlag::LinePoint;
        const Document before = doc;
        EXPECT_EQ(ApproxAutomatic(doc.list, doc.data, doc.lines, c.h, c.delta, c.Tpriv), c.error)
            << c.name;
        ExpectUntouched(doc, before);
    }
}

TEST(Manual, LinesEndAtMarkedSections) {
    struct Case {
        const char* name;
        std::vector<int> marked; // indexes into the frequency-ordered points
        size_t lines;
    };
    const Case cases[] = {
        {"no marks: one line", {}, 1},
        {"mark in section 2", {2}, 2},
        {"two marks in one section", {2, 3}, 2},
        {"last section marked", {4}, 1},
        {"marks everywhere but the first", {1, 2, 3, 4}, 3},
    };
    for (const auto& c : cases) {
        // Sections: 10 Hz, 20 Hz, 30 Hz (two records), 40 Hz.
        std::vector<MeasurementRecord> records = {Point(10, 1.0), Point(20, 2.0), Point(30, 3.0),
                                                  Point(30.1, 3.01), Point(40, 4.4)};
        for (int i : c.marked)
            records[i] = Marked(records[i]);
        Document doc(records);
        ASSERT_EQ(ApproxManual(doc.list, doc.data, doc.lines, kH, kTpriv, true), ApproxError::None)
            << c.name;
        EXPECT_EQ(doc.lines.LineCount, c.lines) << c.name;
        int marks = 0;
        for (const auto& r : doc.list.Records())
            marks += r.IsLinePoint();
        EXPECT_EQ(marks, static_cast<int>(c.marked.size())) << c.name << ": marks stay";
    }

    // Without marks the line spans all sections.
    Document doc(FourSections());
    ASSERT_EQ(ApproxManual(doc.list, doc.data, doc.lines, kH, kTpriv, true), ApproxError::None);
    EXPECT_NEAR(doc.lines.A[0], 0.105995, 1e-6);
    EXPECT_NEAR(doc.lines.B[0], -0.071942, 1e-6);
}

TEST(Manual, MarkInTheFirstSectionFormsNoLine) {
    // Even with a later mark: the break in section 0 ends the list of lines.
    std::vector<MeasurementRecord> records = FourSections();
    records[1] = Marked(records[1]); // 10 Hz: section 0
    records[2] = Marked(records[2]);
    Document doc(records);
    const Document before = doc;
    ASSERT_EQ(ApproxManual(doc.list, doc.data, doc.lines, kH, kTpriv, true), ApproxError::None);
    EXPECT_EQ(doc.lines.LineCount, 0u);
    EXPECT_EQ(doc.data.Count, 4u) << "the sections are still summarised";
    for (uint32_t n = 0; n < doc.list.Count(); ++n) {
        const MeasurementRecord& r = *doc.list.Item(n);
        const auto old =
            std::find_if(before.list.Records().begin(), before.list.Records().end(),
                         [&](const MeasurementRecord& b) { return b.EtalonFlow == r.EtalonFlow; });
        ASSERT_NE(old, before.list.Records().end());
        EXPECT_EQ(r.Line, old->Line) << "no line to apply";
        EXPECT_EQ(r.MeasuredFlow, old->MeasuredFlow);
        EXPECT_EQ(r.IsLinePoint(), old->IsLinePoint()) << "the marks stay";
    }
}

TEST(Manual, ByAllFitsEveryReducedMeasurement) {
    // Several noisy runs per section at mixed temperatures.
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 0.002);
    std::vector<MeasurementRecord> records;
    for (int s = 1; s <= 6; ++s) {
        for (int run = 0; run < 5; ++run) {
            const double T = 15.0 + 3 * run;
            const double k = ViscosityRatio(T, kTpriv);
            const double F = 15.0 * s * (1 + noise(random));
            const double Q = (0.08 * F + 0.05) * (1 + noise(random));
            records.push_back(Point(F / k, Q / k, T));
        }
    }
    for (const bool byMeans : {true, false}) {
        Document doc(records);
        ASSERT_EQ(ApproxManual(doc.list, doc.data, doc.lines, kH, kTpriv, byMeans),
                  ApproxError::None);
        ASSERT_EQ(doc.lines.LineCount, 1u);
        // The same line as one fit over the whole sorted list.
        double a = 0, b = 0;
        ASSERT_EQ(FitLine(doc.list, 0, doc.list.EnabledCount() - 1, kTpriv, byMeans, a, b),
                  ApproxError::None);
        EXPECT_NEAR(doc.lines.A[0], a, 1e-12 * std::fabs(a)) << byMeans;
        EXPECT_NEAR(doc.lines.B[0], b, 1e-9 * std::fabs(b)) << byMeans;
        EXPECT_NEAR(doc.lines.A[0], 0.08, 0.002);
    }
}

// Seven sections at 10, 20, … 70 Hz with two records each.
std::vector<MeasurementRecord> SevenSections() {
    std::vector<MeasurementRecord> records;
    for (int s = 1; s <= 7; ++s) {
        const double F = 10.0 * s;
        const double Q = 0.1 * F + 0.001 * s * s;
        records.push_back(Point(F, Q));
        records.push_back(Point(F * 1.001, Q * 1.001));
    }
    return records;
}

TEST(Standard, FiveLinesFromFourBreaks) {
    std::vector<MeasurementRecord> records = SevenSections();
    records[11] = Marked(records[11]); // the operator's mark goes
    Document doc(records);
    const StandardPartition partition{0.05, 0.01, 20.0, {1, 2, 3, 4}};
    ASSERT_EQ(ApproxStandard(doc.list, doc.data, doc.lines, partition), ApproxError::None);
    ASSERT_EQ(doc.lines.LineCount, 5u);
    for (int j = 0; j < 4; ++j)
        EXPECT_NEAR(doc.lines.Fmax[j], doc.data.Items[j + 1].F, 1e-12);
    EXPECT_EQ(doc.lines.Fmax[4], kOpenEnd);
    EXPECT_EQ(doc.data.Count, 7u);

    std::vector<int> marked;
    for (uint32_t i = 0; i < doc.list.Count(); ++i)
        if (doc.list.Item(i)->IsLinePoint())
            marked.push_back(static_cast<int>(i));
    EXPECT_EQ(marked, (std::vector<int>{2, 4, 6, 8}));

    // The last line runs over sections 4 … 6 through their means.
    double a = 0, b = 0;
    ASSERT_EQ(FitLine(doc.list, 8, 13, 20.0, true, a, b), ApproxError::None);
    EXPECT_NEAR(doc.lines.A[4], a, 1e-12);
    EXPECT_NEAR(doc.lines.B[4], b, 1e-10);
}

TEST(Standard, BreaksStopAtZeroAndMustNameASection) {
    struct Case {
        std::array<int32_t, 4> breaks;
        ApproxError error;
        uint32_t lines;
    };
    const Case cases[] = {
        {{3, 0, 5, 0}, ApproxError::None, 2},      {{0, 2, 3, 4}, ApproxError::None, 1},
        {{2, 6, 0, 0}, ApproxError::None, 2},      {{4, 2, 0, 0}, ApproxError::None, 3},
        {{1, 7, 0, 0}, ApproxError::BadBreaks, 0}, {{-1, 0, 0, 0}, ApproxError::BadBreaks, 0},
    };
    for (const auto& c : cases) {
        Document doc(SevenSections());
        const Document before = doc;
        const StandardPartition partition{0.05, 0.01, 20.0, c.breaks};
        EXPECT_EQ(ApproxStandard(doc.list, doc.data, doc.lines, partition), c.error)
            << c.breaks[0] << "," << c.breaks[1];
        if (c.error == ApproxError::None) {
            EXPECT_EQ(doc.lines.LineCount, c.lines) << c.breaks[0] << "," << c.breaks[1];
        } else {
            ExpectUntouched(doc, before);
        }
    }
}

TEST(OneLine, LinearFitsAllEnabledRecordsInPlace) {
    const double k30 = ViscosityRatio(30.0, kTpriv);
    Document doc({Point(40, 4.9), Point(10, 1.25), Point(20 / k30, 2.42 / k30, 30.0),
                  Disabled(Point(15, 99))});
    ASSERT_EQ(ApproxLinear(doc.list, doc.lines, kTpriv), ApproxError::None);
    EXPECT_NEAR(doc.lines.A[0], 0.120492, 1e-6);
    EXPECT_NEAR(doc.lines.B[0], 0.039807, 1e-6);
    EXPECT_EQ(doc.lines.Fmax[0], kOpenEnd);
    EXPECT_EQ(doc.lines.LineCount, 1u);
    EXPECT_EQ(doc.lines.A[1], 101);               // beyond the line: kept
    EXPECT_EQ(doc.data.Count, 9u);                // the data list is not the model's
    EXPECT_EQ(doc.list.Item(0)->EtalonFlow, 4.9); // order kept
    for (const auto& r : doc.list.Records()) {
        const double k = ViscosityRatio(r.Temperature, kTpriv);
        EXPECT_EQ(r.Line, 0);
        EXPECT_EQ(r.LineA, doc.lines.A[0]);
        EXPECT_DOUBLE_EQ(r.MeasuredFlow, r.LineA * r.MeasuredFrequency + r.LineB / k);
    }
}

TEST(OneLine, ProportionalIgnoresTemperatures) {
    for (const double T : {20.0, 35.0, 999.0}) {
        Document doc({Point(10, 1.25, T), Point(20, 2.42, T), Point(40, 4.9, T)});
        ASSERT_EQ(ApproxProportional(doc.list, doc.lines), ApproxError::None) << T;
        EXPECT_NEAR(doc.lines.A[0], 0.122789, 1e-6);
        EXPECT_EQ(doc.lines.B[0], 0.0);
        for (const auto& r : doc.list.Records()) {
            EXPECT_EQ(r.LineB, 0.0);
            EXPECT_DOUBLE_EQ(r.MeasuredFlow, doc.lines.A[0] * r.MeasuredFrequency);
        }
    }
    // One record is enough for a line through the origin.
    Document one({Point(10, 1.0)});
    ASSERT_EQ(ApproxProportional(one.list, one.lines), ApproxError::None);
    EXPECT_DOUBLE_EQ(one.lines.A[0], 0.1);
}

TEST(OneLine, Refusals) {
    struct Case {
        const char* name;
        std::vector<MeasurementRecord> records;
        ApproxError linear, proportional;
    };
    const Case cases[] = {
        {"single point", {Point(10, 1)}, ApproxError::DegenerateFit, ApproxError::None},
        {"one frequency",
         {Point(10, 1), Point(10, 2)},
         ApproxError::DegenerateFit,
         ApproxError::None},
        {"nothing enabled",
         {Disabled(Point(10, 1))},
         ApproxError::NoEnabledRecords,
         ApproxError::NoEnabledRecords},
        {"negative flow",
         {Point(10, 1), Point(20, -2)},
         ApproxError::BadMeasurement,
         ApproxError::BadMeasurement},
        {"no temperature",
         {Point(10, 1), Point(20, 2, NAN)},
         ApproxError::BadMeasurement,
         ApproxError::None},
    };
    for (const auto& c : cases) {
        Document doc(c.records);
        const Document before = doc;
        EXPECT_EQ(ApproxLinear(doc.list, doc.lines, kTpriv), c.linear) << c.name;
        if (c.linear != ApproxError::None)
            ExpectUntouched(doc, before);
        Document doc2(c.records);
        const Document before2 = doc2;
        EXPECT_EQ(ApproxProportional(doc2.list, doc2.lines), c.proportional) << c.name;
        if (c.proportional != ApproxError::None)
            ExpectUntouched(doc2, before2);
    }
}

} // namespace
