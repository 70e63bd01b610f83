// The settings of the meter under calibration and the fixed tables behind the
// selectors of the main window's top row.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Operating choices.
namespace WorkMode {
enum : int32_t { Calibration = 0, Verification = 1 };
} // namespace WorkMode
namespace MeasureMethod {
enum : int32_t { Volume = 0, Mass = 1 };
} // namespace MeasureMethod
namespace InputSource {
enum : int32_t { Manual = 0, Rig = 1 };
} // namespace InputSource
namespace OutputKind {
enum : int32_t { Pulse = 0, FrequencyN = 1, FrequencyT = 2, Count = 3 };
} // namespace OutputKind
// Approximation modes of the piecewise characteristic (ApproxMethod).
namespace ApproxMode {
enum : int32_t { Standard = 0, Automatic = 1, ManualByMeans = 2, ManualByAll = 3, Count = 4 };
} // namespace ApproxMode
// One-line models of the other family (ApproxKind).
namespace ApproxModel {
enum : int32_t { Linear = 0, Proportional = 1 };
} // namespace ApproxModel

// The meter settings of a document. Calibration files store every field up to
// ApproxMethod; the meter's parameter block fills the Du, the output and its
// parameters.
struct MeterSettings {
    int32_t DevType = 19;        // index into MeterTypes ("ЛГМ-ЧИ2.xx-xxx")
    int32_t DuIndex = 0;         // index into DuTable (15 mm)
    int32_t OutputType = 0;      // OutputKind
    int32_t WeightIndex = 0;     // selection in the pulse-price list
    int64_t SerNo = 1;           // serial number, 1 … 99 999 999
    double DivisionFactor = 1.0; // division factor n of the frequency outputs, 0 … 99
    double PulseDuration = 1.0;  // pulse duration τ, ms
    double SpreadLimit = 0.05;   // h, fraction
    double ErrorLimit = 0.01;    // δ, fraction
    double Tpriv = 20.0;         // reference temperature, °C
    double Reserved = 1.0;       // always 1.0
    int32_t ApproxKind = 0;      // ApproxModel (other family)
    int32_t ApproxMethod = 0;    // ApproxMode (piecewise)
    int32_t InputSource = 0;     // InputSource
    int32_t Mode = 0;            // WorkMode
    int32_t Method = 0;          // MeasureMethod
    int32_t MeterFlags = 0;      // flags word of the meter's parameter block as last read

    bool operator==(const MeterSettings&) const = default;
};

// Meter classes: the piecewise ЛГМ family and the one-line ГКМС family with and
// without a pulse price.
namespace MeterClass {
enum : int32_t { GkmsNoPrice = 0, GkmsPriced = 2, Lgm = 3 };
} // namespace MeterClass

// Feature bits of a meter type.
namespace MeterFeature {
enum : uint32_t {
    Thermo = 1,       // has a temperature sensor ("Термодатчик...")
    Polarity = 2,     // has the selectable АЧХ polarity
    StandardMode = 4, // has the standard approximation mode and the data list
    InterceptB = 8,   // lines have an intercept B
};
} // namespace MeterFeature

struct MeterType {
    const char* Name;
    int32_t Class;
    uint32_t Features;
};

inline constexpr int kMeterTypeCount = 22;
extern const std::array<MeterType, kMeterTypeCount> MeterTypes;
// The types of the standard mode: "ЛГМ-ЧИ1.xx-xxx" and "ЛГМ-ЧИ2.xx-xxx".
inline constexpr int32_t kTypeChi1 = 18;
inline constexpr int32_t kTypeChi2 = 19;

// The type's entry; the default type's for an index outside the table (a
// damaged file), so callers never index beyond it.
const MeterType& MeterTypeOf(int32_t devType);
inline int32_t ClassOf(int32_t devType) {
    return MeterTypeOf(devType).Class;
}
inline bool HasFeature(int32_t devType, uint32_t feature) {
    return (MeterTypeOf(devType).Features & feature) != 0;
}
inline bool IsPiecewise(int32_t devType) {
    return ClassOf(devType) == MeterClass::Lgm;
}

// Nominal diameters, mm, by Du index. DuCombo offers the first kDuComboCount.
inline constexpr int kDuCount = 14;
inline constexpr int kDuComboCount = 12;
extern const std::array<int32_t, kDuCount> DuTable;
// The Du index of a diameter in mm, or -1.
int32_t DuIndexOf(int32_t millimetres);
// The diameter group of a Du index: 0 for 15 … 40 mm, 2 for 50 … 100 mm, 4
// from 125 mm. A class 3 pulse output allows prices shift … shift + 4.
int32_t DiameterShift(int32_t duIndex);

// Pulse prices, m³ per pulse.
extern const std::array<double, 9> PulsePrices;
// The items of WeightCombo for a meter class: all nine prices for class 3,
// every second one ("0,0001", "0,001", … "1") for the other classes.
std::span<const char* const> WeightItems(int32_t meterClass);
// The price of the settings' WeightIndex in m³ per pulse; 0 for an index
// outside the type's list.
double PriceOf(const MeterSettings& settings);
// Nearest price index allowed for a class 3 pulse output at the diameter.
int32_t ClampWeightIndex(int32_t weightIndex, int32_t duIndex);
// Whether a class 3 pulse output allows the price index at the diameter.
bool IsAllowedWeightIndex(int32_t weightIndex, int32_t duIndex);

// Pulse durations of a class 3 pulse output, ms, one row per allowed price
// (row = WeightIndex − shift).
struct PulseDurationRow {
    double Minimum;
    double Default;
    double Maximum;
};
extern const std::array<PulseDurationRow, 5> PulseDurationTable;
// The row of the settings' price (clamped into the five allowed).
const PulseDurationRow& PulseDurationRowOf(const MeterSettings& settings);
// Pulse duration limits and default of the frequency outputs, ms.
inline constexpr double kMinFrequencyPulseDuration = 0.15;
inline constexpr double kMaxFrequencyPulseDuration = 7.5;
inline constexpr double kDefaultFrequencyPulseDuration = 1.0;

// The item texts of OutCombo.
extern const std::array<const char*, OutputKind::Count> OutputNames;

// Serial numbers the meter accepts.
inline constexpr int64_t kMinSerNo = 1;
inline constexpr int64_t kMaxSerNo = 99'999'999;

// Display formats of the top row.
std::string FormatSerialNumber(int64_t serNo);   // at least eight digits: 00000042
std::string FormatPulseDuration(double ms);      // 1.000
std::string FormatDivisionFactor(double factor); // a whole number: 1
std::string FormatPercentLimit(double fraction); // h and δ as shown: 5.00 for 0.05
std::string FormatTpriv(double celsius);         // 20.0

// The pulse-price code of the meter's parameter block: WeightIndex − shift + 1
// for the pulse output, 0 for a frequency output.
uint32_t WeightCodeOf(const MeterSettings& settings);

// Whether each index of the settings names an entry of its table.
bool HasValidIndices(const MeterSettings& settings);
