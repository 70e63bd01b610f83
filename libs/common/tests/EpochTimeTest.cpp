#include "ZorCommon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <random>
#include <string>

namespace {

// POSIX zone rules need no time zone database.
constexpr const char* kMoscow = "MSK-3";
constexpr const char* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

class EpochTime : public testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            saved_ = tz;
    }
    void TearDown() override {
        if (saved_)
            ::setenv("TZ", saved_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    static void Zone(const char* tz) {
        ::setenv("TZ", tz, 1);
        ::tzset();
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(EpochTime, ToDayCountIsLocal) {
    Zone(kMoscow);
    EXPECT_EQ(EpochTimeToDouble(0), 25569.125); // 1970-01-01 03:00 local
    Zone("UTC0");
    EXPECT_EQ(EpochTimeToDouble(0), 25569.0);
    EXPECT_EQ(EpochTimeToDouble(-86400), 25568.0);
    EXPECT_EQ(EpochTimeToDouble(951782400), 36585.0); // 2000-02-29
    // Far from the day count's origin the fraction keeps about 10 significant
    // digits: well under a millisecond.
    constexpr double kMillisecond = 1.0 / 86400000;
    EXPECT_NEAR(EpochTimeToDouble(std::numeric_limits<int32_t>::min()),
                713.0 + (20 * 3600 + 45 * 60 + 52) / 86400.0, kMillisecond); // 1901-12-13 20:45:52
    Zone(kCentralEurope);
    EXPECT_NEAR(EpochTimeToDouble(1626350400), 44392.0 + 14.0 / 24,
                kMillisecond); // 2021-07-15 14:00 CEST
}

TEST_F(EpochTime, FromDayCountIsLocal) {
    Zone(kMoscow);
    EXPECT_EQ(EpochTimeFromDouble(25569.125), 0);
    Zone("UTC0");
    EXPECT_EQ(EpochTimeFromDouble(36585.5), 951782400 + 43200);
}

TEST_F(EpochTime, RoundTripToTheSecond) {
    Zone("UTC0");
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) {
        const auto t = static_cast<int32_t>(rng());
        ASSERT_EQ(EpochTimeFromDouble(EpochTimeToDouble(t)), t);
    }
}

// Summer and winter dates both come back exactly, whatever the season today.
TEST_F(EpochTime, DaylightSavingFollowsTheConvertedDate) {
    Zone(kCentralEurope);
    for (int32_t t : {1626350400, 1626350401, 1610712000, 1610712059}) {
        EXPECT_EQ(EpochTimeFromDouble(EpochTimeToDouble(t)), t) << t;
    }
}

TEST_F(EpochTime, FromDayCountOutOfRange) {
    Zone("UTC0");
    EXPECT_EQ(EpochTimeFromDouble(-109206.0), 0); // before 1601
    EXPECT_EQ(EpochTimeFromDouble(std::nan("")), 0);
    EXPECT_EQ(EpochTimeFromDouble(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(EpochTimeFromDouble(1e9), 0);       // beyond any file time
    EXPECT_EQ(EpochTimeFromDouble(100000.0), -1); // year 2173: past 32-bit seconds
    EXPECT_EQ(EpochTimeFromDouble(0.0), -1);      // 1899: before 32-bit seconds
}

} // namespace
