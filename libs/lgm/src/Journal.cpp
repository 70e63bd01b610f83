// The meter's journal: six reference points of its calibration, each kept
// as a deviation from the diameter's standard sequence.
#include "ZorComLgm.h"

#include "ZorLang.h"

#include <cmath>

namespace {

constexpr uint32_t kPoints = 6;
constexpr uint32_t kPointBytes = 5;
constexpr uint64_t kSignBit = 1ull << 16;
constexpr int kFrequencyShift = 17;
constexpr double kFrequencyLimit = 1 << 23;

} // namespace

extern "C" {

ZORCOMLGM_API int32_t ZorComLgmPackJournalItem(uint8_t* out, double Q, double F, double reference,
                                               double precision) {
    if (out == nullptr)
        return 0;
    const double deviation = Q - reference;
    const double q = std::trunc(std::fabs(deviation) / precision + 0.5);
    const double f = std::trunc(F * 10000 + 0.5);
    // The comparisons are written so that a value that is not a number (a
    // zero precision, say) fails them too; a negative frequency has no code.
    if (!(q >= 0 && q < 65536) || !(f >= 0 && f < kFrequencyLimit))
        return 0;
    uint64_t point = static_cast<uint64_t>(q) | (static_cast<uint64_t>(f) << kFrequencyShift);
    if (deviation < 0)
        point |= kSignBit;
    for (uint32_t i = 0; i < kPointBytes; ++i)
        out[i] = static_cast<uint8_t>(point >> (8 * i));
    return 1;
}

ZORCOMLGM_API void ZorComLgmExtractJournalItem(const uint8_t* in, double* Q, double* F,
                                               double reference, double precision) {
    if (in == nullptr || Q == nullptr || F == nullptr)
        return;
    uint64_t point = 0;
    for (uint32_t i = 0; i < kPointBytes; ++i)
        point |= static_cast<uint64_t>(in[i]) << (8 * i);
    double q = static_cast<double>(point & 0xFFFF);
    if (point & kSignBit)
        q = -q;
    *F = static_cast<double>(point >> kFrequencyShift) / 10000;
    *Q = q * precision + reference;
}

ZORCOMLGM_API int32_t ZorComLgmPackJournal(uint8_t* out, uint32_t DuIndex,
                                           const ApproxDataItem* items, uint32_t count) {
    if (out == nullptr || items == nullptr || count < kPoints || !ZorComLgmIsSeqDefined(DuIndex))
        return ZOR_ERR_BAD_PARAM;
    const double precision = ZorComLgmSeqPrecision(DuIndex);
    for (uint32_t i = 0; i < kPoints; ++i) {
        if (!ZorComLgmPackJournalItem(out + kPointBytes * i, items[i].Q, items[i].F,
                                      ZorComLgmSeqItem(DuIndex, i), precision))
            return ZOR_ERR_BAD_PARAM;
    }
    return static_cast<int32_t>(kPoints * kPointBytes);
}

ZORCOMLGM_API int32_t ZorComLgmExtractJournal(const uint8_t* in, uint32_t DuIndex,
                                              ApproxDataItem* items, uint32_t* count) {
    if (in == nullptr || items == nullptr || count == nullptr || !ZorComLgmIsSeqDefined(DuIndex))
        return ZOR_ERR_BAD_PARAM;
    const double precision = ZorComLgmSeqPrecision(DuIndex);
    for (uint32_t i = 0; i < kPoints; ++i)
        ZorComLgmExtractJournalItem(in + kPointBytes * i, &items[i].Q, &items[i].F,
                                    ZorComLgmSeqItem(DuIndex, i), precision);
    *count = kPoints;
    return ZOR_OK;
}

} // extern "C"
