// The line table as the records of a list remember it.
#pragma once

#include "approx/LineFit.h"
#include "document/Datalist.h"

#include <cstdint>

// At most this many runs of equal Line are looked at.
inline constexpr uint32_t kMaxLineRuns = 32;

// Rebuilds the line table from the runs of equal Line along the list: line j
// takes LineA and LineB of the first record of run j, every line but the last
// ends at the MeasuredFrequency of the first record of the next run, and the
// last line is open (kOpenEnd). Fills at most kMaxLines lines and sets
// LineCount to their number; entries beyond it are left alone. Returns the
// number of runs found (up to kMaxLineRuns), so a caller sees when the table
// could not take them all.
uint32_t LineTableFromRuns(const TZorDataList& list, LineTable& lines);
