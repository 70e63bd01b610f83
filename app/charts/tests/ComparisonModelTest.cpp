// The comparative graphs: slots, the check list and the shared axis groups.
#include "charts/ComparisonModel.h"
#include "charts/AxisMath.h"
#include "document/testing/MessageRecorder.h"
#include "files/Calibrn3files.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// n points at frequencies base, 2·base, …; flows a tenth of them; errors
// `error` %.
ChartDataSet Points(int n, double base, double error) {
    ChartDataSet data;
    for (int i = 1; i <= n; ++i) {
        data.F.push_back(base * i);
        data.Q.push_back(base * i / 10);
        data.Qc.push_back(base * i / 10 * (1 + error / 100));
        data.E.push_back(error);
    }
    return data;
}

// The data range an automatic axis shows, before its padding.
std::pair<double, double> DataOf(const AxisLayout& axis) {
    const double span = (axis.Max - axis.Min) / (1 + 2 * kAutomaticPadding);
    return {axis.Min + kAutomaticPadding * span, axis.Max - kAutomaticPadding * span};
}

double DataMax(const AxisLayout& axis) {
    return DataOf(axis).second;
}

class ComparisonModelTest : public testing::Test {
protected:
    ComparisonModelTest() {
        model.Start(Points(3, 10, 0.5));                       // F 10 … 30, Q 1 … 3
        model.AddSlot("/data/meter 2.srv", Points(2, 50, -2)); // F 50 … 100, Q 5 … 10
    }

    MessageRecorder messages;
    ComparisonModel model;
};

TEST_F(ComparisonModelTest, SlotsHoldTheCurrentDocumentAndUpToSevenFiles) {
    ASSERT_EQ(model.SlotCount(), 2);
    EXPECT_EQ(model.Slot(0).Name, "Текущий");
    EXPECT_EQ(model.Slot(1).Name, "meter 2.srv");
    EXPECT_EQ(model.Slot(1).ErrorPoints, (std::vector<ChartPoint>{{5, -2}, {10, -2}}));
    EXPECT_EQ(model.Slot(1).FlowPoints.front().X, 50);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(model.AddSlot("f.srv", Points(1, 1, 0)));
    EXPECT_FALSE(model.AddSlot("ninth.srv", Points(1, 1, 0)));
    EXPECT_EQ(model.SlotCount(), kComparisonSlots);
    // An empty calibration still takes its slot and row.
    model.Release();
    EXPECT_TRUE(model.AddSlot("empty.srv", ChartDataSet{}));
    EXPECT_EQ(model.SlotCount(), 2);
    EXPECT_TRUE(model.Slot(1).ErrorPoints.empty());
}

TEST_F(ComparisonModelTest, TheCheckListHidesFilesButNeverTheCurrentDocument) {
    EXPECT_NEAR(DataMax(model.Axis(CompAxis::ErrorChartFlow)), 10, 1e-12);
    EXPECT_FALSE(model.RowChecked(1, false));
    EXPECT_FALSE(model.Slot(1).Visible);
    // Hidden points leave the automatic ranges of both charts.
    EXPECT_NEAR(DataMax(model.Axis(CompAxis::ErrorChartFlow)), 3, 1e-12);
    EXPECT_NEAR(DataMax(model.Axis(CompAxis::FlowChartFrequency)), 30, 1e-12);
    const AxisLayout error = model.Axis(CompAxis::ErrorChartError); // one value: 0.5 %
    EXPECT_NEAR(error.Min, 0.5 - 0.5 * kAutomaticPadding, 1e-12);
    EXPECT_TRUE(model.RowChecked(1, true));
    EXPECT_TRUE(model.Slot(1).Visible);

    EXPECT_TRUE(model.RowChecked(0, false));
    EXPECT_TRUE(model.Slot(0).Visible);
}

TEST_F(ComparisonModelTest, AutomaticAxesFollowTheDataOfTheirChart) {
    const AxisLayout flow = model.Axis(CompAxis::ErrorChartFlow);
    EXPECT_EQ(flow.Title, "Расход, м3/ч");
    EXPECT_NEAR(flow.Min, 1 - 9 * kAutomaticPadding, 1e-12);
    EXPECT_NEAR(flow.Max, 10 + 9 * kAutomaticPadding, 1e-12);
    EXPECT_EQ(flow.Step, 0); // no division count yet
    const AxisLayout error = model.Axis(CompAxis::ErrorChartError);
    EXPECT_EQ(error.Title, "Погрешность, %");
    EXPECT_NEAR(DataOf(error).first, -2, 1e-12);
    EXPECT_NEAR(DataOf(error).second, 0.5, 1e-12);
    EXPECT_EQ(model.Axis(CompAxis::FlowChartFrequency).Title, "Частота, Гц");
    const AxisLayout characteristic = model.Axis(CompAxis::FlowChartFlow);
    EXPECT_NEAR(DataOf(characteristic).first, 1.005, 1e-12);
    EXPECT_NEAR(DataOf(characteristic).second, 9.8, 1e-12);
}

