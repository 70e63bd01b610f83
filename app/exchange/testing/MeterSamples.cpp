#include "MeterSamples.h"

MeterParams SampleMeterParams(uint32_t version) {
    MeterParams record{};
    record.Version = version;
    record.DuIndex = 5;
    record.LineCount = 3;
    record.PulseDuration = 0.5;
    record.DivisionFactor = 4;
    record.WeightCode = 2;
    const double a[] = {0.21, 0.2, 0.19};
    const double b[] = {0.01, 0.05, 0.12};
    const double f[] = {30, 120, 1e200};
    for (int i = 0; i < 3; ++i) {
        record.A[i] = a[i];
        record.B[i] = b[i];
        record.Fmax[i] = f[i];
        record.Hysteresis[i] = 0.01;
    }
    return record;
}

ApproxDataList SampleJournal() {
    ApproxDataList list{};
    list.DuIndex = 4;
    list.Count = 6;
    for (uint32_t i = 0; i < 6; ++i) {
        list.Items[i].Q = ZorComLgmSeqItem(4, i) * 1.01;
        list.Items[i].F = 12.5 * (i + 1);
    }
    return list;
}
