// The calibration file (*.srv): one calibration document — the meter
// settings, both measurement lists and the line table of the characteristic.
//
// Layout, little-endian, no checksum:
//   header, 128 bytes: magic 0x5A4F5233, version (1 or 2), the settings and,
//     at offset 124, the number of records that follow;
//   line block, 512 bytes, version 2 only: LineCount and A, B, Fmax[16];
//   the measurement records, 144 bytes each, as they are held in memory: the
//     calibration list, then the verification list. The top byte of Flags
//     tells the list: 0x00 calibration, 0x80 verification; records with any
//     other tag are skipped on reading.
// Real settings are stored ×10000 as unsigned words (FileFields.h).
#pragma once

#include "approx/LineFit.h"
#include "document/Datalist.h"
#include "document/MeterSettings.h"
#include "files/FileIo.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

inline constexpr uint32_t kCalibrationMagic = 0x5A4F5233;
inline constexpr size_t kCalibrationHeaderSize = 128;
inline constexpr size_t kCalibrationLineBlockSize = 512;
inline constexpr size_t kCalibrationRecordSize = sizeof(MeasurementRecord);
// List tags in the top byte of a stored record's Flags.
inline constexpr uint32_t kCalibrationTag = 0x00;
inline constexpr uint32_t kVerificationTag = 0x80;
// A stored LineCount above this is taken as this many lines.
inline constexpr uint32_t kMaxStoredLineCount = 7;

enum class CalibrationReadStatus {
    Ok,             // the header was accepted and all records were read
    CannotOpen,     // the file could not be opened or read
    ShortHeader,    // fewer than 128 bytes
    BadMagic,       // not a calibration file
    BadVersion,     // a version other than 1 and 2
    BadIndex,       // a stored index outside its table: a damaged file
    ShortLineBlock, // version 2 without a whole line block
    ShortRecords,   // fewer records than the header counts
};

// The file's bytes. Version 2 with lines (lines given), else version 1.
// Either list may be absent (counts as empty).
std::vector<uint8_t> EncodeCalibrationFile(const MeterSettings& settings,
                                           const TZorDataList* calibration, const LineTable* lines,
                                           const TZorDataList* verification);

// Reads a file's bytes into the given targets; absent targets are skipped.
// The lists are emptied first and receive the records of their tag. The
// settings receive the stored fields (DevType … ApproxMethod) once the header
// is accepted; the line table receives LineCount (at most
// kMaxStoredLineCount), A, B and all 16 Fmax of a version 2 block, or for
// version 1 the lines the calibration records remember (LineTableFromRuns;
// none when the first record's LineA or LineB is 0). The calibration list's
// order is checked (CheckOrder).
//
// A header whose type, Du, output, price selector, model or mode index lies
// outside its table is refused (BadIndex) before anything is changed.
// Otherwise a failure leaves what was read so far in the targets: callers
// read into fresh objects and keep them only on Ok.
CalibrationReadStatus DecodeCalibrationFile(std::span<const uint8_t> bytes,
                                            TZorDataList* calibration, TZorDataList* verification,
                                            LineTable* lines, MeterSettings& settings);

// Writes the file through an AtomicFileWriter: on any failure the file that
// was there before is left as it was.
WriteOutcome WriteCalibrationFile(const std::string& path, const MeterSettings& settings,
                                  const TZorDataList* calibration, const LineTable* lines,
                                  const TZorDataList* verification);

// Reads the file at path as DecodeCalibrationFile does; CannotOpen when it
// cannot be read.
CalibrationReadStatus ReadCalibrationFile(const std::string& path, TZorDataList* calibration,
                                          TZorDataList* verification, LineTable* lines,
                                          MeterSettings& settings);
