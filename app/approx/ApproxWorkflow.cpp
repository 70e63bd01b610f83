// The approximation side of the main window: running the approximation,
// replacing the data by the section means, recomputing the measurements from
// the characteristic, the checks before writing it into the meter, and the
// approximation settings.
#include "approx/ApproxWorkflow.h"

#include "approx/Approx.h"
#include "document/CalibrationDocument.h"
#include "document/Messages.h"
#include "document/Numbers.h"

#include <cmath>
#include <utility>

namespace {

constexpr const char* kStandardTypesOnlyText = "Стандартный режим аппроксимации доступен только "
                                               "для приборов типа ЛГМ-ЧИ1.xxx и ЛГМ-ЧИ2.xxx";
constexpr const char* kNoDuText = "Не выбрано Dу";
constexpr const char* kNoPartitionText = "Для выбранного Dу не определено стандартное разбиение";
constexpr const char* kNotStandardText =
    "Характеристики массива измерений не соответствуют\nтребованиям стандартного режима "
    "аппроксимации.\nАппроксимация прервана";
constexpr const char* kFailedPrefix = "Аппроксимация не выполнена.\n";
constexpr const char* kRowText = " (строка ";

constexpr const char* kNoDataText = "Нет данных аппроксимации";
constexpr const char* kAddFailedText = "Ошибка при добавлении данных";

constexpr const char* kNoApproxText = "Не выполнена аппроксимация";
constexpr const char* kTooManyLinesText = "Слишком много прямых аппроксимации";
constexpr const char* kEmptyDataText = "Список данных аппроксимации пуст. Продолжить и записать в "
                                       "прибор только коэффициенты аппроксимации?";
constexpr const char* kFewDataText = "В списке параметров аппроксимации менее 6 записей. "
                                     "Продолжить и записать в прибор только коэффициенты "
                                     "аппроксимации?";
constexpr const char* kManyDataText = "В списке данных аппроксимации более 6 записей. Продолжить "
                                      "и записать в прибор только первые 6 записей?";
constexpr const char* kBadDataText = "Параметры списка данных аппроксимации не соответствуют "
                                     "требуемым. Продолжить и записать в прибор только "
                                     "коэффициенты аппроксимации?";
constexpr const char* kBadCoefficientsText = "Недопустимые значения коэффициентов A и B.";

constexpr const char* kDeviationText = "Недопустимое значение максимального разброса";
constexpr const char* kErrorText = "Недопустимое значение максимального погрешности";
constexpr const char* kTemperatureText = "Недопустимое значение температуры приведения";
constexpr const char* kNoStandardModeText =
    "Выбранный прибор не имеет стандартного режима аппроксимации";

// Ranges of the limit edits, in what the edit shows (h and δ in per cent).
constexpr double kMinLimitPercent = 0.1;
constexpr double kMaxLimitPercent = 10.0;
constexpr double kMinTpriv = 5.0;
constexpr double kMaxTpriv = 30.0;

// Synthetic records from section means stand for water at this temperature.
constexpr double kReplacementTemperature = 20.0;

// What an approximation may change, to put back when it fails half way.
struct Snapshot {
    TZorDataList List;
    MeterParams Lines;
    ApproxDataList Data;
};

} // namespace

// --- Running the approximation ---------------------------------------------------

