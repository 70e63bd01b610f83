// A copy of what a failed exchange must leave alone in the calibration
// document: both measurement lists, the meter settings, the line table and
// the approximation data list.
#pragma once

#include "document/CalibrationDocument.h"

#include <string>
#include <vector>

class DocumentImage {
public:
    explicit DocumentImage(const CalibrationDocument& document);

    // What differs in document now, in a few words; empty when nothing does.
    std::string Difference(const CalibrationDocument& document) const;

private:
    std::vector<MeasurementRecord> calibration_;
    std::vector<MeasurementRecord> verification_;
    MeterSettings settings_;
    MeterParams lines_;
    ApproxDataList sections_;
};
