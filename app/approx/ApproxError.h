// Why an approximation step could not be done.
#pragma once

enum class [[nodiscard]] ApproxError{
    None = 0,
    NoEnabledRecords, // the list holds no enabled measurement
    BadSetting,       // spread limit, error limit or reference temperature out of range
    BadMeasurement,   // a measurement's flow, frequency or temperature cannot be used
    BadRange,         // a record range outside the enabled records
    TooManySections,  // more sections than line forming can index
    TooFewSections,   // fewer than two sections: no line can be formed
    BadBreaks,        // a break names a section the measurements do not have
    DegenerateFit,    // the points of a line do not determine it, or it overflows
    TooManyLines,     // the characteristic would need more lines than the table holds
    NoLines,          // the line table holds no usable line
};

// The operator's text for an error (UTF-8); empty for None.
const char* ApproxErrorText(ApproxError error);