ApproxRun CalibrationDocument::ApproxBtnClick() {
    if (RefuseDuringExchange())
        return ApproxRun::Refused;
    TZorDataList& list = calibration_;
    if (list.Count() == 0)
        return ApproxRun::Empty;
    MeterSettings& s = settings_;
    const Snapshot before{list, params_, approxData_};
    // The engine leaves everything as it was when it fails; the standard mode
    // sections the list itself first, so a failure puts that back too.
    const auto fail = [&](ApproxError error) {
        list = before.List;
        params_ = before.Lines;
        approxData_ = before.Data;
        std::string text = kFailedPrefix;
        text += ApproxErrorText(error);
        if (error == ApproxError::BadMeasurement) {
            const int64_t row = FindUnusableMeasurement(
                list, IsPiecewise(s.DevType) || s.ApproxKind == ApproxModel::Linear
                          ? std::optional<double>(s.Tpriv)
                          : std::nullopt);
            if (row >= 0)
                text += kRowText + FormatInteger(row + 1) + ")";
        }
        ShowError(text);
        return ApproxRun::Failed;
    };

    ApproxError error = ApproxError::None;
    if (IsPiecewise(s.DevType)) {
        switch (s.ApproxMethod) {
        case ApproxMode::Standard: {
            if (s.DevType != kTypeChi1 && s.DevType != kTypeChi2) {
                ShowError(kStandardTypesOnlyText);
                return ApproxRun::Refused;
            }
            const StdSect* entry = CurrentStdSect();
            if (!entry) {
                ShowError(kNoDuText);
                return ApproxRun::Refused;
            }
            if (!entry->IsDefined()) {
                ShowError(kNoPartitionText);
                return ApproxRun::Refused;
            }
            ApplyStandardSettings();
            if (const ApproxError e = SplitSections(list, s.SpreadLimit, s.Tpriv);
                e != ApproxError::None)
                return fail(e);
            TouchTable(true);
            if (!CheckStandardSections(list, s.DuIndex, kStandardSections)) {
                unsaved_ = true;
                ShowError(kNotStandardText);
                return ApproxRun::Refused;
            }
            error = ApproxStandard(list, approxData_, params_,
                                   {s.SpreadLimit, s.ErrorLimit, s.Tpriv, entry->Breaks});
            break;
        }
        case ApproxMode::Automatic:
            error =
                ApproxAutomatic(list, approxData_, params_, s.SpreadLimit, s.ErrorLimit, s.Tpriv);
            break;
        case ApproxMode::ManualByMeans:
        case ApproxMode::ManualByAll:
            error = ApproxManual(list, approxData_, params_, s.SpreadLimit, s.Tpriv,
                                 s.ApproxMethod == ApproxMode::ManualByMeans);
            break;
        default:
            error = ApproxError::BadSetting;
            break;
        }
        if (error == ApproxError::None)
            error = SortByReducedFrequency(list, s.Tpriv);
    } else {
        error = s.ApproxKind == ApproxModel::Linear ? ApproxLinear(list, params_, s.Tpriv)
                                                    : ApproxProportional(list, params_);
        if (error == ApproxError::None)
            approxData_.Count = 0;
    }
    if (error != ApproxError::None)
        return fail(error);
    MeasurementsChanged(true);
    return ApproxRun::Done;
}

int CalibrationDocument::ReplaceBtnClick() {
    const uint32_t count = std::min<uint32_t>(approxData_.Count, kApproxDataCapacity);
    if (count == 0) {
        ShowError(kNoDataText);
        return -1;
    }
    for (uint32_t i = 0; i < count; ++i) {
        MeasurementRecord record = NewMeasurement();
        record.Temperature = kReplacementTemperature;
        record.MeasuredFrequency = approxData_.Items[i].F;
        record.EtalonFlow = approxData_.Items[i].Q;
        try {
            calibration_.Add(record);
        } catch (const ESimpleException&) {
            ShowError(kAddFailedText);
            break;
        }
    }
    calibration_.CheckOrder();
    MeasurementsChanged(true);
    if (&CurrentList() != &calibration_)
        return -1;
    return static_cast<int>(calibration_.Count()) - 1;
}

void CalibrationDocument::RecomputeMeasurements() {
    for (MeasurementRecord& record : CurrentList().Records()) {
        ComputeMeasuredFlow(record, params_, settings_.Tpriv);
        ComputeFlowDeviation(record);
    }
    MeasurementsChanged(false);
}

// --- Writing into the meter ---------------------------------------------------------

uint32_t CalibrationDocument::MaxLineCount() const {
    if (!IsPiecewise(settings_.DevType))
        return 1;
    return HasFeature(settings_.DevType, MeterFeature::StandardMode) ? kMaxLinesStandardMeter
                                                                     : kMaxLinesPiecewiseMeter;
}

