// What the engine accepts as settings and as measurements.
#pragma once

#include "document/Datalist.h"

#include <cstdint>
#include <optional>

// Flows (m³/h) and frequencies (Hz) of a usable measurement lie in this band;
// anything outside it is a typing slip or a damaged file, and keeping every
// quantity inside it keeps every sum and quotient of the engine finite.
inline constexpr double kMinQuantity = 1e-9;
inline constexpr double kMaxQuantity = 1e9;

// Spread limit h and error limit δ are fractions in (0, 1].
bool IsSpreadLimit(double h);
bool IsErrorLimit(double delta);

// Whether a record's reference flow and frequency (and, withTemperature, its
// temperature) can take part in sections and fits.
bool IsUsableMeasurement(const MeasurementRecord& record, bool withTemperature);

// The position of the first record that stops an approximation, or -1: an
// enabled record that is not usable, or any record whose reduced flow or
// frequency is not a number (it has no place in the reduced order). Without
// Tpriv (the proportional model) temperatures are not looked at. Lets the
// window name the record behind ApproxError::BadMeasurement.
int64_t FindUnusableMeasurement(const TZorDataList& list, std::optional<double> Tpriv);
