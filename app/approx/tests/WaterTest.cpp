#include "approx/Water.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(Water, ViscosityRatio) {
    EXPECT_NEAR(KinematicViscosity(20.0), 1.00471e-06, 1e-11);
    EXPECT_EQ(ViscosityRatio(20.0, 20.0), 1.0);
    EXPECT_NEAR(ViscosityRatio(10.0, 20.0), 0.76790, 1e-5);
    EXPECT_NEAR(ViscosityRatio(30.0, 20.0), 1.25396, 1e-5);
}

TEST(Water, DensityAtAtmosphericPressure) {
    struct Case {
        double T, rho;
    };
    // Reference values of air-free water, kg/L.
    for (const Case c : {Case{4, 0.999975}, Case{20, 0.998207}, Case{30, 0.995649}}) {
        const auto rho = WaterDensity(c.T, kAtmosphericPressure);
        ASSERT_TRUE(rho) << c.T;
        EXPECT_NEAR(*rho, c.rho, 2e-6) << c.T;
    }
    // Densest near 4 °C, lighter when warmer.
    EXPECT_GT(*WaterDensity(4, kAtmosphericPressure), *WaterDensity(0, kAtmosphericPressure));
    EXPECT_GT(*WaterDensity(4, kAtmosphericPressure), *WaterDensity(10, kAtmosphericPressure));
    EXPECT_GT(*WaterDensity(20, kAtmosphericPressure), *WaterDensity(90, kAtmosphericPressure));
}

TEST(Water, CompressibilityRaisesDensity) {
    // About 0.046 % more dense per MPa at 20 °C.
    const double atmospheric = *WaterDensity(20, kAtmosphericPressure);
    const double oneMPa = *WaterDensity(20, 1.0 + kAtmosphericPressure);
    EXPECT_NEAR(oneMPa / atmospheric - 1.0, 4.59e-4, 2e-6);
}

TEST(Water, RefusesWhatIsNotWater) {
    for (double T : {-0.1, 150.1, double(NAN), double(INFINITY), -double(INFINITY)}) {
        EXPECT_FALSE(IsWaterTemperature(T)) << T;
        EXPECT_FALSE(WaterDensity(T, kAtmosphericPressure)) << T;
    }
    for (double T : {0.0, 5.0, 150.0})
        EXPECT_TRUE(IsWaterTemperature(T)) << T;
    for (double p : {0.0, -1.0, 100.5, double(NAN), double(INFINITY)})
        EXPECT_FALSE(WaterDensity(20, p)) << p;
}

} // namespace
