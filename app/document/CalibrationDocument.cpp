#include "document/CalibrationDocument.h"

CalibrationDocument::CalibrationDocument() : table_(*this) {}
CalibrationDocument::~CalibrationDocument() = default;
TZorDataList& CalibrationDocument::CurrentList() {
    return calibration_;
}
const TZorDataList& CalibrationDocument::CurrentList() const {
    return calibration_;
}
const StdSect* CalibrationDocument::CurrentStdSect() const {
    return nullptr;
}
void CalibrationDocument::SetFile(std::string, bool) {}
void CalibrationDocument::SetPortIndex(int) {}
void CalibrationDocument::SetLinked(bool) {}
void CalibrationDocument::PolarityItemClick(bool) {}
bool CalibrationDocument::ConfirmExit() {
    return true;
}
void CalibrationDocument::MeasurementsChanged(bool) {}
ComboOutcome CalibrationDocument::TypeComboChange(int) {
    return {};
}
ComboOutcome CalibrationDocument::DuComboChange(int) {
    return {};
}
ComboOutcome CalibrationDocument::OutComboChange(int) {
    return {};
}
ComboOutcome CalibrationDocument::WeightComboChange(int) {
    return {};
}
EditOutcome CalibrationDocument::SerNoEditExit(std::string_view) {
    return {};
}
EditOutcome CalibrationDocument::TauEditCommit(std::string_view) {
    return {};
}
EditOutcome CalibrationDocument::PulsesEditCommit(std::string_view) {
    return {};
}
bool CalibrationDocument::ModeGradItemClick() {
    return true;
}
bool CalibrationDocument::ModeTestItemClick() {
    return false;
}
void CalibrationDocument::MethodVolumeItemClick() {}
void CalibrationDocument::MethodMassItemClick() {}
void CalibrationDocument::GetManualItemClick() {}
bool CalibrationDocument::GetBkltItemClick() {
    return false;
}
void CalibrationDocument::RigWindowClosed() {}
void CalibrationDocument::ApplyMeterType() {}
void CalibrationDocument::ApplyOutputType(bool) {}
bool CalibrationDocument::FileNewItemClick() {
    return false;
}
void CalibrationDocument::ReplaceStoredSettings(const MeterSettings&) {}
void CalibrationDocument::TakeSettingsFromMeter(bool) {}
void CalibrationDocument::FillParamsForWrite() {}
void CalibrationDocument::AddBkltMeasurement(uint32_t, const BkltResult&) {}
