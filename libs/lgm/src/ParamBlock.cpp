// The packed parameter block: conversions between the meter's bytes and the
// MeterParams record, and the block of the output test.
#include "ZorComLgm.h"

#include "ParamLayout.h"
#include "Truncation.h"
#include "ZorCommon.h"
#include "ZorLang.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr double kTickMs = 0.0305;     // pulse-duration tick
constexpr uint8_t kRangeBit = 0x08;    // configuration byte: duration in units of 256 ticks
constexpr uint8_t kPolarityBit = 0x80; // version 2, byte 0
constexpr uint32_t kFlagRange = 0x01;
constexpr uint32_t kFlagPolarity = 0x02;

uint32_t Word(const uint8_t* block, uint32_t offset, uint32_t index) {
    return GetWordRelMSB(block, static_cast<int32_t>(offset + 2 * index));
}

void PutWord(uint8_t* block, uint32_t offset, uint32_t index, int64_t value) {
    PutWordRelMSB(block, static_cast<int32_t>(offset + 2 * index),
                  static_cast<uint32_t>(value & 0xFFFF));
}

// A line word. The scale search keeps the exact word below 65536, but
// rounding it may still reach 65536, which would wrap to a slope of 0: the
// word saturates instead.
int64_t LineWord(int64_t value) {
    return std::clamp<int64_t>(value, 0, 0xFFFF);
}

// Boundary word: the period, in ticks of 1/32768 s, at the frequency where
// the meter switches lines.
int64_t BoundaryWord(double fmax, double band) {
    return lgm::TruncToInteger(32768 / (fmax * 100 * band * 0.005) + 0.5);
}

} // namespace

extern "C" {

ZORCOMLGM_API int32_t ZorComLgmExtractParameters(uint32_t version, const uint8_t* block,
                                                 MeterParams* params) {
    const uint32_t meter = version & 0xFF;
    const lgm::ParamLayout* layout = lgm::LayoutOf(meter);
    if (layout == nullptr || block == nullptr || params == nullptr)
        return ZOR_ERR_BAD_PARAM;

    const uint8_t config = block[layout->Config];
    const uint32_t duIndex = ((config >> 4) + 1u) & 0x0F;
    const double kd = ZorComLgmApproxCoefficient(meter, duIndex);

    // A line needs both scales and a diameter with coefficients, or its
    // words cannot be turned into a slope and an intercept: such a block is
    // refused as a whole and the record stays as it was.
    uint32_t count = 0;
    for (; count < layout->MaxLines && block[layout->Lines + count] != 0; ++count) {
        const uint8_t line = block[layout->Lines + count];
        if ((line & 7) == 0 || (line >> 3) == 0 || kd == 0)
            return ZOR_ERR_BAD_VALUES;
    }

    params->Size = sizeof(MeterParams);
    params->Flags = 0;
    params->Version = meter;
    if (meter == 2) {
        params->DivisionFactor = block[0] & 0x7F;
        if (block[0] & kPolarityBit)
            params->Flags |= kFlagPolarity;
    } else {
        params->DivisionFactor = block[0];
    }
    params->WeightCode = config & 7;
    params->DuIndex = duIndex;
    params->PulseDuration = block[layout->Duration] * kTickMs;
    if (config & kRangeBit) {
        params->Flags |= kFlagRange;
        params->PulseDuration *= 256;
    }

    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t line = block[layout->Lines + i];
        const double m = line & 7;
        const double n = line >> 3;
        const uint32_t sa = Word(block, layout->Slope, i);
        const uint32_t sb = Word(block, layout->End, i);
        params->M[i] = m;
        params->N[i] = n;
        params->A[i] = sa * 36000.0 / (kd * m);
        params->B[i] = (static_cast<int32_t>(sb) - static_cast<int32_t>(sa)) * 18000.0 * n / kd;

        // The last line's slot lies past the boundaries (in a full block it
        // overlaps the bytes after them); callers ignore that line's Fmax.
        const uint32_t t = Word(block, layout->Upper, i);
        const uint32_t u = Word(block, layout->Lower, i);
        const uint32_t sum = t + u;
        const double fmax = sum == 0 ? 65536.0 : 32768.0 / (sum * 0.5);
        const double ft = t * fmax;
        const double fu = u * fmax;
        params->Fmax[i] = fmax;
        params->Hysteresis[i] = (ft == 0 || fu == 0) ? 0.0 : (fu - ft) * 3276800.0 / (ft * fu);
    }
    params->LineCount = count;
    return ZOR_OK;
}

