// What the service windows show for the meter's values.
#include "exchange/ServiceRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ServiceRulesTest, SupplyByteGivesItsVoltageBand) {
    const struct {
        uint8_t byte;
        const char* band;
    } cases[] = {
        {0x1C, "3.15 .. 3.3 В"}, {0x05, "< 3.0 В"},       {0x0A, "< 3.0 В"},
        {0x0B, "3.0 .. 3.15 В"}, {0x0D, "3.3 .. 3.45 В"}, {0x0E, "3.45 .. 3.6 В"},
        {0xFF, "> 3.6 В"},       {0xC8, "< 3.0 В"},       {0x00, "< 3.0 В"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SupplyMessage(c.byte), std::string("Напряжение батареи: ") + c.band)
            << int(c.byte);
}

TEST(ServiceRulesTest, CompensationIsKeptOnTheHalfDegreeGrid) {
    const struct {
        double value;
        const char* shown;
    } cases[] = {
        {0.24, "0.0"},   {0.25, "0.5"}, {-3.6, "-3.5"}, {3.74, "3.5"},  {-0.24, "0.0"},
        {-0.26, "-0.5"}, {1.0, "1.0"},  {100.0, "3.5"}, {-1e9, "-3.5"},
    };
    for (const auto& c : cases) {
        ThermoCalibration calibration;
        calibration.Set(c.value);
        EXPECT_EQ(calibration.Text(), c.shown) << c.value;
    }
    ThermoCalibration nan;
    nan.Set(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(nan.Text(), "0.0");
}

TEST(ServiceRulesTest, SpinButtonsStopAtTheEnds) {
    ThermoCalibration calibration;
    for (int i = 0; i < 8; ++i)
        calibration.Up();
    EXPECT_EQ(calibration.Value(), 3.5);
    for (int i = 0; i < 15; ++i)
        calibration.Down();
    EXPECT_EQ(calibration.Value(), -3.5);
    calibration.Reset();
    calibration.Down();
    EXPECT_EQ(calibration.Text(), "-0.5");
}

TEST(ServiceRulesTest, CompensationByteCountsHalfDegreesAboveTheLowestEnd) {
    const struct {
        uint32_t byte;
        double value;
    } cases[] = {{7, 0.0}, {0, -3.5}, {15, 3.5}, {200, 3.5}, {8, 0.5}, {1, -3.0}, {14, 3.5}};
    for (const auto& c : cases)
        EXPECT_EQ(CompensationFromByte(c.byte), c.value) << c.byte;
}

TEST(ServiceRulesTest, SensorWordIsInHalfDegrees) {
    EXPECT_EQ(SensorTemperature(45), 22.5);
    EXPECT_EQ(SensorTemperature(0), 0.0);
}

TEST(ServiceRulesTest, AdaptorIndicatorShowsWhetherTheFlashIsUsable) {
    const AdaptorView opening = AdaptorOpening(2);
    EXPECT_EQ(opening.Level, 2);
    EXPECT_EQ(opening.Hint, "Уровень: не измерено");
    EXPECT_EQ(opening.Picture, AdaptorPicture::NotMeasured);
    EXPECT_TRUE(opening.VersionText.empty());

    const AdaptorView manual = AdaptorTuned(3, 17, 1, 26);
    EXPECT_EQ(manual.VersionText, "3 ( № 17 )");
    EXPECT_EQ(manual.Level, 1);
    EXPECT_EQ(manual.Hint, "26");
    EXPECT_EQ(manual.Picture, AdaptorPicture::InRange);

    EXPECT_EQ(AdaptorTuned(3, 17, -1, 90).Picture, AdaptorPicture::OutOfRange);
    EXPECT_EQ(AdaptorTuned(3, 17, 3, 79).Picture, AdaptorPicture::InRange);
    EXPECT_EQ(AdaptorTuned(3, 17, 3, 80).Picture, AdaptorPicture::OutOfRange);
    EXPECT_EQ(AdaptorTuned(3, 17, 3, 25).Picture, AdaptorPicture::OutOfRange);
}

} // namespace
