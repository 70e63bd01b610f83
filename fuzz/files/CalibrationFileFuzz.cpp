// The calibration file reader on arbitrary bytes: every input is either
// refused or read into lists and a line table that hold together.
#include "files/Calibrn3files.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TZorDataList calibration;
    TZorDataList verification;
    LineTable lines{};
    MeterSettings settings;
    const CalibrationReadStatus status =
        DecodeCalibrationFile(std::span(data, size), &calibration, &verification, &lines, settings);
    if (status == CalibrationReadStatus::Ok || status == CalibrationReadStatus::ShortRecords) {
        if (!HasValidIndices(settings) || lines.LineCount > kMaxLines)
            std::abort();
        // What was read is written back to the same records.
        const std::vector<uint8_t> again =
            EncodeCalibrationFile(settings, &calibration, nullptr, &verification);
        if (again.size() !=
            kCalibrationHeaderSize +
                kCalibrationRecordSize * (calibration.Count() + verification.Count()))
            std::abort();
    }
    return 0;
}
