// Per-diameter coefficients of the meter's line words, the search for the
// scales of each line, and the time-constant table.
#include "ZorComLgm.h"

#include "ParamLayout.h"
#include "ZorLang.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

// Diameter group 0, 1 or 2 (DuIndex 0 … 4, 5 … 8, 9 … 13); -1 for no diameter.
int DiameterGroup(uint32_t duIndex) {
    if (duIndex <= 4)
        return 0;
    if (duIndex <= 8)
        return 1;
    if (duIndex <= 13)
        return 2;
    return -1;
}

double Multiplier(uint32_t version, uint32_t duIndex) {
    constexpr double kMultiplier[] = {100000.0, 10000.0, 1000.0};
    const int group = DiameterGroup(duIndex);
    if ((version & 0xFF) > 2 || group < 0)
        return 0.0;
    return kMultiplier[group];
}

// The lower frequency bound of a diameter's first line, Hz.
double StartFrequency(uint32_t duIndex) {
    constexpr double kStart[] = {2.0, 2.0, 3.6, 2.7, 2.43, 1.8, 1.62};
    if (duIndex < std::size(kStart))
        return kStart[duIndex];
    return duIndex <= 13 ? 1.5 : 0.0;
}

constexpr double kTauTable[5][3] = {
    {0.15, 1.0, 1.5}, {0.15, 2.0, 7.5}, {0.15, 2.0, 15.0}, {0.15, 20.0, 75.0}, {0.15, 80.0, 150.0},
};

} // namespace

extern "C" {

ZORCOMLGM_API double ZorComLgmApproxCoefficient(uint32_t version, uint32_t DuIndex) {
    return 65536.0 * Multiplier(version, DuIndex);
}

ZORCOMLGM_API double ZorComLgmApproxMutiplier(uint32_t version, uint32_t DuIndex) {
    return Multiplier(version, DuIndex);
}

ZORCOMLGM_API int32_t ZorComLgmCalculateCoeff(uint32_t version, MeterParams* params,
                                              uint32_t* failedLine) {
    if (params == nullptr)
        return ZOR_ERR_BAD_PARAM;
    const lgm::ParamLayout* layout = lgm::LayoutOf(version & 0xFF);
    if (layout == nullptr)
        return -1;
    // Version 2 keeps its intercept words at half the resolution and a
    // smaller margin above the slope word.
    const bool v2 = (version & 0xFF) == 2;
    const double h = v2 ? 220.0 : 256.0;
    const double k = v2 ? 2.0 : 1.0;
    const double mul = Multiplier(version, params->DuIndex);
    const uint32_t lines = std::min(params->LineCount, layout->MaxLines);

    double lowerBound = StartFrequency(params->DuIndex);
    for (uint32_t s = 0; s < lines; ++s) {
        const double a = params->A[s];
        const double b = params->B[s];
        // A steep line (high frequencies) wants the largest slope scale that
        // fits; a flat one the smallest.
        const bool fromTop = params->Fmax[s] >= 100;
        bool found = false;
        for (int step = 0; step < 7 && !found; ++step) {
            const double m = fromTop ? 7.0 - step : 1.0 + step;
            if (!(m * a * mul < 36000))
                continue;
            const double u = b >= 0 ? 36000 / mul - m * a : -m * a;
            for (double n = 1; n <= 31; n += 1.0) {
                if (1.95 * lowerBound / m >= n && std::fabs(b * k * mul / 18000) < n &&
                    b * h * k / (128 * u) < n) {
                    params->M[s] = m;
                    params->N[s] = n;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            if (failedLine != nullptr)
                *failedLine = s;
            return -1;
        }
        lowerBound = params->Fmax[s];
    }
    return ZOR_OK;
}

ZORCOMLGM_API double ZorComLgmGetTauConst(uint32_t DuIndex, uint32_t weight, uint32_t column) {
    const int group = DiameterGroup(DuIndex);
    if (group < 0 || column > 2)
        return 0.0;
    // The pulse weights of a diameter group start two codes above the
    // previous group's.
    const uint32_t first = static_cast<uint32_t>(group) * 2;
    if (weight < first || weight - first > 4)
        return 0.0;
    return kTauTable[weight - first][column];
}

} // extern "C"
