#include "ApproxTestUtil.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace approx_test;

namespace {

TEST(LineFit, MinimisesRelativeFlowErrors) {
    const TZorDataList list = ListOf({Point(10, 1.25), Point(20, 2.42), Point(40, 4.9)});
    double a = 0, b = 0;
    ASSERT_EQ(FitLine(list, 0, 2, 20.0, false, a, b), ApproxError::None);
    EXPECT_NEAR(a, 0.120492, 1e-6);
    EXPECT_NEAR(b, 0.039807, 1e-6);
    const double errors[] = {-0.0042, 0.0123, -0.0083};
    for (uint32_t i = 0; i < 3; ++i) {
        const MeasurementRecord& r = *list.Item(i);
        EXPECT_NEAR((a * r.MeasuredFrequency + b - r.EtalonFlow) / r.EtalonFlow, errors[i], 1e-4);
    }
}

TEST(LineFit, ByMeansUsesTheSectionMeans) {
    MeasurementRecord r1 = Point(999, 999);
    r1.SectionFlow = 1.0;
    r1.SectionFrequency = 10.0;
    MeasurementRecord r2 = r1;
    r2.SectionFlow = 2.0;
    r2.SectionFrequency = 20.0;
    const TZorDataList list = ListOf({r1, r2});
    double a = 0, b = 0;
    ASSERT_EQ(FitLine(list, 0, 1, 20.0, true, a, b), ApproxError::None);
    EXPECT_NEAR(a, 0.1, 1e-12);
    EXPECT_NEAR(b, 0.0, 1e-12);
}

TEST(LineFit, Refusals) {
    struct Case {
        const char* name;
        std::vector<MeasurementRecord> records;
        uint32_t first, last;
        bool byMeans;
        ApproxError error;
    };
    const Case cases[] = {
        {"single point", {Point(10, 1)}, 0, 0, false, ApproxError::DegenerateFit},
        {"one frequency", {Point(10, 1), Point(10, 2)}, 0, 1, false, ApproxError::DegenerateFit},
        {"means of one section",
         {Point(10, 1), Point(11, 1.1)},
         0,
         1,
         true,
         ApproxError::BadMeasurement}, // no sections formed: means are 0
        {"reversed range", {Point(10, 1), Point(20, 2)}, 1, 0, false, ApproxError::BadRange},
        {"beyond the list", {Point(10, 1), Point(20, 2)}, 0, 2, false, ApproxError::BadRange},
        {"disabled is not counted",
         {Point(10, 1), Disabled(Point(20, 2))},
         0,
         1,
         false,
         ApproxError::BadRange},
        {"zero flow", {Point(10, 0), Point(20, 2)}, 0, 1, false, ApproxError::BadMeasurement},
        {"no temperature",
         {Point(10, 1, NAN), Point(20, 2)},
         0,
         1,
         false,
         ApproxError::BadMeasurement},
    };
    for (const auto& c : cases) {
        double a = 7, b = 8;
        EXPECT_EQ(FitLine(ListOf(c.records), c.first, c.last, 20.0, c.byMeans, a, b), c.error)
            << c.name;
        EXPECT_EQ(a, 7) << c.name;
        EXPECT_EQ(b, 8) << c.name;
    }
}

TEST(LineFit, CheckLineLimitIsInclusive) {
    // Q = 0.5·8.5 = 4.25 against 4: exactly 6.25 % off.
    const TZorDataList list = ListOf({Point(8.5, 4.0), Point(10, 5.0)});
    EXPECT_TRUE(CheckLine(list, 0, 1, 20.0, 0.5, 0.0, 0.0625));
    EXPECT_FALSE(CheckLine(list, 0, 1, 20.0, 0.5, 0.0, 0.0624));
    EXPECT_TRUE(CheckLine(list, 1, 1, 20.0, 0.5, 0.0, 0.0));
    EXPECT_FALSE(CheckLine(list, 0, 2, 20.0, 0.5, 0.0, 1.0));
    EXPECT_FALSE(CheckLine(list, 0, 1, 20.0, NAN, 0.0, 1.0));
}

TEST(LineFit, CheckLineReadsTheLineAtTheRecordsTemperature) {
    // The line is written for 20 °C; at 30 °C it gives Q = a·F + b/k.
    const double k = ViscosityRatio(30.0, 20.0);
    const double a = 0.1, b = 0.5;
    const TZorDataList list = ListOf({Point(10, a * 10 + b / k, 30.0)});
    EXPECT_TRUE(CheckLine(list, 0, 0, 20.0, a, b, 1e-12));
    EXPECT_FALSE(CheckLine(list, 0, 0, 20.0, a, b * 1.01, 1e-4));
}

LineTable ThreeLines() {
    LineTable table{};
    table.LineCount = 3;
    const double a[] = {0.1, 0.12, 0.14}, b[] = {0.0, -0.2, -0.6}, fmax[] = {20, 30, kOpenEnd};
    for (int j = 0; j < 3; ++j) {
        table.A[j] = a[j];
        table.B[j] = b[j];
        table.Fmax[j] = fmax[j];
    }
    table.Fmax[3] = 1.0; // beyond LineCount: never looked at
    return table;
}

TEST(FlowAt, PicksTheLineByReducedFrequency) {
    const LineTable table = ThreeLines();
    struct Case {
        double F, T;
        int line;
    };
    const double k30 = ViscosityRatio(30.0, 20.0);
    const Case cases[] = {
        {5, 20, 0},       {20, 20, 0}, // a limit belongs to the lower line
        {20.0001, 20, 1}, {30, 20, 1},         {1e6, 20, 2},
        {-5, 20, 0},      {19.9 / k30, 30, 0}, {20.1 / k30, 30, 1},
    };
    for (const auto& c : cases) {
        LineFlow out{};
        ASSERT_EQ(FlowAt(table, c.F, c.T, 20.0, out), ApproxError::None) << c.F;
        EXPECT_EQ(out.Line, c.line) << c.F;
        const double k = ViscosityRatio(c.T, 20.0);
        EXPECT_DOUBLE_EQ(out.Flow, table.A[c.line] * c.F + table.B[c.line] / k) << c.F;
    }
}

TEST(FlowAt, Refusals) {
    LineTable table = ThreeLines();
    LineFlow out{1.5, 7};
    EXPECT_EQ(FlowAt(table, NAN, 20, 20, out), ApproxError::BadMeasurement);
    EXPECT_EQ(FlowAt(table, 10, 200, 20, out), ApproxError::BadMeasurement);
    EXPECT_EQ(FlowAt(table, 10, 20, NAN, out), ApproxError::BadSetting);
    table.A[0] = NAN;
    EXPECT_EQ(FlowAt(table, 10, 20, 20, out), ApproxError::NoLines);
    for (uint32_t count : {0u, 17u, 0xFFFFFFFFu}) {
        table.LineCount = count;
        EXPECT_EQ(FlowAt(table, 10, 20, 20, out), ApproxError::NoLines) << count;
    }
    EXPECT_EQ(out.Flow, 1.5);
    EXPECT_EQ(out.Line, 7);
}

TEST(FlowAt, ApplyFlowAtWritesFlowLineAndDeviation) {
    const LineTable table = ThreeLines();
    MeasurementRecord r = Point(25, 2.5);
    r.LineA = 9;
    ASSERT_EQ(ApplyFlowAt(r, table, 20.0), ApproxError::None);
    EXPECT_DOUBLE_EQ(r.MeasuredFlow, 0.12 * 25 - 0.2);
    EXPECT_EQ(r.Line, 1);
    EXPECT_DOUBLE_EQ(r.FlowDeviation, (r.MeasuredFlow - 2.5) / 2.5);
    EXPECT_EQ(r.LineA, 9); // coefficients stay

    MeasurementRecord unset = Point(25, 0);
    ASSERT_EQ(ApplyFlowAt(unset, table, 20.0), ApproxError::None);
    EXPECT_EQ(unset.FlowDeviation, 0.0);

    MeasurementRecord hot = Point(25, 2.5, 500);
    const MeasurementRecord before = hot;
    EXPECT_EQ(ApplyFlowAt(hot, table, 20.0), ApproxError::BadMeasurement);
    EXPECT_TRUE(SameBytes(hot, before));
}

} // namespace
