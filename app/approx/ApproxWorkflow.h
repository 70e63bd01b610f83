// Outcomes of the approximation workflow of the main window. The operations
// themselves are CalibrationDocument's (ApproxBtnClick, ReplaceBtnClick,
// RecomputeMeasurements, CheckBeforeWrite, the limit edits and the mode
// combo); they are defined in ApproxWorkflow.cpp.
#pragma once

#include <cstdint>

// What "Выполнить\r\nаппроксимацию" did.
enum class ApproxRun {
    Empty,   // the calibration list holds no record: nothing happened, nothing shown
    Done,    // a new characteristic is in the line table and the records
    Refused, // a rule of the workflow refused; its message was shown
    Failed,  // the measurements give no characteristic (too few sections, a
             // degenerate line, …); the message was shown and the document
             // is as it was before the button
};

// What "Запись параметров" may write after its checks and questions.
enum class WriteDecision {
    Stop,                // write nothing
    CoefficientsOnly,    // the parameters with the line table
    CoefficientsAndData, // also the approximation data list (journal)
};

// The coefficient limit of a one-line meter for a diameter, as the ГКМС
// protocol library gives it: (an ignored argument, Du index) → limit.
using CoefficientLimitFn = double (*)(int32_t, uint32_t);

// The standard-mode line counts: a meter with the standard mode takes up to 5
// lines, another piecewise meter up to 4, a one-line meter exactly 1.
inline constexpr uint32_t kMaxLinesStandardMeter = 5;
inline constexpr uint32_t kMaxLinesPiecewiseMeter = 4;
// The data list a meter with the standard mode keeps in its journal.
inline constexpr uint32_t kJournalItems = 6;
// Sections the standard mode needs.
inline constexpr uint32_t kStandardSections = 7;
