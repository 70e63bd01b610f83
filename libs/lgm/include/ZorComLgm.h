/*
 * ZorComLgm — the ЛГМ meter protocol library.
 *
 * This header is the library's manual. Every export is a plain C function;
 * nothing is thrown across the library boundary. Records are little-endian
 * host structures with natural alignment.
 *
 * Contents
 *   - the meter link: line settings, the exports that exchange bytes with a
 *     meter and its adaptor over an NkComPort port, and their log lines;
 *   - the parameter block: MeterParams to and from the meter's bytes;
 *   - the coefficient tables, the scale search and the journal;
 *   - the standard flow sequences.
 *
 * Results
 *   Functions that can fail return an error code of ZorLang.h: 0 (or a
 *   stated positive value) on success, a negative code on failure. Every
 *   null pointer argument gives -19 (ZOR_ERR_BAD_PARAM) unless stated.
 *   A "meter version" argument is 32 bits wide of which only the low 8 bits
 *   count; versions are 0, 1 and 2.
 *
 * Thread safety
 *   The conversions, tables and sequence lookups have no state and may be
 *   called from any thread. The link exports share one piece of state, the
 *   log handle; they are meant to be called by one thread (the exchange
 *   thread), one call at a time per port. NkComPortBreak from another thread
 *   cuts a waiting exchange short (its export then returns -12 or -13).
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
 * The meter link
 *
 * The meter is reached through an adaptor on a serial line at 9600 baud,
 * 8N1, with RTS held off and DTR held on (DTR powers the adaptor). Frames are
 * raw bytes: a command byte, then for writes the data and their checksum (the
 * 16-bit sum of the data bytes, high byte first). Every answer starts with a
 * status byte that repeats the command, or is 0xFF when the meter (or the
 * adaptor) refuses it.
 *
 * Meter versions (read with the short command 0x08):
 *   version  parameter block  read/write/privileged   table     read/write/privileged
 *   0        35 bytes         0x01 / 0x02 / 0x06      none
 *   1        35 bytes         0x01 / 0x02 / 0x06      84 bytes  0x03 / 0x04 / 0x07
 *   2        44 bytes         0x10 / 0x11 / 0x12      31 bytes  0x13 / 0x14 / 0x15
 * The privileged writes of version 2 send the checksum's low byte lowered by
 * 0x5B (modulo 256); the meter repeats the true checksum.
 *
 * Time-outs: 6000 ms for each of the two reads of a meter command, 3000 ms
 * for the adaptor's set-level and identity commands, 6000 ms for the flash
 * duration. There are no retries: a failure ends the call. When the
 * environment variable ZORCOM_TIME_SCALE holds a number above 0 and at most
 * 1 at the first exchange of the process, every time-out is multiplied by it
 * (tests use it to fail fast against a silent device); the variable is read
 * once and is shared with the rig controller and ГКМС libraries.
 *
 * Codes of the link exports (besides those stated at each):
 *   -19  bad argument (nothing is sent)
 *   -21  the checksum of an answer is wrong
 *   -22  the meter or adaptor refused the command (status 0xFF), or the
 *        adaptor's identity answer is wrong
 *   -23  size query, or the destination is too small (nothing is sent)
 *   -24  a write's status byte and repeat differ from the frame sent
 *   -25  the status byte of an answer is neither the command nor 0xFF (also
 *        0xFF on the table read that precedes a version-2 table write)
 *   any negative code of NkComPort from the transfer: -8, -9, -10 and -11
 *   (the device is silent or short), -12 and -13 (NkComPortBreak), -18 and
 *   -19 for a port that is not open or not valid.
 * On failure nothing is stored in the destination; a failed write may have
 * reached the meter.
 *
 * The exchange log (ZorCommon, Windows-1251): each request is logged under
 * its title followed by a hexadecimal dump of the bytes sent, each answer
 * byte group as received:
 *   "[]>> Чтение параметров:" "[]>> Запись параметров:\r\n"
 *   "[]>> Чтение таблицы:"    "[]>> Запись таблицы:\r\n"
 *   "[]>> Короткая команда:"  "[]>> Установка уровня:"
 *   "[]>> Чтение длительности вспышки:" "[]>> Чтение версии адаптера:"
 *   ">>[] Ответ:" before the first answer byte; the rest of an answer is a
 *   dump of its own. Fault notes: "!! Неверная контрольная информация\r\n"
 *   (-21) and "!! Ответ не соответствует посылке\r\n" (-24).
 * A transfer that fails in the port writes no further line.
 * ------------------------------------------------------------------------- */

