// The calibration graph: series, graph types and the axis settings.
#include "charts/GraphModel.h"
#include "charts/AxisMath.h"
#include "document/testing/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kBadValue = "Недопустимое значение параметра";

// Three points: F 30, 10, 20 Hz; Q 3, 1, 2 m³/h; errors −0.5, 1.5, 0.2 %.
ChartDataSet ThreePoints() {
    ChartDataSet data;
    data.F = {30, 10, 20};
    data.Q = {3, 1, 2};
    data.Qc = {3 * 0.995, 1.015, 2 * 1.002};
    data.E = {-0.5, 1.5, 0.2};
    return data;
}

// Checks that an automatic axis shows the data range min … max, widened by
// its padding.
void ExpectAutomatic(const AxisLayout& axis, double min, double max) {
    const double pad = kAutomaticPadding * (max - min);
    EXPECT_NEAR(axis.Min, min - pad, 1e-12);
    EXPECT_NEAR(axis.Max, max + pad, 1e-12);
}

class GraphModelTest : public testing::Test {
protected:
    GraphModelTest() { model.ShowGraph(GraphModel::FlowError, ThreePoints()); }

    MessageRecorder messages;
    GraphModel model;
};

TEST_F(GraphModelTest, FlowErrorShowsTheErrorPointsOverTheDataRanges) {
    EXPECT_FALSE(model.Active(GraphModel::Approximation));
    EXPECT_FALSE(model.Active(GraphModel::Etalon));
    EXPECT_TRUE(model.Active(GraphModel::Error));
    EXPECT_EQ(model.Points(GraphModel::Error),
              (std::vector<ChartPoint>{{1, 1.5}, {2, 0.2}, {3, -0.5}}));

    const AxisLayout& bottom = model.BottomAxis();
    EXPECT_EQ(bottom.Title, "Расход, м3/ч");
    ExpectAutomatic(bottom, 1, 3);
    EXPECT_NEAR(bottom.Step, AxisStep(6, 2), 1e-12);
    const AxisLayout& left = model.LeftAxis();
    EXPECT_EQ(left.Title, "Погрешность, %");
    ExpectAutomatic(left, -0.5, 1.5);
    // Automatic axes hand their maxima to the Max edits.
    EXPECT_EQ(model.MaxText(Quantity::Flow), "3");
    EXPECT_EQ(model.MaxText(Quantity::Error), "1.5");
    EXPECT_EQ(model.MaxText(Quantity::Frequency), "0");
}

TEST_F(GraphModelTest, FrequencyFlowShowsTheLineAndTheReferencePoints) {
    model.TypeRadiosClick(0);
    EXPECT_EQ(model.GraphType(), GraphModel::FrequencyFlow);
    EXPECT_TRUE(model.Active(GraphModel::Approximation));
    EXPECT_TRUE(model.Active(GraphModel::Etalon));
    EXPECT_FALSE(model.Active(GraphModel::Error));
    EXPECT_EQ(model.Points(GraphModel::Etalon),
              (std::vector<ChartPoint>{{10, 1}, {20, 2}, {30, 3}}));
    EXPECT_EQ(model.BottomAxis().Title, "Частота, Гц");
    ExpectAutomatic(model.BottomAxis(), 10, 30);
    EXPECT_EQ(model.LeftAxis().Title, "Расход, м3/ч");
    ExpectAutomatic(model.LeftAxis(), 1, 3); // over both series
    EXPECT_EQ(model.MaxText(Quantity::Frequency), "30");
    model.TypeRadiosClick(1);
    EXPECT_EQ(model.GraphType(), GraphModel::FlowError);
}

TEST_F(GraphModelTest, ManualAxesRunFromZeroOrSymmetricallyToMax) {
    model.AutoCheckBoxClick(Quantity::Flow, false);
    ASSERT_TRUE(model.MaxEditCommit(Quantity::Flow, "0").Accepted);
    EXPECT_EQ(model.BottomAxis().Min, 0);
    EXPECT_EQ(model.BottomAxis().Max, 0);

    model.AutoCheckBoxClick(Quantity::Error, false);
    ASSERT_TRUE(model.MaxEditCommit(Quantity::Error, "3").Accepted);
    EXPECT_EQ(model.LeftAxis().Min, -3);
    EXPECT_EQ(model.LeftAxis().Max, 3);
    EXPECT_EQ(model.LeftAxis().Step, 1); // AxisStep(6, 6)
    ASSERT_TRUE(model.MaxEditCommit(Quantity::Error, "1.5").Accepted);
    EXPECT_EQ(model.LeftAxis().Step, 0); // AxisStep(6, 3): the axis picks its own

    // An automatic axis hands its maximum to Max, over what was typed; once
    // unticked the axis starts from that maximum.
    model.AutoCheckBoxClick(Quantity::Flow, true);
    EXPECT_EQ(model.MaxEditCommit(Quantity::Flow, "50").Text, "3");
    ExpectAutomatic(model.BottomAxis(), 1, 3);
    model.AutoCheckBoxClick(Quantity::Flow, false);
    EXPECT_EQ(model.BottomAxis().Max, 3);
    ASSERT_TRUE(model.MaxEditCommit(Quantity::Flow, "50").Accepted);
    EXPECT_EQ(model.BottomAxis().Max, 50);
    EXPECT_EQ(model.BottomAxis().Step, 8); // AxisStep(6, 50)
    EXPECT_TRUE(messages.Empty());
}

