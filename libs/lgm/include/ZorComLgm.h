/*
 * ZorComLgm — the ЛГМ meter protocol library.
 *
 * This header is the library's manual. Every export is a plain C function;
 * nothing is thrown across the library boundary. Records are little-endian
 * host structures with natural alignment.
 */
#ifndef ZORCOMLGM_H
#define ZORCOMLGM_H

#include <stdint.h>

#define ZORCOMLGM_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Number of entries in each line array of MeterParams: the most lines a
 * characteristic can hold. */
#define ZORCOMLGM_MAX_LINES 16

/* Number of nominal diameters (DuIndex 0 … 13: 15, 20, 25, 32, 40, 50, 65,
 * 80, 100, 125, 150, 200, 250, 300 mm). */
#define ZORCOMLGM_DU_COUNT 14

/* Number of reference flows in a standard flow sequence. */
#define ZORCOMLGM_SEQ_LENGTH 7

/*
 * MeterParams — the meter's parameter record in engineering units.
 *
 * One record travels from the approximation through the exchange thread into
 * the meter and back. Its line fields (A, B, Fmax, LineCount) are the
 * characteristic's line table: line i gives, in flow reduced to the reference
 * temperature, Q' = A[i]·F' + B[i] for reduced frequencies up to and including
 * Fmax[i]; the last line has Fmax = 1e200. Only the first LineCount entries of
 * the arrays carry data.
 */
typedef struct MeterParams {
    /* The record's own size in bytes. */
    uint32_t Size;
    /* Bit 0: the pulse duration is counted in units of 256 ticks.
     * Bit 1: frequency-response polarity (meter version 2). */
    uint32_t Flags;
    /* Division factor n of the frequency outputs. */
    double DivisionFactor;
    double A[ZORCOMLGM_MAX_LINES];    /* slope of line i */
    double B[ZORCOMLGM_MAX_LINES];    /* intercept of line i */
    double M[ZORCOMLGM_MAX_LINES];    /* 3-bit scale of line i's slope word */
    double N[ZORCOMLGM_MAX_LINES];    /* 5-bit scale of line i's intercept word */
    double Fmax[ZORCOMLGM_MAX_LINES]; /* upper frequency limit of line i, Hz */
    /* Switching band at that limit: a fraction when packed, per cent when
     * extracted. */
    double Hysteresis[ZORCOMLGM_MAX_LINES];
    double PulseDuration; /* output pulse duration, ms */
    uint32_t LineCount;   /* number of lines in use */
    uint32_t WeightCode;  /* pulse-weight code 0 … 7 */
    uint32_t Version;     /* meter version 0 … 2 */
    uint32_t DuIndex;     /* nominal-diameter index 0 … 13 */
} MeterParams;

/*
 * ApproxDataItem — one item of the approximation data list: the summary of one
 * section of a calibration (the meter keeps six of them in its journal).
 */
typedef struct ApproxDataItem {
    uint32_t Reserved;   /* always 0 */
    uint32_t FirstIndex; /* position of the section's first record among the
                            enabled records */
    double F;            /* the section's mean reduced frequency, Hz */
    double Q;            /* the section's mean reduced flow, m³/h */
} ApproxDataItem;

/* ---------------------------------------------------------------------------
 * Standard flow sequences
 *
 * For some nominal diameters the meter has a standard sequence of seven
 * reference flows (m³/h) and a precision in which deviations from them are
 * counted as 16-bit numbers. The table is constant: these functions have no
 * state, never fail and may be called from any thread at any time.
 * ------------------------------------------------------------------------- */

/*
 * ZorComLgmIsSeqDefined — whether the diameter has a standard sequence.
 *   DuIndex: nominal-diameter index.
 *   Result:  1 when the sequence is defined, 0 when it is not or DuIndex ≥ 14.
 */
ZORCOMLGM_API int32_t ZorComLgmIsSeqDefined(uint32_t DuIndex);

/*
 * ZorComLgmSeqItem — one reference flow of a diameter's sequence.
 *   DuIndex: nominal-diameter index.
 *   Item:    number of the flow, 0 … 6.
 *   Result:  the reference flow in m³/h, also for a diameter whose sequence is
 *            not defined; 0.0 when DuIndex ≥ 14 or Item ≥ 7.
 */
ZORCOMLGM_API double ZorComLgmSeqItem(uint32_t DuIndex, uint32_t Item);

/*
 * ZorComLgmSeqPrecision — the resolution of a diameter's sequence.
 *   DuIndex: nominal-diameter index.
 *   Result:  the precision in m³/h when the sequence is defined; 0.0 when it
 *            is not defined or DuIndex ≥ 14.
 */
ZORCOMLGM_API double ZorComLgmSeqPrecision(uint32_t DuIndex);

#ifdef __cplusplus
}
#endif

#endif /* ZORCOMLGM_H */