/* Flags of the write exports: bit 0x80 selects the privileged write. */
#define ZORCOMLGM_PRIVILEGED 0x80u

/*
 * ZorComLgmSetLogFile — the exchange log for the lines of the link exports.
 *   log:    a file descriptor from ZorCreateLogA, or -1 (ZOR_INVALID_HANDLE)
 *           for no log (the state at load). The library borrows it and never
 *           closes it.
 *   Result: log.
 */
ZORCOMLGM_API int32_t ZorComLgmSetLogFile(int32_t log);

/*
 * ZorComLgmPrepare — applies the meter's line settings to an open port:
 * 9600 baud, 8 data bits, no parity and no parity check, 1 stop bit, RTS held
 * off, DTR held on, raw mode, port default time-out 6000 ms (mask 0x100FF).
 *   unused: ignored.
 *   Result: the result of NkComPortSetConfig (0; -19, -18, -4, -5).
 */
ZORCOMLGM_API int32_t ZorComLgmPrepare(int32_t port, uint32_t unused);

/*
 * ZorComLgmReadShort — a one-byte question to the meter (0x05 supply byte,
 * 0x08 meter version, 0x16 thermo sensor). The meter answers the status,
 * then a value byte and its checksum (0x00, value).
 *   command: the command byte (low 8 bits).
 *   result:  receives the value byte, 0 … 255.
 *   Result:  0; -19 result is null; -22; -25; -21; port codes.
 */
ZORCOMLGM_API int32_t ZorComLgmReadShort(int32_t port, uint32_t command, uint32_t* result);

/*
 * ZorComLgmReadParams — reads the parameter block (35 or 44 bytes).
 *   version:     meter version 0 … 2.
 *   destination: receives the block.
 *   size:        bytes at destination. 0 asks the block length: it is stored
 *                as a uint32_t at destination and the result is -23.
 *   Result: 0; -19 bad version or null destination; -23 size query or size
 *           below the block length; -22; -25; -21; port codes.
 */
ZORCOMLGM_API int32_t ZorComLgmReadParams(int32_t port, uint32_t version, void* destination,
                                          uint32_t size);

/*
 * ZorComLgmWriteParams — writes the parameter block (35 or 44 bytes).
 *   version: meter version 0 … 2.
 *   flags:   ZORCOMLGM_PRIVILEGED selects the privileged write.
 *   data:    the block; at most the block length is taken, a shorter length
 *            is padded with zero bytes.
 *   Result:  0; -19 bad version or null data; -22; -24; port codes.
 */
ZORCOMLGM_API int32_t ZorComLgmWriteParams(int32_t port, uint32_t version, uint32_t flags,
                                           const void* data, uint32_t length);

/*
 * ZorComLgmReadTable — reads the table: 84 bytes of version 1, 31 bytes of
 * version 2 (the thermo-compensation byte, then the 30-byte journal).
 *   Arguments and results as ZorComLgmReadParams; version 0 (no table) and
 *   versions above 2 give -19.
 */
ZORCOMLGM_API int32_t ZorComLgmReadTable(int32_t port, uint32_t version, void* destination,
                                         uint32_t size);

