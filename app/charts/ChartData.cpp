#include "charts/ChartData.h"

#include "document/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

template <class Fill> ChartDataSet Collect(const TZorDataList& list, Fill fill) {
    ChartDataSet data;
    const uint32_t n = list.EnabledCount();
    for (auto* column : {&data.F, &data.Qc, &data.Q, &data.E})
        column->reserve(n);
    for (const MeasurementRecord& r : list.Records()) {
        if (!r.IsEnabled())
            continue;
        double qc = kNaN, e = kNaN;
        fill(r, qc, e);
        data.F.push_back(r.MeasuredFrequency);
        data.Qc.push_back(qc);
        data.Q.push_back(r.EtalonFlow);
        data.E.push_back(e);
    }
    return data;
}

} // namespace

ChartDataSet DocumentDataSet(const TZorDataList& list) {
    return Collect(list, [](const MeasurementRecord& r, double& qc, double& e) {
        qc = (1 + r.FlowDeviation) * r.EtalonFlow;
        e = 100 * r.FlowDeviation;
    });
}

ChartDataSet FileDataSet(const TZorDataList& list, const LineTable& lines, double Tpriv) {
    return Collect(list, [&](const MeasurementRecord& r, double& qc, double& e) {
        LineFlow flow{};
        if (FlowAt(lines, r.MeasuredFrequency, r.Temperature, Tpriv, flow) != ApproxError::None)
            return;
        qc = flow.Flow;
        if (r.EtalonFlow != 0)
            e = 100 * (qc - r.EtalonFlow) / r.EtalonFlow;
    });
}

std::vector<ChartPoint> SortedPoints(std::span<const double> x, std::span<const double> y) {
    std::vector<ChartPoint> points;
    const size_t n = std::min(x.size(), y.size());
    points.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (std::isfinite(x[i]) && std::isfinite(y[i]))
            points.push_back({x[i], y[i]});
    std::stable_sort(points.begin(), points.end(),
                     [](const ChartPoint& a, const ChartPoint& b) { return a.X < b.X; });
    return points;
}

std::string ChartTitle(const MeterSettings& settings) {
    const int32_t du = settings.DuIndex >= 0 && settings.DuIndex < kDuCount
                           ? DuTable[settings.DuIndex]
                           : DuTable[0];
    return "Номер прибора: " + FormatSerialNumber(settings.SerNo) + ",  Ду: " + FormatInteger(du) +
           ",  Тип: " + MeterTypeOf(settings.DevType).Name;
}

void ValueRange::Add(double value) {
    if (!std::isfinite(value))
        return;
    if (Empty) {
        Min = Max = value;
        Empty = false;
    } else {
        Min = std::min(Min, value);
        Max = std::max(Max, value);
    }
    if (value > 0 && (MinPositive == 0 || value < MinPositive))
        MinPositive = value;
}

void ValueRange::Add(const ValueRange& other) {
    if (other.Empty)
        return;
    Add(other.Min);
    Add(other.Max);
    if (other.MinPositive > 0)
        Add(other.MinPositive);
}
