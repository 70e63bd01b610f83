#include "document/CalibrationDocument.h"

#include "approx/LineFit.h"
#include "document/Messages.h"
#include "document/Numbers.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr const char* kLockedText =
    "В режиме поверки при непустом списке измерений данный параметр менять нельзя";
constexpr const char* kVerificationPulseOnlyText =
    "В режиме поверки допустим только импульсный выход";
constexpr const char* kPriceText = "Данная цена импульса недопустима для выбранного Ду";
constexpr const char* kSerNoText = "Недопустимое значение номера прибора";
constexpr const char* kPulseDurationText = "Недопустимое значение длительности импульса";
constexpr const char* kDivisionFactorText = "Недопустимое значение коэффициента деления";
constexpr const char* kNoLinesText = "Список коэффициентов аппроксимации пуст. Поверка невозможна";
constexpr const char* kLgmVerificationText =
    "Для приборов ЛГМ поверка возможна только при импульсном выходе";
constexpr const char* kNoPortText = "Не выбран рабочий COM-порт";
constexpr const char* kNewText = "Удалить все измерения?";
constexpr const char* kExitText = "Измерения не сохранены. Выйти без сохранения?";
constexpr const char* kExchangeBusyText = "Не завершен предыдущий обмен";

// The division factor is a whole number below 100.
constexpr int kMaxDivisionFactor = 99;

// The switching band the meter keeps at every line limit, Hz.
constexpr double kHysteresis = 0.01;
// MeterParams.Flags bit of the АЧХ polarity.
constexpr uint32_t kPolarityFlag = 1u << 1;

// The characteristic a new run starts with: five lines Q = 0.12·F.
void SetDefaultCharacteristic(MeterParams& params) {
    constexpr double kLimits[] = {10.0, 20.0, 30.0, 40.0, kOpenEnd};
    params.LineCount = std::size(kLimits);
    for (size_t i = 0; i < std::size(kLimits); ++i) {
        params.A[i] = 0.12;
        params.B[i] = 0.0;
        params.Fmax[i] = kLimits[i];
    }
}

// The whole number a text starts with, when it starts with a digit.
std::optional<int> LeadingNumberBelow(std::string_view text, int limit) {
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value >= limit)
            return std::nullopt;
    }
    return value;
}

template <typename T> bool Assign(T& target, T value) {
    if (target == value)
        return false;
    target = value;
    return true;
}

} // namespace

CalibrationDocument::CalibrationDocument() : table_(*this) {
    params_.Size = sizeof(MeterParams);
    ApplyMeterType();
    SetDefaultCharacteristic(params_);
    unsaved_ = false;
}

CalibrationDocument::~CalibrationDocument() = default;

TZorDataList& CalibrationDocument::CurrentList() {
    return settings_.Mode == WorkMode::Verification ? verification_ : calibration_;
}

const TZorDataList& CalibrationDocument::CurrentList() const {
    return settings_.Mode == WorkMode::Verification ? verification_ : calibration_;
}

const StdSect* CalibrationDocument::CurrentStdSect() const {
    if (settings_.DuIndex < 0 || settings_.DuIndex >= kDuCount)
        return nullptr;
    return &stdSects_[settings_.DuIndex];
}

void CalibrationDocument::SetFile(std::string fileName, bool hasFile) {
    fileName_ = std::move(fileName);
    hasFile_ = hasFile;
}

void CalibrationDocument::SetPortIndex(int portIndex) {
    portIndex_ = portIndex;
}

void CalibrationDocument::SetLinked(bool linked) {
    linked_ = linked;
}

void CalibrationDocument::PolarityItemClick(bool revision01) {
    polarity01_ = revision01;
}

bool CalibrationDocument::ConfirmExit() {
    return !unsaved_ || AskYesNo(kExitText);
}

void CalibrationDocument::MeasurementsChanged(bool layout) {
    unsaved_ = true;
    TouchTable(layout);
}

void CalibrationDocument::TouchTable(bool layout) {
    if (layout)
        ++layoutRevision_;
    ++dataRevision_;
}

void CalibrationDocument::NoteSettings(const MeterSettings& before) {
    if (!(settings_ == before))
        unsaved_ = true;
}

bool CalibrationDocument::VerificationLocked() const {
    return settings_.Mode == WorkMode::Verification && CurrentList().Count() > 0;
}

ComboOutcome CalibrationDocument::Refuse(const char* text, int current) {
    ShowError(text);
    return {false, current, text};
}

// --- Meter type and output ----------------------------------------------------