/*
 * ZorComLgmWriteTable — writes the table.
 *   version 1: data is the 84-byte table (at most 84 bytes taken, a shorter
 *              length padded with zeros).
 *   version 2: data is the 30-byte journal (at most 30 bytes taken, padded
 *              with zeros). The table is read first (command 0x13) and its
 *              thermo-compensation byte is written back unchanged before the
 *              journal.
 *   flags:  ZORCOMLGM_PRIVILEGED selects the privileged write.
 *   Result: 0; -19 version 0, above 2, or null data; on version 2 the table
 *           read gives -25 for any status but 0x13 (0xFF included) and -21
 *           for a wrong checksum (no fault note); then as ZorComLgmWriteParams.
 */
ZORCOMLGM_API int32_t ZorComLgmWriteTable(int32_t port, uint32_t version, uint32_t flags,
                                          const void* data, uint32_t length);

/*
 * ZorComLgmSetThermoCompensation — rewrites the thermo-compensation byte of a
 * version-2 meter: reads the table as ZorComLgmWriteTable does, puts
 * trunc(*value * 2 + 7) into its first byte, and writes the 31 bytes back.
 *   version: must be 2.
 *   flags:   ZORCOMLGM_PRIVILEGED selects the privileged write.
 *   value:   the compensation (2.0 gives 11, 3.7 gives 14).
 *   Result:  0; -19 version other than 2, null value, or a value whose byte
 *            falls outside 0 … 255 (value not within -4 < value < 124.5);
 *            codes as ZorComLgmWriteTable.
 */
ZORCOMLGM_API int32_t ZorComLgmSetThermoCompensation(int32_t port, uint32_t version, uint32_t flags,
                                                     const double* value);

/*
 * ZorComLgmSetLevel — sets the adaptor's level: sends 0x0B + level, the
 * adaptor answers the same byte.
 *   unused: ignored.
 *   level:  0 … 3.
 *   Result: 0; -19 level above 3 (nothing sent); -24 another answer byte
 *           (logged after ">>[] Ответ:"); port codes.
 */
ZORCOMLGM_API int32_t ZorComLgmSetLevel(int32_t port, uint32_t unused, uint32_t level);

/*
 * ZorComLgmGetLongitude — reads the adaptor's flash duration: sends 0x00; the
 * answer 0x00 is followed by the duration byte.
 *   unused: ignored.
 *   result: receives the duration, 0 … 255. When the adaptor answers any
 *           byte but 0x00 it has no duration to give: the call returns 0
 *           and leaves *result as it was, so set it beforehand.
 *   Result: 0; -19 result is null; port codes.
 */
ZORCOMLGM_API int32_t ZorComLgmGetLongitude(int32_t port, uint32_t unused, uint32_t* result);

/*
 * ZorComLgmReadAdaptor — reads the adaptor's identity: sends 0x0F, the
 * adaptor answers 0x0F, its number and its version.
 *   result: receives number * 65536 + version; 0 when the first answer byte
 *           is not 0x0F.
 *   Result: 0; -19 result is null; -22 wrong first answer byte; port codes.
 */
ZORCOMLGM_API int32_t ZorComLgmReadAdaptor(int32_t port, uint32_t* result);

/* ---------------------------------------------------------------------------
 * The parameter block
 *
 * Layout (words 16-bit, most significant byte first; i counts lines):
 *   versions 0, 1 (35 bytes)  version 2 (44 bytes)
 *   0                         0           division factor (version 2: bits
 *                                         0-6, bit 7 = Flags bit 1)
 *   1 … 8    4 words          1 … 10  5   slope word Sa[i]
 *   9 … 16   4 words          11 … 20 5   end word Sb[i]
 *   17 … 20  4 bytes          21 … 25 5   line byte N[i] * 8 + M[i]; a zero
 *                                         byte ends the lines
 *   21 … 26  3 words          26 … 33 4   boundary word T[i] (period at the
 *                                         upper switching point, 1/32768 s)
 *   27 … 32  3 words          34 … 41 4   boundary word U[i] (lower point)
 *   33                        42          bits 0-2 WeightCode, bit 3 range
 *                                         bit (Flags bit 0), bits 4-7
 *                                         (DuIndex - 1) mod 16
 *   34                        43          pulse duration in ticks of
 *                                         0.0305 ms (of 256 ticks with the
 *                                         range bit)
 * Kd below is ZorComLgmApproxCoefficient(version, DuIndex).
 * ------------------------------------------------------------------------- */

