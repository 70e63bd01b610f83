#include "document/MeasurementFormulas.h"

std::optional<double> VolumeFromMass(double, double) {
    return std::nullopt;
}
void ComputeVolumeFromMass(MeasurementRecord&) {}
void ComputeEtalonFlow(MeasurementRecord&) {}
void ComputeMeasuredFrequency(MeasurementRecord&) {}
void ComputeMeasuredFlow(MeasurementRecord&, const MeterParams&, double) {}
void ComputeFlowDeviation(MeasurementRecord&) {}
void ComputeComparedVolume(MeasurementRecord&, const MeterSettings&) {}
void ComputeVolumeDeviation(MeasurementRecord&) {}
MeasurementRecord MeasurementFromRig(const BkltResult&, uint32_t, const MeterSettings&,
                                     const MeterParams&) {
    return NewMeasurement();
}