void CalibrationDocument::ApplyMeterType() {
    const MeterType& type = MeterTypeOf(settings_.DevType);
    const bool lgm = type.Class == MeterClass::Lgm;
    // The price list changes with the family; an index beyond the new list
    // falls back to its first price.
    const int32_t itemCount = static_cast<int32_t>(WeightItems(type.Class).size());
    if (settings_.WeightIndex < 0 || settings_.WeightIndex >= itemCount)
        settings_.WeightIndex = 0;
    if (lgm) {
        if ((type.Features & MeterFeature::StandardMode) == 0 &&
            settings_.ApproxMethod == ApproxMode::Standard)
            settings_.ApproxMethod = ApproxMode::Automatic;
        if (settings_.ApproxMethod == ApproxMode::Standard)
            ApplyStandardSettings();
        ApplyOutputType(true);
    } else {
        ApplyOutputType(true);
        if (type.Class == MeterClass::GkmsPriced) {
            settings_.OutputType = OutputKind::Pulse;
            ApplyOutputType(false);
        }
        settings_.ApproxKind = ApproxModel::Linear;
        // A one-line meter has no sections and no piecewise characteristic.
        CurrentList().ClearSections();
        CurrentList().ClearLines();
        approxData_.Count = 0;
        params_.LineCount = 0;
    }
    TouchTable(true);
}

void CalibrationDocument::ApplyOutputType(bool withDefaults) {
    if (settings_.OutputType == OutputKind::Pulse) {
        if (IsPiecewise(settings_.DevType)) {
            // Only five prices have a pulse duration row for the diameter; a
            // price from a file or another family is moved to the nearest.
            settings_.WeightIndex = ClampWeightIndex(settings_.WeightIndex, settings_.DuIndex);
            if (withDefaults)
                settings_.PulseDuration = PulseDurationRowOf(settings_).Default;
        }
    } else if (withDefaults) {
        settings_.PulseDuration = kDefaultFrequencyPulseDuration;
    }
}

ComboOutcome CalibrationDocument::TypeComboChange(int index) {
    if (VerificationLocked())
        return Refuse(kLockedText, settings_.DevType);
    if (index < 0 || index >= kMeterTypeCount)
        return {false, settings_.DevType, {}};
    const MeterSettings before = settings_;
    settings_.DevType = index;
    ApplyMeterType();
    NoteSettings(before);
    return {true, index, {}};
}

ComboOutcome CalibrationDocument::DuComboChange(int index) {
    if (VerificationLocked())
        return Refuse(kLockedText, settings_.DuIndex);
    if (index < 0 || index >= kDuCount)
        return {false, settings_.DuIndex, {}};
    const MeterSettings before = settings_;
    settings_.DuIndex = index;
    if (settings_.ApproxMethod == ApproxMode::Standard)
        ApplyStandardSettings();
    if (IsPiecewise(settings_.DevType) && settings_.OutputType == OutputKind::Pulse) {
        settings_.WeightIndex = ClampWeightIndex(settings_.WeightIndex, index);
        settings_.PulseDuration = PulseDurationRowOf(settings_).Default;
    }
    NoteSettings(before);
    return {true, index, {}};
}

ComboOutcome CalibrationDocument::OutComboChange(int index) {
    if (VerificationLocked())
        return Refuse(kLockedText, settings_.OutputType);
    if (settings_.Mode == WorkMode::Verification && index != OutputKind::Pulse)
        return Refuse(kVerificationPulseOnlyText, settings_.OutputType);
    if (index < 0 || index >= OutputKind::Count)
        return {false, settings_.OutputType, {}};
    const MeterSettings before = settings_;
    settings_.OutputType = index;
    ApplyOutputType(true);
    NoteSettings(before);
    return {true, index, {}};
}

ComboOutcome CalibrationDocument::WeightComboChange(int index) {
    if (VerificationLocked())
        return Refuse(kLockedText, settings_.WeightIndex);
    const int32_t meterClass = ClassOf(settings_.DevType);
    if (index < 0 || index >= static_cast<int>(WeightItems(meterClass).size()))
        return {false, settings_.WeightIndex, {}};
    const MeterSettings before = settings_;
    if (meterClass == MeterClass::Lgm && !IsAllowedWeightIndex(index, settings_.DuIndex)) {
        settings_.WeightIndex = ClampWeightIndex(index, settings_.DuIndex);
        NoteSettings(before);
        return Refuse(kPriceText, settings_.WeightIndex);
    }
    settings_.WeightIndex = index;
    if (meterClass == MeterClass::Lgm)
        settings_.PulseDuration = PulseDurationRowOf(settings_).Default;
    NoteSettings(before);
    return {true, index, {}};
}

