// The approximation engine: turns the calibration list into the meter's
// piecewise-linear characteristic.
//
// Every operation works on the caller's list, data list and line table and
// either completes or changes none of them: on an error the list keeps its
// order and values, and the line table and the data list are as they were.
// ApproxErrorText gives the operator's text for each error. The engine keeps
// no state of its own and runs on the thread that owns the document.
#pragma once

#include "approx/ApproxError.h"
#include "approx/Limits.h"
#include "approx/LineFit.h"
#include "approx/Sections.h"
#include "approx/Water.h"
#include "document/Datalist.h"

#include <array>
#include <cstdint>

// The fixed partition of the standard mode for one nominal diameter.
struct StandardPartition {
    double SpreadLimit = 0.0; // h that forms the sections
    double ErrorLimit = 0.0;  // δ that goes with the partition (the lines are not checked)
    double Tpriv = 20.0;      // reference temperature, °C
    // Sections at which lines 1 … 4 end and lines 2 … 5 begin; a 0 ends the list.
    std::array<int32_t, 4> Breaks{};
};

// "Автоматический": clears every break mark, forms the sections (h, Tpriv) and
// summarises up to 16 of them into data, then joins sections into lines from
// the low-flow end, each line as long as every record on it stays within
// ±delta (a line over two sections is taken without the check; neighbouring
// lines share their boundary section). Every record gets its line, flow and
// deviation. The list is left in reduced-flow order.
// Errors: BadSetting, NoEnabledRecords, BadMeasurement, TooManySections,
// TooFewSections, DegenerateFit, TooManyLines.
ApproxError ApproxAutomatic(TZorDataList& list, ApproxDataList& data, LineTable& lines, double h,
                            double delta, double Tpriv);

// "Ручной по средним" (byMeans) and "Ручной по всем": forms the sections and
// ends a line at every section holding a record the operator marked; without
// marks one line spans all sections. byMeans fits through the section means,
// otherwise through every reduced measurement. The marks stay. A mark in the
// first section ends the list of lines at once: the sections are summarised,
// the line table is left with no line and the records keep their lines.
// Errors: BadSetting, NoEnabledRecords, BadMeasurement, TooManySections,
// TooFewSections, DegenerateFit.
ApproxError ApproxManual(TZorDataList& list, ApproxDataList& data, LineTable& lines, double h,
                         double Tpriv, bool byMeans);

// "Стандартный": forms the sections with the partition's h and Tpriv, replaces
// the break marks by marks on the first record of each break section, and fits
// through the section means as "Ручной по средним". Whether the sections match
// the diameter's standard sequence is CheckStandardSections, asked first.
// Errors: as ApproxManual, and BadBreaks for a break beyond the sections.
ApproxError ApproxStandard(TZorDataList& list, ApproxDataList& data, LineTable& lines,
                           const StandardPartition& partition);

// "Линейная Q=af+b": one line through all enabled records, reduced at Tpriv;
// the list keeps its order and the data list is not touched.
// Errors: BadSetting, NoEnabledRecords, BadMeasurement, DegenerateFit.
ApproxError ApproxLinear(TZorDataList& list, LineTable& lines, double Tpriv);

// "Линейная Q=af": Q = a·F through all enabled records without any
// temperature reduction; B is 0.
// Errors: NoEnabledRecords, BadMeasurement, DegenerateFit.
ApproxError ApproxProportional(TZorDataList& list, LineTable& lines);