WriteDecision CalibrationDocument::CheckBeforeWrite() {
    if (params_.LineCount < 1) {
        ShowError(kNoApproxText);
        return WriteDecision::Stop;
    }
    if (params_.LineCount > MaxLineCount()) {
        ShowError(kTooManyLinesText);
        return WriteDecision::Stop;
    }
    if (!IsPiecewise(settings_.DevType)) {
        const double limit = coefficientLimit_
                                 ? coefficientLimit_(0, static_cast<uint32_t>(settings_.DuIndex))
                                 : 0.0;
        const double a = params_.A[0];
        const double b = params_.B[0];
        if (!std::isfinite(a) || !std::isfinite(b) || a > limit || std::fabs(b) > limit ||
            a <= 0.0 || a + b > limit || a - b < 0.0) {
            ShowError(kBadCoefficientsText);
            return WriteDecision::Stop;
        }
        return WriteDecision::CoefficientsOnly;
    }
    if (!HasFeature(settings_.DevType, MeterFeature::StandardMode))
        return WriteDecision::CoefficientsOnly;
    const auto coefficientsOnlyIf = [](const char* question) {
        return AskYesNo(question) ? WriteDecision::CoefficientsOnly : WriteDecision::Stop;
    };
    const uint32_t items = approxData_.Count;
    if (items == 0)
        return coefficientsOnlyIf(kEmptyDataText);
    if (items < kJournalItems)
        return coefficientsOnlyIf(kFewDataText);
    if (items > kJournalItems && !AskYesNo(kManyDataText))
        return WriteDecision::Stop;
    if (!CheckApproxDataList(approxData_, settings_.DuIndex))
        return coefficientsOnlyIf(kBadDataText);
    return WriteDecision::CoefficientsAndData;
}

// --- Approximation settings -----------------------------------------------------------

EditOutcome CalibrationDocument::CommitLimit(std::string_view text, double minimum, double maximum,
                                             const char* error, double& setting, double scale,
                                             int decimals) {
    const std::optional<double> value = ReadReal(CommaToPoint(text));
    if (!value || *value < minimum || *value > maximum) {
        ShowError(error);
        return {false, FormatFixed(setting * scale, decimals), true, error};
    }
    if (setting != *value / scale) {
        setting = *value / scale;
        unsaved_ = true;
    }
    return {true, FormatFixed(*value, decimals), false, {}};
}

EditOutcome CalibrationDocument::CommitDeviationEdit(std::string_view text) {
    return CommitLimit(text, kMinLimitPercent, kMaxLimitPercent, kDeviationText,
                       settings_.SpreadLimit, 100.0, 2);
}

EditOutcome CalibrationDocument::CommitErrEdit(std::string_view text) {
    return CommitLimit(text, kMinLimitPercent, kMaxLimitPercent, kErrorText, settings_.ErrorLimit,
                       100.0, 2);
}

EditOutcome CalibrationDocument::CommitTempEdit(std::string_view text) {
    return CommitLimit(text, kMinTpriv, kMaxTpriv, kTemperatureText, settings_.Tpriv, 1.0, 1);
}

ComboOutcome CalibrationDocument::ApproxMethodComboChange(int index) {
    if (index < 0 || index >= ApproxMode::Count)
        return {false, settings_.ApproxMethod, {}};
    if (IsPiecewise(settings_.DevType) &&
        !HasFeature(settings_.DevType, MeterFeature::StandardMode) && index == ApproxMode::Standard)
        return Refuse(kNoStandardModeText, settings_.ApproxMethod);
    const MeterSettings before = settings_;
    settings_.ApproxMethod = index;
    if (index == ApproxMode::Standard)
        ApplyStandardSettings();
    NoteSettings(before);
    return {true, index, {}};
}

void CalibrationDocument::ApproxKindComboChange(int index) {
    const int models = IsPiecewise(settings_.DevType) ? 1 : 2;
    if (index < 0 || index >= models)
        return;
    const MeterSettings before = settings_;
    settings_.ApproxKind = index;
    NoteSettings(before);
}

void CalibrationDocument::ApplyStandardSettings() {
    const StdSect* entry = CurrentStdSect();
    if (!entry || !entry->IsDefined())
        return;
    const MeterSettings before = settings_;
    settings_.SpreadLimit = entry->SpreadLimit;
    settings_.ErrorLimit = entry->ErrorLimit;
    settings_.Tpriv = entry->Tpriv;
    NoteSettings(before);
}
