// Import of *.kla files, the measurement files of an older piecewise-linear
// approximation program.
//
// A file is a sequence of fixed-size records without a header: 160 bytes
// (version 1) or 180 bytes (version 2). A record holds a mark byte, the
// reference flow, the frequency and the section means as 80-bit extended
// reals, the relative error and the line coefficients as length-prefixed
// decimal texts, and in version 2 the water temperature, and in the first
// record the reference temperature and the spread limit.
#pragma once

#include "approx/LineFit.h"
#include "approx/Sections.h"
#include "document/Datalist.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

inline constexpr size_t kKlaRecordSizeV1 = 160;
inline constexpr size_t kKlaRecordSizeV2 = 180;
// The reference temperature of a version 1 file, which does not store one.
inline constexpr double kKlaDefaultTpriv = 20.0;

enum class KlaReadStatus {
    Ok,
    Empty, // "Импорт данных невозможен - файл пуст"
    UnknownSize, // "Не могу распознать версию файла.\nОперация прервана"
    BadReal,         // an extended real that is infinite, NaN or beyond a double
    BadMeasurements, // settings or measurements no section can be formed from
    TooManyLines,    // more runs of line coefficients than the line table holds
};

// The message a failed import shows before "Ошибка при импорте данных";
// null when it shows none of its own.
const char* KlaReadMessage(KlaReadStatus status);

// A length-prefixed decimal text of a record: a length byte (cut to the
// field) and the characters. The first of ' ', '.', ',', ';', CR and LF is
// made a '.' when it is a ',', then a real number is read from the start; 0
// when the length is 0 or no number can be read.
double ReadKlaText(std::span<const uint8_t> field);

// What a .kla file puts into the document.
struct KlaImport {
    int Version = 0;
    // The records in file order, with their sections, section means, line
    // numbers and line coefficients.
    TZorDataList List;
    ApproxDataList Data; // the section summaries (up to kApproxDataCapacity)
    LineTable Lines{};   // only the line fields are filled
    double Tpriv = kKlaDefaultTpriv;
    std::optional<double> SpreadLimit; // version 2: the first record's, a fraction
};

// Reads the file's bytes and rebuilds what the older program did not store:
// the records are grouped into sections in their file order (not sorted)
// with the file's spread limit (version 1: spreadLimit, the document's) and
// reference temperature, the lines are numbered from the coefficients, the
// section summaries and the line table follow from them.
// A file with more runs of line coefficients than the line table holds is
// refused rather than cut (TooManyLines).
KlaReadStatus ImportKlaFile(std::span<const uint8_t> bytes, double spreadLimit, KlaImport& out);
