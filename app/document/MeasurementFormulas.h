// The derived quantities of one measurement.
//
// Units: volumes in litres, times in seconds, flows in m³/h, frequencies in
// Hz, deviations as fractions. Each function renews only the quantities it
// names; which typed value renews which quantity is the measurement table's
// business (MeasurementTable) and the rig intake's (MeasurementFromRig).
// A quantity whose inputs cannot give a number (a zero time, no pulses, an
// unknown water density) keeps the value it held, except where noted.
#pragma once

#include "document/Datalist.h"
#include "document/MeterSettings.h"

#include "ZorComLgm.h" // MeterParams: its line fields are the line table

#include <cstdint>
#include <optional>

// The reference volume of a weighed mass: mass / density of water at T.
// nullopt when T is outside the temperatures water has a density for.
std::optional<double> VolumeFromMass(double massKg, double temperature);

// EtalonVolume from EtalonMass and Temperature.
void ComputeVolumeFromMass(MeasurementRecord& record);
// EtalonFlow = 3.6 × EtalonVolume / EtalonTime, while EtalonTime > 0.
void ComputeEtalonFlow(MeasurementRecord& record);
// MeasuredFrequency = (MeasuredPulses − 1) / MeasuredTime, while MeasuredTime
// > 0; fewer than two pulses give 0 Hz rather than a negative frequency.
void ComputeMeasuredFrequency(MeasurementRecord& record);
// MeasuredFlow and Line from the line table (FlowAt at the record's frequency
// and temperature). With no line, or a frequency or temperature the table
// cannot be read at, MeasuredFlow = 0 and Line keeps its value.
void ComputeMeasuredFlow(MeasurementRecord& record, const MeterParams& lines, double Tpriv);
// FlowDeviation = (MeasuredFlow − EtalonFlow) / EtalonFlow; 0 without a
// reference flow.
void ComputeFlowDeviation(MeasurementRecord& record);
// ComparedVolume = ComparedPulses × 1000 × PriceOf(settings) with the pulse
// output, 0 with a frequency output.
void ComputeComparedVolume(MeasurementRecord& record, const MeterSettings& settings);
// VolumeDeviation = (ComparedVolume − EtalonVolume) / EtalonVolume; 0 without
// a reference volume.
void ComputeVolumeDeviation(MeasurementRecord& record);

// A measurement taken from the rig controller, as its window hands it over.
struct BkltResult {
    double Temperature;  // water temperature, °C
    double EtalonMass;   // reference mass, kg (0 in the volume method)
    double EtalonVolume; // reference volume, L (0 in the mass method)
    double Tq;           // reference time of the run, s
    double T1;           // time of the meter's pulse count, s
    int32_t N1;          // meter pulses
    int32_t N2;          // pulses of the reference run (verification)
};

// Flags handed over with a BkltResult.
namespace BkltFlag {
enum : uint32_t {
    Verification = 1, // the main window is in verification mode
    Mass = 2,         // the mass method
};
} // namespace BkltFlag

// The record for a rig measurement: the frequency (N1 − 1) / tq and the
// reference flow 3.6 × V / tq over the rig's reference time, the meter flow
// from the line table, and in verification the counted volume of N2. A run
// without time or pulses gives 0 Hz and no flow rather than a division by
// zero.
MeasurementRecord MeasurementFromRig(const BkltResult& result, uint32_t flags,
                                     const MeterSettings& settings, const MeterParams& lines);