// --- Edits of the top row -----------------------------------------------------

EditOutcome CalibrationDocument::SerNoEditExit(std::string_view text) {
    const int64_t value = ReadInt64(text).value_or(0);
    if (value < kMinSerNo || value > kMaxSerNo) {
        ShowError(kSerNoText);
        return {false, FormatSerialNumber(settings_.SerNo), true, kSerNoText};
    }
    if (Assign(settings_.SerNo, value))
        unsaved_ = true;
    return {true, FormatSerialNumber(value), false, {}};
}

EditOutcome CalibrationDocument::TauEditCommit(std::string_view text) {
    double minimum = kMinFrequencyPulseDuration;
    double maximum = kMaxFrequencyPulseDuration;
    if (settings_.OutputType == OutputKind::Pulse) {
        minimum = PulseDurationRowOf(settings_).Minimum;
        maximum = PulseDurationRowOf(settings_).Maximum;
    }
    const std::optional<double> value = ReadReal(CommaToPoint(text));
    if (!value || *value < minimum || *value > maximum) {
        ShowError(kPulseDurationText);
        return {false, FormatPulseDuration(settings_.PulseDuration), true, kPulseDurationText};
    }
    if (Assign(settings_.PulseDuration, *value))
        unsaved_ = true;
    return {true, FormatPulseDuration(*value), false, {}};
}

EditOutcome CalibrationDocument::PulsesEditCommit(std::string_view text) {
    const std::optional<int> value = LeadingNumberBelow(text, kMaxDivisionFactor + 1);
    if (!value) {
        ShowError(kDivisionFactorText);
        return {false, FormatDivisionFactor(settings_.DivisionFactor), true, kDivisionFactorText};
    }
    if (Assign(settings_.DivisionFactor, static_cast<double>(*value)))
        unsaved_ = true;
    return {true, FormatDivisionFactor(*value), false, {}};
}

// --- Mode, method, source -------------------------------------------------------

void CalibrationDocument::SwitchMode(int32_t mode) {
    if (Assign(settings_.Mode, mode))
        TouchTable(true);
}

bool CalibrationDocument::ModeGradItemClick() {
    SwitchMode(WorkMode::Calibration);
    return true;
}

bool CalibrationDocument::ModeTestItemClick() {
    if (params_.LineCount == 0) {
        ShowError(kNoLinesText);
        return false;
    }
    if (IsPiecewise(settings_.DevType) && settings_.OutputType != OutputKind::Pulse) {
        ShowError(kLgmVerificationText);
        return false;
    }
    SwitchMode(WorkMode::Verification);
    return true;
}

void CalibrationDocument::MethodVolumeItemClick() {
    if (Assign(settings_.Method, int32_t{MeasureMethod::Volume}))
        TouchTable(true);
}

void CalibrationDocument::MethodMassItemClick() {
    if (Assign(settings_.Method, int32_t{MeasureMethod::Mass}))
        TouchTable(true);
}

void CalibrationDocument::GetManualItemClick() {
    settings_.InputSource = InputSource::Manual;
    tableEditable_ = true;
}

bool CalibrationDocument::GetBkltItemClick() {
    if (portIndex_ < 0) {
        ShowError(kNoPortText);
        return false;
    }
    settings_.InputSource = InputSource::Rig;
    tableEditable_ = false;
    return true;
}

void CalibrationDocument::RigWindowClosed() {
    tableEditable_ = true;
}

// --- Files ----------------------------------------------------------------------

bool CalibrationDocument::FileNewItemClick() {
    if (RefuseDuringExchange() || !AskYesNo(kNewText))
        return false;
    // Only the current list is emptied; unsaved measurements of the other one
    // still count.
    const TZorDataList& other =
        settings_.Mode == WorkMode::Verification ? calibration_ : verification_;
    unsaved_ = unsaved_ && other.Count() > 0;
    hasFile_ = false;
    CurrentList().Clear();
    approxData_.Count = 0;
    params_.LineCount = 0;
    TouchTable(true);
    return true;
}

