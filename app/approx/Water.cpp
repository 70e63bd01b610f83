#include "approx/Water.h"

#include <cmath>

bool IsWaterTemperature(double T) {
    return std::isfinite(T) && T >= kMinWaterTemperature && T <= kMaxWaterTemperature;
}

double KinematicViscosity(double T) {
    return (5.542578e-05 - 2.28661e-07 * T) / (T + 30.614166);
}

double ViscosityRatio(double T, double Tpriv) {
    return KinematicViscosity(Tpriv) / KinematicViscosity(T);
}

std::optional<double> WaterDensity(double T, double p) {
    if (!IsWaterTemperature(T) || !std::isfinite(p) || p <= 0.0 || p > 100.0)
        return std::nullopt;
    // Density at 101 325 Pa, kg/m³.
    constexpr double a1 = -3.983035; // °C
    constexpr double a2 = 301.797;   // °C
    constexpr double a3 = 522528.9;  // °C²
    constexpr double a4 = 69.34881;  // °C
    constexpr double a5 = 999.974950;
    const double rho = a5 * (1.0 - (T + a1) * (T + a1) * (T + a2) / (a3 * (T + a4)));
    // Compressibility, 1/Pa, for the difference from 101 325 Pa.
    constexpr double k0 = 50.74e-11;
    constexpr double k1 = -0.326e-11;
    constexpr double k2 = 0.00416e-11;
    const double dp = p * 1e6 - 101325.0;
    return rho * (1.0 + (k0 + k1 * T + k2 * T * T) * dp) / 1000.0;
}
