// The data sets of the graph windows and the commands that open them.
#include "charts/ChartData.h"
#include "approx/Water.h"
#include "charts/ChartCommands.h"
#include "document/testing/MessageRecorder.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

MeasurementRecord Record(double F, double Q, double deviation, double T = 20.0,
                         bool disabled = false) {
    MeasurementRecord r = NewMeasurement();
    r.MeasuredFrequency = F;
    r.EtalonFlow = Q;
    r.FlowDeviation = deviation;
    r.Temperature = T;
    if (disabled)
        r.Flags |= RecordFlag::Disabled;
    return r;
}

// Two lines: Q' = 0.1·F' + 0.5 up to 50 Hz, Q' = 0.12·F' − 0.5 above.
LineTable TwoLines() {
    LineTable lines{};
    lines.LineCount = 2;
    lines.A[0] = 0.1;
    lines.B[0] = 0.5;
    lines.Fmax[0] = 50;
    lines.A[1] = 0.12;
    lines.B[1] = -0.5;
    lines.Fmax[1] = 1e200;
    return lines;
}

TEST(ChartDataTest, DocumentDataRecoversTheCharacteristicFromTheStoredDeviation) {
    TZorDataList list;
    list.Add(Record(100, 10, -0.0042));
    list.Add(Record(50, 5, 0.5, 20, true)); // disabled: not drawn
    list.Add(Record(10, 1, 0.01));
    const ChartDataSet data = DocumentDataSet(list);
    ASSERT_EQ(data.Size(), 2u);
    EXPECT_EQ(data.F, (std::vector<double>{100, 10}));
    EXPECT_EQ(data.Q, (std::vector<double>{10, 1}));
    EXPECT_DOUBLE_EQ(data.Qc[0], 10 * (1 - 0.0042));
    EXPECT_DOUBLE_EQ(data.Qc[1], 1.01);
    EXPECT_DOUBLE_EQ(data.E[0], -0.42);
    EXPECT_DOUBLE_EQ(data.E[1], 1.0);
}

TEST(ChartDataTest, FileDataUsesTheCurrentLinesTprivAndEachRecordsTemperature) {
    TZorDataList file;
    // At 10 °C the reduced frequency 55·k ≈ 42 Hz is still on the first line;
    // the file's own deviation plays no part.
    file.Add(Record(55, 6, 0.3, 10));
    file.Add(Record(80, 9, 0.3, 20, true));
    file.Add(Record(80, 9, 0.3, 20));
    const ChartDataSet data = FileDataSet(file, TwoLines(), 20.0);
    ASSERT_EQ(data.Size(), 2u);
    const double k = ViscosityRatio(10, 20);
    ASSERT_LT(55 * k, 50);
    EXPECT_NEAR(data.Qc[0], 0.1 * 55 + 0.5 / k, 1e-12);
    EXPECT_NEAR(data.E[0], 100 * (data.Qc[0] - 6) / 6, 1e-12);
    EXPECT_NEAR(data.Qc[1], 0.12 * 80 - 0.5, 1e-12);

    // Another reference temperature moves the first record onto line two.
    const ChartDataSet warm = FileDataSet(file, TwoLines(), 5.0);
    const double k5 = ViscosityRatio(10, 5);
    ASSERT_GT(55 * k5, 50);
    EXPECT_NEAR(warm.Qc[0], 0.12 * 55 - 0.5 / k5, 1e-12);
}

TEST(ChartDataTest, FileRecordsWithoutAFlowKeepTheirPlaceButAreNotDrawn) {
    TZorDataList file;
    file.Add(Record(55, 0, 0));      // no reference flow: no error
    file.Add(Record(55, 6, 0, 400)); // not a water temperature: no flow
    const ChartDataSet data = FileDataSet(file, TwoLines(), 20.0);
    ASSERT_EQ(data.Size(), 2u);
    EXPECT_TRUE(std::isfinite(data.Qc[0]));
    EXPECT_TRUE(std::isnan(data.E[0]));
    EXPECT_TRUE(std::isnan(data.Qc[1]));
    EXPECT_EQ(SortedPoints(data.Q, data.E).size(), 0u);
    EXPECT_EQ(SortedPoints(data.F, data.Qc).size(), 1u);
}

TEST(ChartDataTest, PointsAscendInXAndKeepTheOrderOfEqualX) {
    const double x[] = {3, 1, 2, 1};
    const double y[] = {30, 10, 20, 11};
    EXPECT_EQ(SortedPoints(x, y), (std::vector<ChartPoint>{{1, 10}, {1, 11}, {2, 20}, {3, 30}}));
}

TEST(ChartDataTest, TitleNamesSerialNumberDiameterAndType) {
    MeterSettings s;
    s.SerNo = 42;
    s.DuIndex = 5;
    s.DevType = 1;
    EXPECT_EQ(ChartTitle(s), "Номер прибора: 00000042,  Ду: 50,  Тип: ГКМС-ТИ1");
}

class ChartCommandTest : public testing::Test {
protected:
    MessageRecorder messages;
    CalibrationDocument doc;
};

TEST_F(ChartCommandTest, WithoutEnabledRecordsNothingHappens) {
    doc.CalibrationList().Add(Record(10, 1, 0, 20, true));
    EXPECT_FALSE(GraphBtnClick(doc));
    EXPECT_FALSE(CompChartItemClick(doc));
    EXPECT_TRUE(messages.Empty());
}

TEST_F(ChartCommandTest, WithoutLinesTheOperatorIsToldToApproximateFirst) {
    doc.CalibrationList().Add(Record(10, 1, 0));
    doc.Params().LineCount = 0;
    EXPECT_FALSE(GraphBtnClick(doc));
    EXPECT_FALSE(CompChartItemClick(doc));
    EXPECT_EQ(
        messages.Messages(),
        (std::vector<RecordedMessage>{
            {MessageKind::Error, "Перед построение графиков надо выполнить аппроксимацию"},
            {MessageKind::Error, "Перед построением графиков надо выполнить аппроксимацию"}}));
}

TEST_F(ChartCommandTest, TheCurrentListOfTheModeIsDrawn) {
    doc.CalibrationList().Add(Record(10, 1, 0));
    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_FALSE(GraphBtnClick(doc)); // the verification list is empty
    doc.VerificationList().Add(Record(20, 2, 0.01));
    doc.VerificationList().Add(Record(30, 3, 0.02));
    const std::optional<GraphStart> start = CompChartItemClick(doc);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->Data.F, (std::vector<double>{20, 30}));
    EXPECT_EQ(start->Title, ChartTitle(doc.Settings()));
    EXPECT_TRUE(messages.Empty());
}

} // namespace
