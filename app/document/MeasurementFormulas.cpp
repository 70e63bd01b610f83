#include "document/MeasurementFormulas.h"

#include "approx/LineFit.h"
#include "approx/Water.h"

#include <cmath>

namespace {

// m³/h from litres per second.
constexpr double kLitresPerSecondToCubicMetresPerHour = 3.6;
constexpr double kLitresPerCubicMetre = 1000.0;

// a / b when that is a number, else nothing.
std::optional<double> Quotient(double a, double b) {
    const double q = a / b;
    if (!std::isfinite(q))
        return std::nullopt;
    return q;
}

// The relative deviation of a value from its reference; 0 without a reference.
double Deviation(double value, double reference) {
    return Quotient(value - reference, reference).value_or(0.0);
}

// (N − 1) / t: the first pulse opens the count, so N pulses span N − 1 periods.
double PulseFrequency(int32_t pulses, double seconds) {
    if (pulses < 2)
        return 0.0;
    return Quotient(static_cast<double>(pulses) - 1.0, seconds).value_or(0.0);
}

} // namespace

std::optional<double> VolumeFromMass(double massKg, double temperature) {
    const std::optional<double> density = WaterDensity(temperature, kAtmosphericPressure);
    if (!density)
        return std::nullopt;
    return Quotient(massKg, *density);
}

void ComputeVolumeFromMass(MeasurementRecord& record) {
    if (const auto volume = VolumeFromMass(record.EtalonMass, record.Temperature))
        record.EtalonVolume = *volume;
}

void ComputeEtalonFlow(MeasurementRecord& record) {
    if (!(record.EtalonTime > 0.0))
        return;
    if (const auto flow =
            Quotient(kLitresPerSecondToCubicMetresPerHour * record.EtalonVolume, record.EtalonTime))
        record.EtalonFlow = *flow;
}

void ComputeMeasuredFrequency(MeasurementRecord& record) {
    if (record.MeasuredTime > 0.0)
        record.MeasuredFrequency = PulseFrequency(record.MeasuredPulses, record.MeasuredTime);
}

void ComputeMeasuredFlow(MeasurementRecord& record, const MeterParams& lines, double Tpriv) {
    LineFlow flow{};
    if (FlowAt(lines, record.MeasuredFrequency, record.Temperature, Tpriv, flow) !=
        ApproxError::None) {
        record.MeasuredFlow = 0.0;
        return;
    }
    record.MeasuredFlow = flow.Flow;
    record.Line = flow.Line;
}

void ComputeFlowDeviation(MeasurementRecord& record) {
    record.FlowDeviation = Deviation(record.MeasuredFlow, record.EtalonFlow);
}

void ComputeComparedVolume(MeasurementRecord& record, const MeterSettings& settings) {
    record.ComparedVolume = settings.OutputType == OutputKind::Pulse
                                ? record.ComparedPulses * kLitresPerCubicMetre * PriceOf(settings)
                                : 0.0;
}

void ComputeVolumeDeviation(MeasurementRecord& record) {
    record.VolumeDeviation = Deviation(record.ComparedVolume, record.EtalonVolume);
}

MeasurementRecord MeasurementFromRig(const BkltResult& result, uint32_t flags,
                                     const MeterSettings& settings, const MeterParams& lines) {
    MeasurementRecord record{};
    record.Temperature = result.Temperature;
    record.EtalonTime = result.Tq;
    record.MeasuredTime = result.T1;
    record.MeasuredPulses = result.N1;
    if (flags & BkltFlag::Mass) {
        record.EtalonMass = result.EtalonMass;
        record.EtalonVolume = VolumeFromMass(result.EtalonMass, result.Temperature).value_or(0.0);
    } else {
        record.EtalonVolume = result.EtalonVolume;
    }
    // The rig gates the meter's pulses with its own reference time.
    record.MeasuredFrequency = PulseFrequency(result.N1, result.Tq);
    record.EtalonFlow =
        Quotient(kLitresPerSecondToCubicMetresPerHour * record.EtalonVolume, result.Tq)
            .value_or(0.0);
    // The line comes from the characteristic as for a typed measurement, so
    // the table numbers and colours rig records by their real line.
    ComputeMeasuredFlow(record, lines, settings.Tpriv);
    ComputeFlowDeviation(record);
    if (flags & BkltFlag::Verification) {
        record.ComparedPulses = result.N2;
        ComputeComparedVolume(record, settings);
        ComputeVolumeDeviation(record);
    }
    return record;
}
