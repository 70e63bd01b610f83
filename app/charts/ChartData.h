// The data the graph windows draw: one data set per source of measurements,
// and the series points made from it.
#pragma once

#include "approx/LineFit.h"
#include "document/Datalist.h"
#include "document/MeterSettings.h"

#include <cstddef>
#include <span>
#include <string>
#include <vector>

// Four arrays of one value per enabled record, in list order:
//  F  — MeasuredFrequency, Hz;
//  Qc — the flow the characteristic gives, m³/h;
//  Q  — EtalonFlow, m³/h;
//  E  — the relative flow error, %.
// A value that cannot be computed is NaN; its points are not drawn.
struct ChartDataSet {
    std::vector<double> F, Qc, Q, E;
    size_t Size() const { return F.size(); }
};

// The current document's data: Qc = (1 + FlowDeviation)·EtalonFlow, the flow
// of the characteristic recovered from the stored error, and E =
// 100·FlowDeviation. Disabled records are left out.
ChartDataSet DocumentDataSet(const TZorDataList& list);

// Another calibration's records evaluated with the current characteristic:
// Qc = FlowAt(lines, F, the record's Temperature, Tpriv) and E = 100·(Qc −
// Q)/Q. Disabled records are left out; a record FlowAt refuses or with no
// reference flow keeps its place with NaN values.
ChartDataSet FileDataSet(const TZorDataList& list, const LineTable& lines, double Tpriv);

struct ChartPoint {
    double X, Y;
    bool operator==(const ChartPoint&) const = default;
};

// The points (x[i], y[i]) in ascending x, equal x in their given order; pairs
// with a coordinate that is no finite number are left out.
std::vector<ChartPoint> SortedPoints(std::span<const double> x, std::span<const double> y);

// The title of both graph windows: "Номер прибора: %.8Ld,  Ду: %d,  Тип: %s"
// with the serial number, the nominal diameter in mm and the type name.
std::string ChartTitle(const MeterSettings& settings);

// The smallest and largest of some values, and the smallest positive one (for
// a logarithmic axis). Empty when no value was given.
struct ValueRange {
    bool Empty = true;
    double Min = 0.0, Max = 0.0;
    double MinPositive = 0.0; // 0 when no value is positive

    void Add(double value);
    void Add(const ValueRange& other);
};