TEST_F(ComparisonModelTest, MaxSetsTheGroupsAxesOnceTheyAreManual) {
    ASSERT_TRUE(model.MaxEditExit(Quantity::Error, "2").Accepted);
    EXPECT_NEAR(DataMax(model.Axis(CompAxis::ErrorChartError)), 0.5, 1e-12); // still automatic
    model.AutoCheckBoxClick(Quantity::Error, false);
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartError).Min, -2);
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartError).Max, 2);

    // Unticked, the flow axes keep the ranges they showed; Max moves both
    // tops.
    const AxisLayout shown = model.Axis(CompAxis::ErrorChartFlow);
    model.AutoCheckBoxClick(Quantity::Flow, false);
    model.RowChecked(1, false);
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartFlow).Min, shown.Min);
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartFlow).Max, shown.Max);
    ASSERT_TRUE(model.MaxEditExit(Quantity::Flow, "20").Accepted);
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartFlow).Min, shown.Min);
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartFlow).Max, 20);
    EXPECT_EQ(model.Axis(CompAxis::FlowChartFlow).Max, 20);

    const EditOutcome bad = model.MaxEditExit(Quantity::Flow, "много");
    EXPECT_FALSE(bad.Accepted);
    EXPECT_EQ(bad.Text, "");
    EXPECT_TRUE(bad.KeepFocus);
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartFlow).Max, 20);
    // The emptied edit can be left: it changes nothing.
    const EditOutcome blank = model.MaxEditExit(Quantity::Flow, "");
    EXPECT_FALSE(blank.KeepFocus);
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartFlow).Max, 20);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(ComparisonModelTest, DivisionsFromFourToFifteenGiveGridIncrements) {
    for (const char* text : {"3", "16", "-4", "abc"}) {
        const EditOutcome out = model.GridEditExit(Quantity::Flow, text);
        EXPECT_FALSE(out.Accepted) << text;
        EXPECT_EQ(out.Text, "");
        EXPECT_TRUE(out.KeepFocus);
    }
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(4, "Недопустимое значение параметра"));
    messages.Clear();
    EXPECT_FALSE(model.GridEditExit(Quantity::Flow, " ").KeepFocus); // left empty: no change
    EXPECT_TRUE(messages.Empty());

    ASSERT_TRUE(model.GridEditExit(Quantity::Flow, "4").Accepted);
    EXPECT_EQ(model.GridEditExit(Quantity::Flow, "20").Text, "4"); // the last count comes back
    messages.Clear();
    // Each flow axis from its own maximum (before the automatic padding).
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartFlow).Step, GridIncrement(4, 10));
    EXPECT_EQ(model.Axis(CompAxis::FlowChartFlow).Step, GridIncrement(4, 9.8));
    ASSERT_TRUE(model.GridEditExit(Quantity::Error, "15").Accepted);
    model.AutoCheckBoxClick(Quantity::Error, false);
    model.MaxEditExit(Quantity::Error, "7.5");
    EXPECT_EQ(model.Axis(CompAxis::ErrorChartError).Step, 1); // GridIncrement(15, 15)
    EXPECT_TRUE(messages.Empty());
}

TEST_F(ComparisonModelTest, LogarithmicFlowActsOnBothFlowAxes) {
    model.LogCheckBoxClick(Quantity::Flow, true);
    EXPECT_TRUE(model.Axis(CompAxis::ErrorChartFlow).Logarithmic);
    EXPECT_TRUE(model.Axis(CompAxis::FlowChartFlow).Logarithmic);
    EXPECT_FALSE(model.Axis(CompAxis::FlowChartFrequency).Logarithmic);
    model.LogCheckBoxClick(Quantity::Error, true);
    EXPECT_FALSE(model.Axis(CompAxis::ErrorChartError).Logarithmic);
}

