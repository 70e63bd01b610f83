#include "approx/Limits.h"

#include "approx/Water.h"

#include <cmath>

namespace {

bool InBand(double value) {
    return value >= kMinQuantity && value <= kMaxQuantity;
}

} // namespace

bool IsSpreadLimit(double h) {
    return h > 0.0 && h <= 1.0;
}

bool IsErrorLimit(double delta) {
    return delta > 0.0 && delta <= 1.0;
}

bool IsUsableMeasurement(const MeasurementRecord& record, bool withTemperature) {
    return InBand(record.EtalonFlow) && InBand(record.MeasuredFrequency) &&
           (!withTemperature || IsWaterTemperature(record.Temperature));
}

int64_t FindUnusableMeasurement(const TZorDataList& list, std::optional<double> Tpriv) {
    const auto records = list.Records();
    for (size_t i = 0; i < records.size(); ++i) {
        const MeasurementRecord& r = records[i];
        if (r.IsEnabled() && !IsUsableMeasurement(r, Tpriv.has_value()))
            return static_cast<int64_t>(i);
        if (Tpriv) {
            const double k = ViscosityRatio(r.Temperature, *Tpriv);
            if (std::isnan(r.EtalonFlow * k) || std::isnan(r.MeasuredFrequency * k))
                return static_cast<int64_t>(i);
        }
    }
    return -1;
}
