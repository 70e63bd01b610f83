// Straight lines of the characteristic: fitting, checking and reading them.
#pragma once

#include "approx/ApproxError.h"
#include "document/Datalist.h"

#include "ZorComLgm.h"

#include <cstdint>

// The characteristic is the line fields of the meter's parameter record — A,
// B, Fmax and LineCount — so the table the engine writes is the one that goes
// into the meter and the one reading the meter fills. The engine writes
// nothing else of the record, and no entry beyond LineCount.
using LineTable = MeterParams;

inline constexpr uint32_t kMaxLines = ZORCOMLGM_MAX_LINES;
// Fmax of the last line: it serves every frequency above the one before.
inline constexpr double kOpenEnd = 1e200;

// The flow a characteristic gives and the line that gave it.
struct LineFlow {
    double Flow; // m³/h
    int32_t Line;
};

// The flow for frequency F (Hz) of water at T (°C): the first line whose Fmax
// is not below the reduced frequency F·k gives Q = A·F + B/k (a line written
// for reduced quantities, read at the measurement's own temperature).
// Errors: NoLines (LineCount 0 or above kMaxLines, or a line that gives no
// number), BadSetting (Tpriv), BadMeasurement (T not a water temperature, F
// not finite).
ApproxError FlowAt(const LineTable& lines, double F, double T, double Tpriv, LineFlow& out);

// Puts FlowAt's answer for the record's frequency and temperature into
// MeasuredFlow and Line, and FlowDeviation = (MeasuredFlow − EtalonFlow) /
// EtalonFlow (0 when that is no number, e.g. without a reference flow). Errors
// as FlowAt; the record is then left as it was.
ApproxError ApplyFlowAt(MeasurementRecord& record, const LineTable& lines, double Tpriv);

// Least-squares line Q' = a·F' + b through the enabled positions first … last
// (inclusive) that minimises the squared relative flow errors. byMeans takes
// each record's section means (SectionFlow, SectionFrequency); otherwise its
// own reduced flow and frequency at Tpriv.
// Errors: BadRange (first > last or last beyond the enabled records),
// BadSetting (Tpriv), BadMeasurement (a point with a flow that is not
// positive, or values that are not finite), DegenerateFit (all points at one
// reduced frequency, or coefficients that overflow).
ApproxError FitLine(const TZorDataList& list, uint32_t first, uint32_t last, double Tpriv,
                    bool byMeans, double& a, double& b);

// Whether every enabled record of first … last lies within ±delta (relative)
// of the line: Qc = a·F + b/k against EtalonFlow; a deviation equal to delta
// passes. False as well for a bad range or Tpriv, or values giving no number.
bool CheckLine(const TZorDataList& list, uint32_t first, uint32_t last, double Tpriv, double a,
               double b, double delta);
