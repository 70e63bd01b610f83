// Seconds since 1970 UTC <-> the local day count (days since 1899-12-30, time
// of day as the fraction) that the calibration documents keep their dates in.
#include "ZorCommon.h"

#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>

namespace {

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Date {
    int64_t year;
    unsigned month;
    unsigned day;
};

constexpr Date CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

// The day count is anchored on the operating system's file time: 100 ns ticks
// since 1601-01-01, which lies 109205 days before 1899-12-30.
constexpr int64_t kFileTimeEpoch = DaysFromCivil(1601, 1, 1);
constexpr double kDayCountToFileTimeDays = 109205.0;
constexpr double kTicksPerDay = 864000000000.0;
constexpr int64_t kTicksPerSecond = 10000000;
constexpr double kMsPerDay = 86400000.0;
constexpr int64_t kSecondsPerDay = 86400;
// File times are signed 64-bit tick counts.
constexpr double kMaxFileTimeTicks = 9223372036854775807.0;

static_assert(DaysFromCivil(1899, 12, 30) - kFileTimeEpoch == 109205);
static_assert(CivilFromDays(DaysFromCivil(2024, 2, 29)).day == 29);

} // namespace

double EpochTimeToDouble(int32_t seconds) {
    const std::time_t t = seconds;
    std::tm local{};
    if (!::localtime_r(&t, &local) || local.tm_sec > 59)
        return 0.0;
    const int64_t days =
        DaysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday) - kFileTimeEpoch;
    if (days < 0)
        return 0.0;
    const int64_t ticks =
        (days * kSecondsPerDay + local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) *
        kTicksPerSecond;
    return static_cast<double>(ticks) / kTicksPerDay - kDayCountToFileTimeDays;
}

int32_t EpochTimeFromDouble(double days) {
    if (!std::isfinite(days))
        return 0;
    const double sinceFileTimeEpoch = days + kDayCountToFileTimeDays;
    const double ticks = sinceFileTimeEpoch * kTicksPerDay;
    if (ticks < 0.0 || ticks >= kMaxFileTimeTicks)
        return 0;
    // A day count carries a whole second only to within a fraction of a
    // millisecond; taking it to the nearest millisecond before dropping the
    // milliseconds keeps 12:00:01 from becoming 12:00:00.
    const int64_t ms = std::llround(sinceFileTimeEpoch * kMsPerDay);
    const int64_t secondsSinceFileTimeEpoch = ms / 1000;
    const Date date = CivilFromDays(secondsSinceFileTimeEpoch / kSecondsPerDay + kFileTimeEpoch);
    const int64_t secondOfDay = secondsSinceFileTimeEpoch % kSecondsPerDay;

    std::tm local{};
    local.tm_year = static_cast<int>(date.year - 1900);
    local.tm_mon = static_cast<int>(date.month) - 1;
    local.tm_mday = static_cast<int>(date.day);
    local.tm_hour = static_cast<int>(secondOfDay / 3600);
    local.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    local.tm_sec = static_cast<int>(secondOfDay % 60);
    // Whether summer time applies is a property of the date converted, not of
    // today: let the time zone rules decide.
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t < std::numeric_limits<int32_t>::min() || t > std::numeric_limits<int32_t>::max())
        return -1;
    return static_cast<int32_t>(t);
}
