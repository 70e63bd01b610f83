#include "approx/LineFit.h"

#include "approx/EngineDetail.h"
#include "approx/Water.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace approx_detail {

void FitSums::Add(double x, double y) {
    if (!(x > 0.0) || !std::isfinite(x) || !std::isfinite(y)) {
        Usable = false;
        return;
    }
    const double t = y / x;
    const double u = 1.0 / x;
    S0 += t * t;
    S1 += t * u;
    S2 += u * u;
    S3 += t;
    S4 += u;
    MinY = Points == 0 ? y : std::min(MinY, y);
    MaxY = Points == 0 ? y : std::max(MaxY, y);
    ++Points;
}

FitSums& FitSums::operator+=(const FitSums& other) {
    S0 += other.S0;
    S1 += other.S1;
    S2 += other.S2;
    S3 += other.S3;
    S4 += other.S4;
    if (other.Points > 0) {
        MinY = Points == 0 ? other.MinY : std::min(MinY, other.MinY);
        MaxY = Points == 0 ? other.MaxY : std::max(MaxY, other.MaxY);
    }
    Points += other.Points;
    Usable = Usable && other.Usable;
    return *this;
}

void AddRecord(FitSums& sums, const MeasurementRecord& record, double k, bool byMeans) {
    if (byMeans)
        sums.Add(record.SectionFlow, record.SectionFrequency);
    else
        sums.Add(record.EtalonFlow * k, record.MeasuredFrequency * k);
}

ApproxError SolveLine(const FitSums& s, double& a, double& b) {
    if (!s.Usable)
        return ApproxError::BadMeasurement;
    // Points at a single frequency leave the slope open: t and u are then
    // proportional and the determinant vanishes, up to rounding that would
    // otherwise pass for a line.
    if (s.Points == 0 || s.MinY == s.MaxY)
        return ApproxError::DegenerateFit;
    const double det = s.S0 * s.S2 - s.S1 * s.S1;
    if (!(det > 0.0) || !std::isfinite(det))
        return ApproxError::DegenerateFit;
    const double fitA = (s.S2 * s.S3 - s.S1 * s.S4) / det;
    const double fitB = (s.S0 * s.S4 - s.S1 * s.S3) / det;
    if (!std::isfinite(fitA) || !std::isfinite(fitB))
        return ApproxError::DegenerateFit;
    a = fitA;
    b = fitB;
    return ApproxError::None;
}

bool WithinError(std::span<const MeasurementRecord> records, std::span<const uint32_t> enabled,
                 double Tpriv, double a, double b, double delta) {
    for (auto it = enabled.rbegin(); it != enabled.rend(); ++it) {
        const MeasurementRecord& r = records[*it];
        const double k = ViscosityRatio(r.Temperature, Tpriv);
        const double flow = a * r.MeasuredFrequency + b / k;
        // Written so that a deviation that is no number fails.
        if (!(std::fabs((flow - r.EtalonFlow) / r.EtalonFlow) <= delta))
            return false;
    }
    return true;
}

namespace {

// The line serving reduced frequency reducedF: a frequency equal to a limit
// belongs to the lower line.
uint32_t LineIndex(const LineTable& table, double reducedF) {
    uint32_t j = 0;
    while (j + 1 < table.LineCount && table.Fmax[j] < reducedF)
        ++j;
    return j;
}

} // namespace