TEST_F(GraphModelTest, AMaxThatIsNoNumberIsPutBackSilently) {
    model.AutoCheckBoxClick(Quantity::Flow, false);
    ASSERT_TRUE(model.MaxEditCommit(Quantity::Flow, "7.5").Accepted);
    for (const char* text : {"", "abc", "nan", "-"}) {
        const EditOutcome out = model.MaxEditCommit(Quantity::Flow, text);
        EXPECT_FALSE(out.Accepted) << text;
        EXPECT_EQ(out.Text, "7.5");
        EXPECT_TRUE(out.KeepFocus);
    }
    EXPECT_EQ(model.BottomAxis().Max, 7.5);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(GraphModelTest, DivisionCountsFromThreeToSixteen) {
    const int flowTag = GraphModel::kGridTagBase + 0;
    for (const char* text : {"2", "17", "-1", "x", ""}) {
        const EditOutcome out = model.GridEditCommit(flowTag, text);
        EXPECT_FALSE(out.Accepted) << text;
        EXPECT_EQ(out.Text, "6");
        EXPECT_TRUE(out.KeepFocus);
    }
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(5, kBadValue));
    messages.Clear();

    EXPECT_TRUE(model.GridEditCommit(flowTag, "3").Accepted);
    const EditOutcome sixteen = model.GridEditCommit(GraphModel::kGridTagBase + 2, "16");
    EXPECT_TRUE(sixteen.Accepted);
    EXPECT_EQ(sixteen.Text, "16");
    EXPECT_EQ(model.GridText(Quantity::Flow), "3");
    EXPECT_EQ(model.GridText(Quantity::Error), "16");
    EXPECT_EQ(model.GridText(Quantity::Frequency), "6");
    EXPECT_NEAR(model.BottomAxis().Step, AxisStep(3, 2), 1e-12);
    EXPECT_NEAR(model.LeftAxis().Step, AxisStep(16, 2), 1e-12);
    EXPECT_TRUE(messages.Empty());

    model.GridEditCommit(103, "5");
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error,
                               "Внутренняя ошибка - неверный идентификатор элемента управления"}));
}

TEST_F(GraphModelTest, LogarithmicAxesStayPositive) {
    model.TypeRadiosClick(0);
    model.LogCheckBoxClick(Quantity::Frequency, true);
    EXPECT_TRUE(model.BottomAxis().Logarithmic);
    // Widened by a factor on a logarithmic scale.
    EXPECT_NEAR(model.BottomAxis().Min, 10 / (1 + 2 * kAutomaticPadding), 1e-12);
    EXPECT_NEAR(model.BottomAxis().Max, 30 * (1 + 2 * kAutomaticPadding), 1e-12);
    // A manual logarithmic axis cannot start at 0: it starts at the smallest
    // value drawn.
    model.AutoCheckBoxClick(Quantity::Frequency, false);
    model.MaxEditCommit(Quantity::Frequency, "100");
    EXPECT_EQ(model.BottomAxis().Min, 10);
    EXPECT_EQ(model.BottomAxis().Max, 100);
    // The error axis has no logarithmic scale.
    model.LogCheckBoxClick(Quantity::Error, true);
    EXPECT_FALSE(model.Settings(Quantity::Error).Logarithmic);
}

TEST_F(GraphModelTest, ASingleValueStillGetsARange) {
    ChartDataSet one;
    one.F = {50};
    one.Q = {5};
    one.Qc = {5};
    one.E = {0};
    model.ShowGraph(GraphModel::FlowError, one);
    // A range of the value's own size, or of 1 round 0.
    EXPECT_NEAR(model.BottomAxis().Min, 5 - 5 * kAutomaticPadding, 1e-12);
    EXPECT_NEAR(model.BottomAxis().Max, 5 + 5 * kAutomaticPadding, 1e-12);
    EXPECT_NEAR(model.LeftAxis().Min, -kAutomaticPadding, 1e-12);
    EXPECT_NEAR(model.LeftAxis().Max, kAutomaticPadding, 1e-12);
}

TEST_F(GraphModelTest, SettingsOutliveANewOpening) {
    model.AutoCheckBoxClick(Quantity::Error, false);
    model.MaxEditCommit(Quantity::Error, "2");
    model.GridEditCommit(GraphModel::kGridTagBase + 2, "4");
    model.TypeRadiosClick(0);

    ChartDataSet other = ThreePoints();
    other.E = {5, 6, 7};
    model.ShowGraph(GraphModel::FlowError, other);
    EXPECT_EQ(model.GraphType(), GraphModel::FlowError);
    EXPECT_EQ(model.LeftAxis().Min, -2);
    EXPECT_EQ(model.LeftAxis().Max, 2);
    EXPECT_EQ(model.GridText(Quantity::Error), "4");
    EXPECT_EQ(model.Points(GraphModel::Error).back(), (ChartPoint{3, 5}));
}

} // namespace
