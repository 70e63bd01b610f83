// What the service windows show for the values a meter reports: the battery
// voltage, the temperature sensor and its calibration, the adaptor's
// threshold tuning.
#pragma once

#include <cstdint>
#include <string>

// --- Battery ("Тест питания...") ----------------------------------------------
// The message for the meter's supply byte: its low nibble minus 10 is one of
// six voltage bands; anything else counts as the lowest band.
std::string SupplyMessage(uint8_t supplyByte);

// --- Temperature sensor ("Термодатчик...") ----------------------------------------
// The sensor reports half degrees Celsius.
double SensorTemperature(uint32_t sensorWord);

// The calibration value on its grid: rounded to 0.5 °C and kept within
// -3.5 … +3.5 °C. A value that is not a number becomes 0.
double NormaliseCompensation(double value);
// The meter keeps the calibration as a count of half degrees above -3.5 °C.
double CompensationFromByte(uint32_t tableByte);

// The calibration value of the thermo window: always normalised.
class ThermoCalibration {
public:
    double Value() const { return value_; }
    void Set(double value) { value_ = NormaliseCompensation(value); }
    void Reset() { value_ = 0.0; }
    // The spin buttons: half a degree up or down.
    void Up() { Set(value_ + kStep); }
    void Down() { Set(value_ - kStep); }
    // "%.1f"
    std::string Text() const;

    static constexpr double kStep = 0.5;

private:
    double value_ = 0.0;
};

// --- Adaptor ("Настройки адаптера...") ---------------------------------------------
// The indicator's pictures.
enum class AdaptorPicture { NotMeasured = 0, OutOfRange = 1, InRange = 2 };

// The level the adaptor window opens with when the program starts.
inline constexpr int kDefaultAdaptorLevel = 2;
// The threshold positions of the adaptor.
inline constexpr int kMaxAdaptorLevel = 3;

// What the adaptor window shows.
struct AdaptorView {
    std::string VersionText; // "%d ( № %d )" of the adaptor's version and number
    int Level = kDefaultAdaptorLevel;
    std::string Hint; // the indicator's hint
    AdaptorPicture Picture = AdaptorPicture::NotMeasured;
};

// The window as it opens: the level given, nothing measured.
AdaptorView AdaptorOpening(int level);
// After a tuning: the adaptor's identity, the level the tuning ended on (-1
// after an automatic search that found none; the track then shows its lowest
// position) and the flash duration, good when within 26 … 79.
AdaptorView AdaptorTuned(uint32_t version, uint32_t number, int32_t level, uint32_t duration);