ApproxError ApplyLines(TZorDataList& list, const LineTable& table, double Tpriv, bool reduced) {
    struct Result {
        uint32_t line;
        double flow, deviation;
    };
    const auto compute = [&](const MeasurementRecord& r) {
        const double k = reduced ? ViscosityRatio(r.Temperature, Tpriv) : 1.0;
        const uint32_t j = LineIndex(table, r.MeasuredFrequency * k);
        const double flow = table.A[j] * r.MeasuredFrequency + table.B[j] / k;
        return Result{j, flow, (flow - r.EtalonFlow) / r.EtalonFlow};
    };
    // Every enabled record must get a finite flow before any record is written.
    for (const MeasurementRecord& r : list.Records()) {
        if (!r.IsEnabled())
            continue;
        const Result result = compute(r);
        if (!std::isfinite(result.flow) || !std::isfinite(result.deviation))
            return ApproxError::DegenerateFit;
    }
    for (MeasurementRecord& r : list.Records()) {
        const Result result = compute(r);
        r.Line = static_cast<int32_t>(result.line);
        r.LineA = table.A[result.line];
        r.LineB = table.B[result.line];
        // A disabled record may be half typed; it gets 0 rather than an
        // infinity.
        const bool finite = std::isfinite(result.flow) && std::isfinite(result.deviation);
        r.MeasuredFlow = std::isfinite(result.flow) ? result.flow : 0.0;
        r.FlowDeviation = finite ? result.deviation : 0.0;
    }
    return ApproxError::None;
}

void StoreLines(LineTable& target, const LineTable& source) {
    for (uint32_t j = 0; j < source.LineCount && j < kMaxLines; ++j) {
        target.A[j] = source.A[j];
        target.B[j] = source.B[j];
        target.Fmax[j] = source.Fmax[j];
    }
    target.LineCount = source.LineCount;
}

} // namespace approx_detail

using namespace approx_detail;

ApproxError FlowAt(const LineTable& lines, double F, double T, double Tpriv, LineFlow& out) {
    if (lines.LineCount < 1 || lines.LineCount > kMaxLines)
        return ApproxError::NoLines;
    if (!IsWaterTemperature(Tpriv))
        return ApproxError::BadSetting;
    if (!IsWaterTemperature(T) || !std::isfinite(F))
        return ApproxError::BadMeasurement;
    const double k = ViscosityRatio(T, Tpriv);
    const uint32_t j = LineIndex(lines, F * k);
    const double flow = lines.A[j] * F + lines.B[j] / k;
    if (!std::isfinite(flow))
        return ApproxError::NoLines;
    out = LineFlow{flow, static_cast<int32_t>(j)};
    return ApproxError::None;
}

ApproxError ApplyFlowAt(MeasurementRecord& record, const LineTable& lines, double Tpriv) {
    LineFlow result{};
    const ApproxError error =
        FlowAt(lines, record.MeasuredFrequency, record.Temperature, Tpriv, result);
    if (error != ApproxError::None)
        return error;
    const double deviation = (result.Flow - record.EtalonFlow) / record.EtalonFlow;
    record.MeasuredFlow = result.Flow;
    record.Line = result.Line;
    record.FlowDeviation = std::isfinite(deviation) ? deviation : 0.0;
    return ApproxError::None;
}

ApproxError FitLine(const TZorDataList& list, uint32_t first, uint32_t last, double Tpriv,
                    bool byMeans, double& a, double& b) {
    const std::vector<uint32_t> enabled = list.EnabledPositions();
    if (first > last || last >= enabled.size())
        return ApproxError::BadRange;
    if (!IsWaterTemperature(Tpriv))
        return ApproxError::BadSetting;
    const auto records = list.Records();
    FitSums sums;
    for (uint32_t n = first; n <= last; ++n) {
        const MeasurementRecord& r = records[enabled[n]];
        if (!byMeans && !IsWaterTemperature(r.Temperature))
            return ApproxError::BadMeasurement;
        AddRecord(sums, r, ViscosityRatio(r.Temperature, Tpriv), byMeans);
    }
    return SolveLine(sums, a, b);
}

bool CheckLine(const TZorDataList& list, uint32_t first, uint32_t last, double Tpriv, double a,
               double b, double delta) {
    const std::vector<uint32_t> enabled = list.EnabledPositions();
    if (first > last || last >= enabled.size() || !IsWaterTemperature(Tpriv))
        return false;
    return WithinError(list.Records(), std::span(enabled).subspan(first, last - first + 1), Tpriv,
                       a, b, delta);
}
