// The round increments of both graph windows.
#include "charts/AxisMath.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct StepCase {
    uint32_t Divisions;
    double Range;
    double Step;
};

TEST(AxisStepTest, RoundsToTheDecadeOfRangePerDivision) {
    const StepCase cases[] = {
        {6, 42, 7},     // s = 7
        {6, 150, 20},   // s = 25 rounds down within the tens
        {6, 1.8, 0.3},  // s = 0.3 in tenths
        {6, 0.48, 0},   // s = 0.08 rounds to no tenth: the axis picks its own
        {6, 6, 1},      // the error axis at ±3
        {6, 3, 0},      // the error axis at ±1.5: s = 0.5 in units gives 0
        {3, 1000, 300}, // s = 333.3
        {16, 160, 10},
    };
    for (const StepCase& c : cases)
        EXPECT_NEAR(AxisStep(c.Divisions, c.Range), c.Step, 1e-12)
            << c.Range << " / " << c.Divisions;
}

TEST(GridIncrementTest, RoundsToQuarterStepsOfTheDecade) {
    const StepCase cases[] = {
        {7, 100, 10}, // e = 14.3
        {4, 5, 1},    // e = 1.25
        {4, 0.2, 0},  // e = 0.05: no whole tenth
        {4, 3.6, 1},  // e = 0.9: still counted in units
        {15, 1500, 100},
    };
    for (const StepCase& c : cases)
        EXPECT_NEAR(GridIncrement(c.Divisions, c.Range), c.Step, 1e-12)
            << c.Range << " / " << c.Divisions;
}

TEST(OwnStepTest, OneTwoOrFiveTimesADecadeNearAFifthOfTheRange) {
    const StepCase cases[] = {{0, 10, 2},      {0, 2.4, 0.5}, {0, 0.33, 0.1},
                              {0, 4200, 1000}, {0, 5, 1},     {0, 0, 0}};
    for (const StepCase& c : cases)
        EXPECT_NEAR(OwnStep(c.Range), c.Step, 1e-12) << c.Range;
}

TEST(AxisStepTest, RangesWithoutAPositiveStepGiveZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double range : {0.0, -5.0, nan, inf}) {
        EXPECT_EQ(AxisStep(6, range), 0.0) << range;
        EXPECT_EQ(GridIncrement(6, range), 0.0) << range;
    }
    EXPECT_EQ(AxisStep(0, 10), 0.0);
    EXPECT_EQ(GridIncrement(0, 10), 0.0);
}

} // namespace
