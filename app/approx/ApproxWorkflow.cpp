#include "approx/ApproxWorkflow.h"

#include "document/CalibrationDocument.h"

ApproxRun CalibrationDocument::ApproxBtnClick() {
    return ApproxRun::Empty;
}
int CalibrationDocument::ReplaceBtnClick() {
    return -1;
}
void CalibrationDocument::RecomputeMeasurements() {}
WriteDecision CalibrationDocument::CheckBeforeWrite() {
    return WriteDecision::Stop;
}
EditOutcome CalibrationDocument::CommitDeviationEdit(std::string_view) {
    return {};
}
EditOutcome CalibrationDocument::CommitErrEdit(std::string_view) {
    return {};
}
EditOutcome CalibrationDocument::CommitTempEdit(std::string_view) {
    return {};
}
ComboOutcome CalibrationDocument::ApproxMethodComboChange(int) {
    return {};
}
void CalibrationDocument::ApproxKindComboChange(int) {}
void CalibrationDocument::ApplyStandardSettings() {}
uint32_t CalibrationDocument::MaxLineCount() const {
    return 5;
}
