#include "document/MeterSettings.h"

#include "document/Numbers.h"

#include <algorithm>
#include <cmath>

const std::array<MeterType, kMeterTypeCount> MeterTypes = {{
    {"ГКМС-Т", MeterClass::GkmsNoPrice, 8},         {"ГКМС-ТИ1", MeterClass::GkmsPriced, 8},
    {"ГКМС-ТИ2", MeterClass::GkmsPriced, 8},        {"ГКМС-Т1-xxx-М", MeterClass::GkmsNoPrice, 8},
    {"ГКМС-Т1-xxx-П", MeterClass::GkmsNoPrice, 8},  {"ГКМС-Т2-xxx-М", MeterClass::GkmsNoPrice, 8},
    {"ГКМС-Т2-xxx-П", MeterClass::GkmsNoPrice, 8},  {"ГКМС-ТИ1-xxx-М", MeterClass::GkmsPriced, 8},
    {"ГКМС-ТИ1-xxx-П", MeterClass::GkmsPriced, 8},  {"ГКМС-ТИ2-xxx-0М", MeterClass::GkmsPriced, 8},
    {"ГКМС-ТИ2-xxx-0П", MeterClass::GkmsPriced, 8}, {"ГКМС-ТИ2-xxx-1М", MeterClass::GkmsPriced, 8},
    {"ГКМС-ТИ2-xxx-1П", MeterClass::GkmsPriced, 8}, {"ГКМС-ТИ2-xxx-2М", MeterClass::GkmsPriced, 8},
    {"ГКМС-ТИ2-xxx-2П", MeterClass::GkmsPriced, 8}, {"ГКМС-ТИ2-xxx-3М", MeterClass::GkmsPriced, 8},
    {"ГКМС-ТИ2-xxx-3П", MeterClass::GkmsPriced, 8}, {"ЛГМ-ЧИ2-xxx", MeterClass::Lgm, 8},
    {"ЛГМ-ЧИ1.xx-xxx", MeterClass::Lgm, 15},        {"ЛГМ-ЧИ2.xx-xxx", MeterClass::Lgm, 15},
    {"ЛГМ-Т1.xx-xxx", MeterClass::Lgm, 8},          {"ЛГМ-Т2.xx-xxx", MeterClass::Lgm, 8},
}};

const std::array<int32_t, kDuCount> DuTable = {15, 20,  25,  32,  40,  50,  65,
                                               80, 100, 125, 150, 200, 250, 300};

const std::array<double, 9> PulsePrices = {0.0001, 0.0005, 0.001, 0.005, 0.01, 0.05, 0.1, 0.5, 1.0};

const std::array<PulseDurationRow, 5> PulseDurationTable = {{
    {0, 1, 1},
    {0, 2, 7},
    {0, 2, 15},
    {0, 30, 75},
    {0, 80, 150},
}};

const std::array<const char*, OutputKind::Count> OutputNames = {"Импульсный Vp", "Частотный Vf/n",
                                                                "Частотный Vf/t"};

namespace {

constexpr const char* kAllPrices[] = {"0,0001", "0,0005", "0,001", "0,005", "0,01",
                                      "0,05",   "0,1",    "0,5",   "1"};
constexpr const char* kDecadePrices[] = {"0,0001", "0,001", "0,01", "0,1", "1"};

// A class 3 pulse output offers five consecutive prices per diameter group.
constexpr int32_t kAllowedPrices = 5;

bool InRange(int32_t value, size_t size) {
    return value >= 0 && static_cast<size_t>(value) < size;
}

} // namespace

const MeterType& MeterTypeOf(int32_t devType) {
    return MeterTypes[InRange(devType, MeterTypes.size()) ? devType : MeterSettings{}.DevType];
}

int32_t DuIndexOf(int32_t millimetres) {
    const auto found = std::find(DuTable.begin(), DuTable.end(), millimetres);
    return found == DuTable.end() ? -1 : static_cast<int32_t>(found - DuTable.begin());
}

int32_t DiameterShift(int32_t duIndex) {
    if (duIndex <= 4)
        return 0;
    if (duIndex <= 8)
        return 2;
    return 4;
}

std::span<const char* const> WeightItems(int32_t meterClass) {
    if (meterClass == MeterClass::Lgm)
        return kAllPrices;
    return kDecadePrices;
}

double PriceOf(const MeterSettings& settings) {
    const int32_t meterClass = ClassOf(settings.DevType);
    if (!InRange(settings.WeightIndex, WeightItems(meterClass).size()))
        return 0.0;
    // The other family lists every second price.
    return PulsePrices[meterClass == MeterClass::Lgm ? settings.WeightIndex
                                                     : 2 * settings.WeightIndex];
}

int32_t ClampWeightIndex(int32_t weightIndex, int32_t duIndex) {
    const int32_t shift = DiameterShift(duIndex);
    return std::clamp(weightIndex, shift, shift + kAllowedPrices - 1);
}

bool IsAllowedWeightIndex(int32_t weightIndex, int32_t duIndex) {
    return ClampWeightIndex(weightIndex, duIndex) == weightIndex;
}

const PulseDurationRow& PulseDurationRowOf(const MeterSettings& settings) {
    const int32_t row =
        ClampWeightIndex(settings.WeightIndex, settings.DuIndex) - DiameterShift(settings.DuIndex);
    return PulseDurationTable[row];
}

std::string FormatSerialNumber(int64_t serNo) {
    std::string digits = FormatInteger(serNo < 0 ? -serNo : serNo);
    if (digits.size() < 8)
        digits.insert(0, 8 - digits.size(), '0');
    return serNo < 0 ? "-" + digits : digits;
}

std::string FormatPulseDuration(double ms) {
    return FormatFixed(ms, 3);
}

std::string FormatDivisionFactor(double factor) {
    return FormatFixed(factor, 0);
}

std::string FormatPercentLimit(double fraction) {
    return FormatFixed(fraction * 100.0, 2);
}

std::string FormatTpriv(double celsius) {
    return FormatFixed(celsius, 1);
}

uint32_t WeightCodeOf(const MeterSettings& settings) {
    if (settings.OutputType != OutputKind::Pulse)
        return 0;
    return static_cast<uint32_t>(ClampWeightIndex(settings.WeightIndex, settings.DuIndex) -
                                 DiameterShift(settings.DuIndex) + 1);
}

bool HasValidIndices(const MeterSettings& settings) {
    return InRange(settings.DevType, MeterTypes.size()) &&
           InRange(settings.DuIndex, DuTable.size()) &&
           InRange(settings.OutputType, OutputKind::Count) &&
           InRange(settings.WeightIndex, WeightItems(ClassOf(settings.DevType)).size()) &&
           InRange(settings.ApproxKind, 2) && InRange(settings.ApproxMethod, ApproxMode::Count);
}