ZORCOMLGM_API int32_t ZorComLgmPackParameters(uint32_t version, MeterParams* params,
                                              uint8_t* block) {
    const uint32_t meter = version & 0xFF;
    const lgm::ParamLayout* layout = lgm::LayoutOf(meter);
    if (layout == nullptr || params == nullptr || block == nullptr)
        return ZOR_ERR_BAD_PARAM;

    const double duration = params->PulseDuration;
    if (!(duration >= 0.03 && duration <= 1998))
        return ZOR_ERR_BAD_PARAM;
    int64_t ticks = lgm::TruncToInteger((duration + 0.01525) * (1 / kTickMs));
    uint8_t range = 0;
    if (ticks >= 256) {
        ticks >>= 8;
        range = kRangeBit;
    }

    std::memset(block, 0, layout->Length);
    const int32_t search = ZorComLgmCalculateCoeff(meter, params, nullptr);
    if (search < 0)
        return search;

    block[layout->Config] = static_cast<uint8_t>(range | (((params->DuIndex - 1) & 0x0F) << 4) |
                                                 (params->WeightCode & 7));
    block[layout->Duration] = static_cast<uint8_t>(ticks);
    const int64_t factor = lgm::TruncToInteger(params->DivisionFactor);
    if (meter == 2)
        block[0] = static_cast<uint8_t>((factor & 0x7F) |
                                        ((params->Flags & kFlagPolarity) ? kPolarityBit : 0));
    else
        block[0] = static_cast<uint8_t>(factor);

    if (params->LineCount == 0)
        return ZOR_OK;
    // A record with more lines than the block holds fills every slot, so the
    // list of lines has no terminating zero.
    const uint32_t last = std::min(params->LineCount, layout->MaxLines) - 1;
    const double s = ZorComLgmApproxCoefficient(meter, params->DuIndex) / 36000;
    for (uint32_t i = 0; i <= last; ++i) {
        if (i < last) {
            PutWord(block, layout->Upper, i,
                    BoundaryWord(params->Fmax[i], 2 + params->Hysteresis[i]));
            PutWord(block, layout->Lower, i,
                    BoundaryWord(params->Fmax[i], 2 - params->Hysteresis[i]));
        }
        block[layout->Lines + i] =
            static_cast<uint8_t>(((lgm::TruncToInteger(params->N[i] + 0.5) & 0x1F) << 3) |
                                 (lgm::TruncToInteger(params->M[i] + 0.5) & 7));
        const int64_t sa = lgm::TruncToInteger(params->A[i] * s * params->M[i] + 0.5);
        const int64_t sb = sa + lgm::TruncToInteger(params->B[i] * 2 * s / params->N[i] + 0.5);
        PutWord(block, layout->Slope, i, LineWord(sa));
        PutWord(block, layout->End, i, LineWord(sb));
    }
    return ZOR_OK;
}

ZORCOMLGM_API int32_t ZorComLgmModifyForTest(uint32_t version, uint8_t* block) {
    const uint32_t meter = version & 0xFF;
    const lgm::ParamLayout* layout = lgm::LayoutOf(meter);
    if (layout == nullptr || block == nullptr)
        return ZOR_ERR_BAD_PARAM;
    // Division factor 1, weight code 0, range bit clear and 26 ticks (about
    // 0.79 ms): pulses the rig can count; the polarity bit of version 2 stays.
    block[0] = meter == 2 ? static_cast<uint8_t>((block[0] & kPolarityBit) | 1) : 1;
    block[layout->Config] &= 0xF0;
    block[layout->Duration] = 26;
    return ZOR_OK;
}

ZORCOMLGM_API int32_t ZorComLgmDecodeTemperature(uint32_t version, uint32_t raw, double* value) {
    if ((version & 0xFF) > 2 || raw > 255 || value == nullptr)
        return ZOR_ERR_BAD_PARAM;
    *value = raw * 0.5;
    return ZOR_OK;
}

ZORCOMLGM_API int32_t ZorComLgmDecodePulseLongitude(uint32_t version, uint32_t raw, uint32_t flags,
                                                    double* value) {
    if ((version & 0xFF) > 2 || raw > 255 || value == nullptr)
        return ZOR_ERR_BAD_PARAM;
    *value = raw * kTickMs * ((flags & kFlagRange) ? 256 : 1);
    return ZOR_OK;
}

ZORCOMLGM_API int32_t ZorComLgmDecodeFlareLongitude(uint32_t, uint32_t raw, double* value) {
    if (raw > 255 || value == nullptr)
        return ZOR_ERR_BAD_PARAM;
    *value = raw * 0.953;
    return ZOR_OK;
}

} // extern "C"