void CalibrationDocument::ReplaceStoredSettings(const MeterSettings& loaded) {
    const MeterSettings defaults;
    MeterSettings next = settings_;
    next.DevType = loaded.DevType;
    next.DuIndex = loaded.DuIndex;
    next.OutputType = loaded.OutputType;
    next.WeightIndex = loaded.WeightIndex;
    next.SerNo = loaded.SerNo;
    next.DivisionFactor = loaded.DivisionFactor;
    next.PulseDuration = loaded.PulseDuration;
    next.SpreadLimit = loaded.SpreadLimit;
    next.ErrorLimit = loaded.ErrorLimit;
    next.Tpriv = loaded.Tpriv;
    next.Reserved = loaded.Reserved;
    next.ApproxKind = loaded.ApproxKind;
    next.ApproxMethod = loaded.ApproxMethod;
    // A damaged file must not select entries beyond the tables.
    if (next.DevType < 0 || next.DevType >= kMeterTypeCount)
        next.DevType = defaults.DevType;
    if (next.DuIndex < 0 || next.DuIndex >= kDuCount)
        next.DuIndex = defaults.DuIndex;
    if (next.OutputType < 0 || next.OutputType >= OutputKind::Count)
        next.OutputType = defaults.OutputType;
    if (next.WeightIndex < 0 ||
        next.WeightIndex >= static_cast<int32_t>(WeightItems(ClassOf(next.DevType)).size()))
        next.WeightIndex = defaults.WeightIndex;
    if (next.ApproxKind < 0 || next.ApproxKind > ApproxModel::Proportional)
        next.ApproxKind = defaults.ApproxKind;
    if (next.ApproxMethod < 0 || next.ApproxMethod >= ApproxMode::Count)
        next.ApproxMethod = defaults.ApproxMethod;
    settings_ = next;
    // The rules that hold for every state of a type, without resetting what
    // was loaded.
    const MeterType& type = MeterTypeOf(settings_.DevType);
    if (type.Class == MeterClass::GkmsPriced)
        settings_.OutputType = OutputKind::Pulse;
    if (type.Class == MeterClass::Lgm && (type.Features & MeterFeature::StandardMode) == 0 &&
        settings_.ApproxMethod == ApproxMode::Standard)
        settings_.ApproxMethod = ApproxMode::Automatic;
    ApplyOutputType(false);
    TouchTable(true);
}

// --- Device exchange --------------------------------------------------------------

void CalibrationDocument::TakeSettingsFromMeter(bool withFlags) {
    if (params_.DuIndex < static_cast<uint32_t>(kDuCount))
        settings_.DuIndex = static_cast<int32_t>(params_.DuIndex);
    const uint32_t code = params_.WeightCode;
    settings_.OutputType = code != 0 ? OutputKind::Pulse : OutputKind::FrequencyN;
    if (code != 0)
        settings_.WeightIndex = ClampWeightIndex(
            static_cast<int32_t>(code) - 1 + DiameterShift(settings_.DuIndex), settings_.DuIndex);
    settings_.DivisionFactor = params_.DivisionFactor;
    settings_.PulseDuration = params_.PulseDuration;
    params_.LineCount = std::min<uint32_t>(params_.LineCount, kMaxLines);
    if (withFlags) {
        settings_.MeterFlags = static_cast<int32_t>(params_.Flags);
        if (HasFeature(settings_.DevType, MeterFeature::Polarity))
            polarity01_ = (params_.Flags & kPolarityFlag) != 0;
        if (params_.LineCount > 0)
            params_.Fmax[params_.LineCount - 1] = kOpenEnd;
    }
    ApplyOutputType(false);
    unsaved_ = true;
    TouchTable(true);
}

void CalibrationDocument::FillParamsForWrite() {
    params_.Size = sizeof(MeterParams);
    params_.DuIndex = static_cast<uint32_t>(settings_.DuIndex);
    params_.Version = HasFeature(settings_.DevType, MeterFeature::StandardMode) ? 2 : 1;
    std::fill(std::begin(params_.Hysteresis), std::end(params_.Hysteresis), kHysteresis);
    params_.PulseDuration = settings_.PulseDuration;
    params_.DivisionFactor = settings_.DivisionFactor;
    params_.Flags = polarity01_ ? params_.Flags | kPolarityFlag : params_.Flags & ~kPolarityFlag;
    params_.WeightCode = WeightCodeOf(settings_);
    approxData_.DuIndex = static_cast<uint32_t>(settings_.DuIndex);
}

bool CalibrationDocument::RefuseDuringExchange() const {
    if (exchangeBusy_)
        ShowError(kExchangeBusyText);
    return exchangeBusy_;
}

void CalibrationDocument::AddBkltMeasurement(uint32_t flags, const BkltResult& result) {
    const MeasurementRecord record = MeasurementFromRig(result, flags, settings_, params_);
    (flags & BkltFlag::Verification ? verification_ : calibration_).Add(record);
    MeasurementsChanged(true);
}