// Calibration files in a folder of their own.
class ComparisonFileTest : public testing::Test {
protected:
    ComparisonFileTest() {
        std::filesystem::create_directories(folder_);
        lines_.LineCount = 1;
        lines_.A[0] = 0.1;
        lines_.B[0] = 0.0;
        lines_.Fmax[0] = 1e200;
        model.Start(Points(1, 10, 0));
    }
    ~ComparisonFileTest() override { std::filesystem::remove_all(folder_); }

    // A file with one calibration record per frequency (reference flow
    // F/10 + 1 at 10 °C) and, for good measure, its own Tpriv, lines and
    // verification records, none of which may count.
    std::string File(const std::string& name, std::vector<double> frequencies,
                     bool disabled = false) {
        TZorDataList calibration, verification;
        for (const double f : frequencies) {
            MeasurementRecord r = NewMeasurement();
            r.MeasuredFrequency = f;
            r.EtalonFlow = f / 10 + 1;
            r.Temperature = 10;
            r.FlowDeviation = 0.5;
            if (disabled)
                r.Flags |= RecordFlag::Disabled;
            calibration.Add(r);
            verification.Add(r);
        }
        MeterSettings settings;
        settings.Tpriv = 5;
        LineTable own{};
        own.LineCount = 1;
        own.A[0] = 7;
        own.Fmax[0] = 1e200;
        const std::string path = (folder_ / name).string();
        EXPECT_EQ(WriteCalibrationFile(path, settings, &calibration, &own, &verification),
                  WriteOutcome::Written);
        return path;
    }

    std::filesystem::path folder_ =
        std::filesystem::temp_directory_path() / ("lgm-compare-" + std::to_string(getpid()));
    LineTable lines_{};
    MessageRecorder messages;
    ComparisonModel model;
};

TEST_F(ComparisonFileTest, FilesAreEvaluatedWithTheCurrentCharacteristic) {
    ASSERT_TRUE(model.LoadFile(File("a.srv", {20, 10}), lines_, 20.0));
    ASSERT_EQ(model.SlotCount(), 2);
    const ComparisonSlot& slot = model.Slot(1);
    EXPECT_EQ(slot.Name, "a.srv");
    ASSERT_EQ(slot.FlowPoints.size(), 2u);
    // Q = 0.1·F + 0/k: the current lines at the current Tpriv and the
    // record's own temperature.
    EXPECT_EQ(slot.FlowPoints[0].X, 10);
    EXPECT_NEAR(slot.FlowPoints[0].Y, 1.0, 1e-12);
    EXPECT_NEAR(slot.ErrorPoints[0].Y, 100 * (1.0 - 2.0) / 2.0, 1e-12);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(ComparisonFileTest, DisabledOrVerificationOnlyFilesTakeAnEmptySlot) {
    ASSERT_TRUE(model.LoadFile(File("off.srv", {10, 20}, true), lines_, 20.0));
    TZorDataList none, verification;
    verification.Add(NewMeasurement());
    const std::string path = (folder_ / "pov.srv").string();
    ASSERT_EQ(WriteCalibrationFile(path, MeterSettings{}, &none, nullptr, &verification),
              WriteOutcome::Written);
    ASSERT_TRUE(model.LoadFile(path, lines_, 20.0));
    ASSERT_EQ(model.SlotCount(), 3);
    EXPECT_TRUE(model.Slot(1).FlowPoints.empty());
    EXPECT_TRUE(model.Slot(2).ErrorPoints.empty());
}

TEST_F(ComparisonFileTest, SevenFilesAtMost) {
    for (int i = 0; i < 10; ++i) {
        const bool added = model.LoadFile(File(std::to_string(i) + ".srv", {10}), lines_, 20.0);
        EXPECT_EQ(added, i < kComparisonFiles) << i;
    }
    EXPECT_EQ(model.SlotCount(), 8);
    EXPECT_EQ(model.Slot(7).Name, "6.srv");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(ComparisonFileTest, AFileThatCannotBeReadStopsWithItsName) {
    const std::string missing = (folder_ / "missing.srv").string();
    EXPECT_FALSE(model.LoadFile(missing, lines_, 20.0));
    const std::string truncated = File("short.srv", {10, 20});
    std::filesystem::resize_file(truncated, std::filesystem::file_size(truncated) - 1);
    EXPECT_FALSE(model.LoadFile(truncated, lines_, 20.0));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{
                                    "Ошибка при импорте из " + missing + "\nФункция прервана",
                                    "Ошибка при импорте из " + truncated + "\nФункция прервана"}));
    EXPECT_EQ(model.SlotCount(), 1);
}

} // namespace
