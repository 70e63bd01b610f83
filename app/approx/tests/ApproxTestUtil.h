// Small builders shared by the engine's tests.
#pragma once

#include "approx/Approx.h"

#include <cstring>
#include <span>
#include <vector>

namespace approx_test {

// A measurement of flow Q (m³/h) at frequency F (Hz) in water at T (°C).
inline MeasurementRecord Point(double F, double Q, double T = 20.0) {
    MeasurementRecord r = NewMeasurement();
    r.MeasuredFrequency = F;
    r.EtalonFlow = Q;
    r.Temperature = T;
    return r;
}

inline MeasurementRecord Disabled(MeasurementRecord r) {
    r.Flags |= RecordFlag::Disabled;
    return r;
}

inline MeasurementRecord Marked(MeasurementRecord r) {
    r.Flags |= RecordFlag::LinePoint;
    return r;
}

inline TZorDataList ListOf(const std::vector<MeasurementRecord>& records) {
    TZorDataList list;
    for (const auto& r : records)
        list.Add(r);
    return list;
}

// A line table with recognisable values in every entry, so that a test sees
// which entries the engine wrote.
inline LineTable FilledTable() {
    LineTable table{};
    for (uint32_t j = 0; j < kMaxLines; ++j) {
        table.A[j] = 100 + j;
        table.B[j] = 200 + j;
        table.Fmax[j] = 300 + j;
    }
    table.LineCount = 3;
    table.DuIndex = 4;
    return table;
}

inline bool SameRecords(std::span<const MeasurementRecord> a,
                        std::span<const MeasurementRecord> b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size_bytes()) == 0);
}

inline bool SameBytes(const TZorDataList& a, const TZorDataList& b) {
    return a.Ordered() == b.Ordered() && SameRecords(a.Records(), b.Records());
}

template <class T> bool SameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

} // namespace approx_test
