// Properties of water that the reduction to the reference temperature and the
// mass method need.
#pragma once

#include <optional>

// The formulas below are fits for liquid water; outside this band of
// temperatures a measurement is taken as mistyped.
inline constexpr double kMinWaterTemperature = 0.0;   // °C
inline constexpr double kMaxWaterTemperature = 150.0; // °C

// The pressure at which the rig weighs its water, MPa.
inline constexpr double kAtmosphericPressure = 0.101325;

// Whether T (°C) is a finite temperature inside the band above.
bool IsWaterTemperature(double T);

// Kinematic viscosity of water at T °C, m²/s (ν(20) ≈ 1.00471e-06). Meaningful
// for water temperatures only.
double KinematicViscosity(double T);

// The reduction factor k = ν(Tpriv)/ν(T): a flow and a frequency measured at T
// are multiplied by k to describe water at Tpriv. Meaningful only when both are
// water temperatures; elsewhere the result may be negative, infinite or NaN.
double ViscosityRatio(double T, double Tpriv);

// Density of air-free water in kg/L at T °C and absolute pressure p MPa
// (Tanaka et al., 2001, with its compressibility term). nullopt when T is not a
// water temperature or p is not within 0 … 100 MPa. The mass method passes
// kAtmosphericPressure.
//
// The original program used a polynomial in (T + 273.15)/647.14 and p/22.064
// called at p = 1.0 that grows with the temperature (1.000755 at 20 °C, 1.0285
// at 80 °C): it follows the specific volume in L/kg, not the density, so a
// mass divided by it gave a reference volume about 0.25 % too small at 20 °C.
// The density of water itself is used here.
std::optional<double> WaterDensity(double T, double p);
