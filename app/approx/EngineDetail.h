// Pieces shared by the engine's source files; callers use Approx.h.
#pragma once

#include "approx/ApproxError.h"
#include "approx/LineFit.h"
#include "document/Datalist.h"

#include <cstdint>
#include <span>

namespace approx_detail {

// The sums of the relative-error least squares over points (x, y) = (reduced
// flow, reduced frequency), with t = y/x and u = 1/x. Sums of disjoint ranges
// add up, so a fit over consecutive sections adds the sections' sums.
struct FitSums {
    double S0 = 0, S1 = 0, S2 = 0, S3 = 0, S4 = 0; // Σt², Σtu, Σu², Σt, Σu
    double MinY = 0, MaxY = 0;                     // range of y, for degeneracy
    uint64_t Points = 0;
    bool Usable = true; // false once a point could not be taken

    void Add(double x, double y);
    FitSums& operator+=(const FitSums& other);
};

// Adds the point of one record to sums: its section means (byMeans) or its own
// reduced values with factor k.
void AddRecord(FitSums& sums, const MeasurementRecord& record, double k, bool byMeans);

// a and b of the line x = a·y + b that the sums determine.
ApproxError SolveLine(const FitSums& sums, double& a, double& b);

// Whether each record at enabled[i] for i in the span lies within ±delta of
// the line; looks at the last records first, where an over-long line fails.
bool WithinError(std::span<const MeasurementRecord> records, std::span<const uint32_t> enabled,
                 double Tpriv, double a, double b, double delta);

// Writes line j's coefficients, its flow and its deviation for every record
// from the first table.LineCount lines. reduced = false reads the lines
// without temperature reduction (the proportional model). DegenerateFit,
// writing nothing, when an enabled record would get no finite flow or
// deviation.
ApproxError ApplyLines(TZorDataList& list, const LineTable& table, double Tpriv, bool reduced);

// Copies the line fields of the first source.LineCount lines and LineCount.
void StoreLines(LineTable& target, const LineTable& source);

} // namespace approx_detail
