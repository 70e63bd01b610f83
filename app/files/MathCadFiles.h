// MathCAD text files: a data file (*.txt) with one measurement per line and
// an optional header file (*.hdr, same name) naming the columns by
// two-letter codes.
//
// Data lines hold the values of the chosen columns in column order, each
// followed by one space, and end with CR LF; reals are written with six
// decimals, integers as they are. The header is one line of the chosen codes,
// each followed by one space, without a line end. Without a header file a
// data file is read as the columns "Q_" and "F_".
#pragma once

#include "document/Datalist.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One column: its code in header files and its item in the column window's
// check list. The position in kMathCadColumns is the column index (the
// ExportColumn of the list, and bit i of a column mask).
struct MathCadColumn {
    const char* Code;
    const char* Item;
};
extern const std::array<MathCadColumn, ExportColumn::Count> kMathCadColumns;

// Columns of a data file read without a header: "Q_", "F_".
inline constexpr std::array<int, 2> kMathCadDefaultColumns{ExportColumn::EtalonFlow,
                                                           ExportColumn::MeasuredFrequency};
// The export mask the program starts with: "T_", "Q_", "F_", "dQ", "A_", "B_".
inline constexpr uint32_t kMathCadInitialMask = 0x31C2;
// Every column.
inline constexpr uint32_t kMathCadAllColumns = (1u << ExportColumn::Count) - 1;

// The header file's name for a data file's: cut after the last '.' and
// "hdr" appended ("m1.txt" → "m1.hdr").
std::string MathCadHeaderPath(std::string_view dataPath);

// The column of a code ("dQ" → 8); nullopt for an unknown code (codes are
// case-sensitive).
std::optional<int> MathCadColumnOf(std::string_view code);

// The columns of a header line: blanks between codes are skipped, codes need
// no separator ("T_ Q_F_ dQ" → 1, 6, 7, 8), a single character left at the
// end is ignored. nullopt when a code is unknown.
std::optional<std::vector<int>> ParseMathCadHeader(std::string_view line);

// Reads data lines into list (which is emptied first) until an empty line or
// the end. Each line gives a record with every field zero and the
// temperature 20 °C; its values go into the columns in order ("dQ" and "dV"
// from per cent, integer columns must be whole numbers of 32 bits), values
// beyond the columns are ignored, a line with no value at all (a line of
// titles) is skipped. False when a line has fewer values than columns or an
// integer column's value does not fit; the records before it stay in list.
// The list's order is checked (CheckOrder).
bool ParseMathCadData(std::string_view text, std::span<const int> columns, TZorDataList& list);

// The header line of a mask: each chosen code followed by one space.
std::string MathCadHeaderLine(uint32_t mask);

// The data file's text: for every record of the list, enabled or not, its
// chosen columns (FormatColumns) and CR LF.
std::string MathCadDataText(const TZorDataList& list, uint32_t mask);

// Reads a data file and, when headerPath names a file that exists, its
// header. False when a file cannot be read, the header line is not valid or
// a data line is short (ParseMathCadData).
bool ImportMathCadFile(const std::string& dataPath, const std::string& headerPath,
                       TZorDataList& list);
