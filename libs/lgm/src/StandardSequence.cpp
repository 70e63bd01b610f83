// The standard flow sequences of the ЛГМ meter, one per nominal diameter.

#include "ZorComLgm.h"

namespace {

constexpr uint32_t kSeqDefined = 0x100;

struct StandardSequence {
    uint32_t Flags;
    double Precision;
    double Flow[ZORCOMLGM_SEQ_LENGTH];
};

// Undefined entries keep their flows: the journal of an older meter may still
// refer to them, and ZorComLgmSeqItem reports them as they are.
constexpr StandardSequence kSequences[ZORCOMLGM_DU_COUNT] = {
    {0, 0.00001, {0.03, 0.06, 0, 0, 0, 0, 2.3}},
    {0, 0.00001, {0.1, 0.2, 0, 0, 0, 7.5, 10.0}},
    {kSeqDefined, 0.0001, {0.15, 0.3, 0.5, 1.0, 7.5, 11.0, 15.0}},
    {kSeqDefined, 0.0001, {0.2, 0.4, 1.0, 5.0, 10.0, 15.0, 20.0}},
    {kSeqDefined, 0.0001, {0.3, 0.6, 2.0, 5.0, 15.0, 22.0, 30.0}},
    {kSeqDefined, 0.0001, {0.5, 1.0, 1.7, 3.0, 25.0, 37.0, 50.0}},
    {kSeqDefined, 0.0001, {0.8, 1.6, 2.0, 5.0, 40.0, 60.0, 80.0}},
    {0, 0.001, {1.5, 0, 0, 0, 0, 0, 150.0}},
    {0, 0.001, {2.0, 0, 0, 0, 0, 0, 200.0}},
    {0, 0.001, {3.0, 0, 0, 0, 0, 0, 300.0}},
    {0, 0.001, {5.0, 0, 0, 0, 0, 0, 500.0}},
    {0, 0.001, {12.0, 0, 0, 0, 0, 0, 1200.0}},
    {0, 0, {0, 0, 0, 0, 0, 0, 0}},
    {0, 0, {0, 0, 0, 0, 0, 0, 0}},
};

bool IsDefined(uint32_t du) {
    return du < ZORCOMLGM_DU_COUNT && (kSequences[du].Flags & kSeqDefined) != 0;
}

} // namespace

extern "C" {

ZORCOMLGM_API int32_t ZorComLgmIsSeqDefined(uint32_t DuIndex) {
    return IsDefined(DuIndex) ? 1 : 0;
}

ZORCOMLGM_API double ZorComLgmSeqItem(uint32_t DuIndex, uint32_t Item) {
    if (DuIndex >= ZORCOMLGM_DU_COUNT || Item >= ZORCOMLGM_SEQ_LENGTH)
        return 0.0;
    return kSequences[DuIndex].Flow[Item];
}

ZORCOMLGM_API double ZorComLgmSeqPrecision(uint32_t DuIndex) {
    return IsDefined(DuIndex) ? kSequences[DuIndex].Precision : 0.0;
}

} // extern "C"
