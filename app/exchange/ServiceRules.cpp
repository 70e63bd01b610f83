#include "exchange/ServiceRules.h"

#include "document/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kSupplyBands[] = {
    "< 3.0 В", "3.0 .. 3.15 В", "3.15 .. 3.3 В", "3.3 .. 3.45 В", "3.45 .. 3.6 В", "> 3.6 В",
};
// The supply byte's low nibble of the lowest band.
constexpr int kSupplyBase = 10;

constexpr double kMaxCompensation = 3.5;
// The calibration byte of 0 °C.
constexpr int kCompensationZero = 7;
constexpr double kHalfDegree = 0.5;

// The flash durations at which the adaptor reads the meter's signal reliably.
constexpr uint32_t kMinGoodFlash = 26;
constexpr uint32_t kMaxGoodFlash = 79;

} // namespace

std::string SupplyMessage(uint8_t supplyByte) {
    int band = (supplyByte & 0x0F) - kSupplyBase;
    if (band < 0 || band >= static_cast<int>(std::size(kSupplyBands)))
        band = 0;
    return std::string("Напряжение батареи: ") + kSupplyBands[band];
}

double SensorTemperature(uint32_t sensorWord) {
    return sensorWord * kHalfDegree;
}

double NormaliseCompensation(double value) {
    if (std::isnan(value))
        return 0.0;
    const double onGrid = std::floor(value * 2.0 + 0.5) * kHalfDegree;
    // + 0.0 turns a negative zero into the zero the window shows as "0.0".
    return std::clamp(onGrid, -kMaxCompensation, kMaxCompensation) + 0.0;
}

double CompensationFromByte(uint32_t tableByte) {
    return NormaliseCompensation((static_cast<double>(tableByte) - kCompensationZero) *
                                 kHalfDegree);
}

std::string ThermoCalibration::Text() const {
    return FormatFixed(value_, 1);
}

AdaptorView AdaptorOpening(int level) {
    return {{}, level, "Уровень: не измерено", AdaptorPicture::NotMeasured};
}

AdaptorView AdaptorTuned(uint32_t version, uint32_t number, int32_t level, uint32_t duration) {
    char versionText[64];
    std::snprintf(versionText, sizeof versionText, "%d ( № %d )", static_cast<int>(version),
                  static_cast<int>(number));
    const bool good = duration >= kMinGoodFlash && duration <= kMaxGoodFlash;
    return {versionText, level, FormatInteger(duration),
            good ? AdaptorPicture::InRange : AdaptorPicture::OutOfRange};
}