/*
 * ZorComLgmExtractParameters — decodes a block read from the meter.
 *   Sets Size, Flags, Version, DivisionFactor, WeightCode, DuIndex,
 *   PulseDuration (ms), LineCount and, for each line, M, N,
 *   A = Sa * 36000 / (Kd * M), B = (Sb - Sa) * 18000 * N / Kd,
 *   Fmax = 65536 / (T + U) (65536 for T + U = 0) and Hysteresis in per cent
 *   (0 when T or U is 0). The last line's slot lies past the boundaries, so
 *   its Fmax and Hysteresis mean nothing. Other fields keep their values.
 *   Any bytes are safe to decode.
 *   block:  35 (versions 0, 1) or 44 (version 2) bytes.
 *   Result: 0; -19 version above 2 or a null pointer; -25 a line byte with a
 *           zero scale (M or N), or lines with a diameter code of no
 *           diameter (DuIndex 14 or 15): the record is then left untouched.
 */
ZORCOMLGM_API int32_t ZorComLgmExtractParameters(uint32_t version, const uint8_t* block,
                                                 MeterParams* params);

/*
 * ZorComLgmPackParameters — encodes a record into a block. Runs the scale
 * search first (ZorComLgmCalculateCoeff), which writes M and N of the record.
 * Writes min(LineCount, 4 or 5) lines and the boundaries between them; a
 * block with fewer lines than its slots ends the lines with a zero byte, a
 * full one has none. Hysteresis is a fraction here (0.01 for 1 %). A slope
 * or end word that rounding lifts to 65536 is written as 65535.
 *   block:  receives 35 (versions 0, 1) or 44 (version 2) bytes.
 *   Result: 0; -19 version above 2, a null pointer, or PulseDuration outside
 *           0.03 … 1998 ms; -1 no scales fit a line (block zeroed).
 */
ZORCOMLGM_API int32_t ZorComLgmPackParameters(uint32_t version, MeterParams* params,
                                              uint8_t* block);

/*
 * ZorComLgmModifyForTest — turns a block read from the meter into the block
 * of the output test: division factor 1 (version 2 keeps bit 7 of byte 0),
 * weight code 0, range bit clear, 26 ticks of pulse duration.
 *   Result: 0; -19 version above 2 or null block.
 */
ZORCOMLGM_API int32_t ZorComLgmModifyForTest(uint32_t version, uint8_t* block);

/*
 * ZorComLgmDecodeTemperature — raw * 0.5 °C.
 *   Result: 0; -19 version above 2, raw above 255 or null value.
 */
ZORCOMLGM_API int32_t ZorComLgmDecodeTemperature(uint32_t version, uint32_t raw, double* value);

/*
 * ZorComLgmDecodePulseLongitude — raw * 0.0305 ms, * 256 when bit 0 of flags
 * (the range bit) is set.
 *   Result: 0; -19 version above 2, raw above 255 or null value.
 */
ZORCOMLGM_API int32_t ZorComLgmDecodePulseLongitude(uint32_t version, uint32_t raw, uint32_t flags,
                                                    double* value);

/*
 * ZorComLgmDecodeFlareLongitude — the adaptor's flash duration: raw * 0.953.
 *   unused: ignored.
 *   Result: 0; -19 raw above 255 or null value.
 */
ZORCOMLGM_API int32_t ZorComLgmDecodeFlareLongitude(uint32_t unused, uint32_t raw, double* value);

/* ---------------------------------------------------------------------------
 * Coefficients, scale search and journal
 *
 * Diameter groups: 1 = DuIndex 0 … 4, 2 = 5 … 8, 3 = 9 … 13.
 * ------------------------------------------------------------------------- */

/*
 * ZorComLgmApproxCoefficient — Kd: 6.5536e9, 6.5536e8, 6.5536e7 for groups
 * 1, 2, 3; 0 for a DuIndex above 13 or a version above 2.
 */
ZORCOMLGM_API double ZorComLgmApproxCoefficient(uint32_t version, uint32_t DuIndex);

/*
 * ZorComLgmApproxMutiplier — mul = Kd / 65536: 100000, 10000, 1000 for
 * groups 1, 2, 3; 0 for a DuIndex above 13 or a version above 2.
 */
ZORCOMLGM_API double ZorComLgmApproxMutiplier(uint32_t version, uint32_t DuIndex);

/*
 * ZorComLgmCalculateCoeff — finds the scales M (1 … 7) and N (1 … 31) of
 * each of the first min(LineCount, 4 or 5) lines and stores them in the
 * record. A line's words must fit 16 bits and N must stay below 1.95 times
 * the line's lower frequency bound over M (the first line's bound is the
 * diameter's start frequency, each next one the previous line's Fmax).
 *   failedLine: receives the index of the first line no scales fit; may be
 *               null.
 *   Result: 0; -1 a line has no scales (lines after it are not searched) or
 *           the version is above 2; -19 null record.
 */
ZORCOMLGM_API int32_t ZorComLgmCalculateCoeff(uint32_t version, MeterParams* params,
                                              uint32_t* failedLine);

/*
 * ZorComLgmGetTauConst — the time-constant table: row (weight - g), where
 * g = 0, 2, 4 for groups 1, 2, 3, column 0 … 2. 0 when the row is outside
 * 0 … 4, the column above 2 or DuIndex above 13.
 */
ZORCOMLGM_API double ZorComLgmGetTauConst(uint32_t DuIndex, uint32_t weight, uint32_t column);

/*
 * Journal points: 5 bytes, a 40-bit little-endian value: bits 0-15 the
 * deviation trunc(|Q - reference| / precision + 0.5), bit 16 set when
 * Q < reference, bits 17-39 the frequency trunc(F * 10000 + 0.5).
 *
 * ZorComLgmPackJournalItem — packs one point.
 *   Result: 1; 0 when the deviation needs more than 16 bits, the frequency
 *           more than 23 bits or is negative, a value is not a number, or
 *           out is null (nothing written).
 */
ZORCOMLGM_API int32_t ZorComLgmPackJournalItem(uint8_t* out, double Q, double F, double reference,
                                               double precision);

/*
 * ZorComLgmExtractJournalItem — unpacks one point: F = bits 17-39 / 10000,
 * Q = ±deviation * precision + reference. Does nothing for a null pointer.
 */
ZORCOMLGM_API void ZorComLgmExtractJournalItem(const uint8_t* in, double* Q, double* F,
                                               double reference, double precision);

/*
 * ZorComLgmPackJournal — packs the six points of the journal (30 bytes)
 * from items 0 … 5 (their F and Q) against reference flows 0 … 5 of the
 * diameter's standard sequence and its precision.
 *   count:  the number of items the array holds.
 *   Result: 30; -19 null pointer, count below 6, DuIndex without a defined
 *           sequence (or above 13), or a point that does not fit (the points
 *           before it stay written).
 */
ZORCOMLGM_API int32_t ZorComLgmPackJournal(uint8_t* out, uint32_t DuIndex,
                                           const ApproxDataItem* items, uint32_t count);

/*
 * ZorComLgmExtractJournal — unpacks the 30-byte journal into F and Q of
 * items 0 … 5 (other fields untouched) and sets *count to 6. Any bytes are
 * safe to unpack. items must hold 6 entries.
 *   Result: 0; -19 null pointer or DuIndex without a defined sequence (count
 *           untouched).
 */
ZORCOMLGM_API int32_t ZorComLgmExtractJournal(const uint8_t* in, uint32_t DuIndex,
                                              ApproxDataItem* items, uint32_t* count);

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
