/*
 * ZorComGkms — the ГКМС meter library.
 *
 * A ГКМС meter takes one straight line Q = A·f + B as its characteristic.
 * This library writes that line into the meter in one of two framings, the
 * two kinds of ГКМС meter:
 *   mode 1  300 baud, 8 data bits, no parity, 1 stop bit; a 5-byte frame;
 *   mode 2  600 baud, 8 data bits, no parity, 2 stop bits; an 8-byte frame;
 * and gives the scaling and the limits of the coefficients per nominal
 * diameter (DuIndex 0 … 13: 15 … 300 mm).
 *
 * Use
 *   ZorComGkmsSetLogFile once after start; ZorComGkmsPrepare with the
 *   meter's mode after the port is open (NkComPortOpen); then
 *   ZorComGkmsSetParams with the same mode. The library never opens or
 *   closes a port.
 *
 * Results
 *   The exports that touch a port return an error code of the system's table
 *   (ZorLang.h): 0 on success, negative on failure; nothing is thrown.
 *
 * Time-outs
 *   ZorComGkmsSetParams waits 6000 ms (mode 1) or 4000 ms (mode 2) for the
 *   meter's answer. For tests against a simulated meter the environment
 *   variable ZORCOM_TIME_SCALE (a number above 0 and at most 1, read once
 *   when the library first waits) scales both, e.g. 0.1 gives 600 and 400 ms.
 *
 * Exchange log
 *   With a log handle set, every write appends to the log (Windows-1251,
 *   CR LF): "[]>> Запись параметров:" with a hex dump of the frame,
 *   ">>[] Ответ:" with the answer, and "!! Ответ не соответствует посылке"
 *   when the answer differs.
 *
 * Thread safety
 *   ZorComGkmsMultiplier and ZorComGkmsLimit have no state and may be called
 *   from any thread. The calls of one port must come from one thread at a
 *   time (the serial library's rule); different ports may be driven from
 *   different threads. ZorComGkmsSetLogFile may be called at any time.
 *   NkComPortBreak from another thread ends a waiting write with -12 or -13.
 */
#ifndef ZORCOMGKMS_H
#define ZORCOMGKMS_H

#include <stdint.h>

#define ZORCOMGKMS_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/*
 * GkmsParams — the line to write. A coefficient c travels as the 16-bit word
 * trunc(c × ZorComGkmsMultiplier(DuIndex)), negative values in two's
 * complement.
 */
typedef struct GkmsParams {
    double Reserved;  /* set to 0; not read */
    double A;         /* slope, m³/h per Hz */
    double B;         /* intercept, m³/h */
    uint32_t DuIndex; /* nominal diameter index 0 … 13 */
} GkmsParams;

/* Stores the exchange log handle (a file descriptor from ZorCreateLogA, or -1
 * for no log) and returns it. The library never closes it. */
ZORCOMGKMS_API int ZorComGkmsSetLogFile(int log);

/*
 * Applies the line settings of the meter's mode (low 8 bits of mode, 1 or 2;
 * see above) to the open port, with parity checking off, RTS and DTR held
 * off, raw mode and a port default time-out of 5000 ms.
 * Returns the result of NkComPortSetConfig: 0; -19 (also for a mode other
 * than 1 or 2, without touching the port), -18, -4, -5.
 */
ZORCOMGKMS_API int32_t ZorComGkmsPrepare(int32_t port, uint32_t mode);

/*
 * The scale of the coefficients for DuIndex: 100000 for 0 … 4, 10000 for
 * 5 … 8, 1000 for 9 … 13, 0 for 14 and above. The first argument is ignored.
 */
ZORCOMGKMS_API double ZorComGkmsMultiplier(uint32_t unused, uint32_t duIndex);

/*
 * The largest coefficient value for DuIndex: 0.36 for 0 … 4, 3.6 for 5 … 8,
 * 36.0 for 9 … 13, 0 for 14 and above. The first argument is ignored.
 */
ZORCOMGKMS_API double ZorComGkmsLimit(uint32_t unused, uint32_t duIndex);

/*
 * Writes the line into the meter in mode 1 or 2 (low 8 bits of mode):
 *   mode 1: A×M and (A+B)×M as words, most significant byte first, and the
 *           low byte of their byte sum;
 *   mode 2: 1 when DuIndex < 4 (else 0), a×M with a = 2A when DuIndex < 4
 *           (else A), 1 when trunc(B×M) is negative (else 0), B×M, the low byte of
 *           the sum of these six bytes, and 0x0D;
 * where M = ZorComGkmsMultiplier(DuIndex). Raises DTR with RTS off
 * (NkComPortSetControl 14), sends the frame and expects the meter to repeat
 * it byte for byte. Nothing is retried.
 * A scaled value trunc(c × M) must fit its word: -32768 … 65535, and for the
 * mode 2 intercept, which has its sign byte, -65536 … 65535. A product
 * within rounding error of a whole number counts as that number (0.29 ×
 * 100000 is 29000, not 28999).
 * Returns 0;
 *   -19 request is null, a mode other than 1 or 2, DuIndex 14 or above, a
 *       coefficient that is not a number or does not fit its word (all
 *       checked before the port is touched);
 *   -7  the control lines could not be set;
 *   -24 the answer differs from the frame;
 *   the serial codes of NkComPortWriteAndRead, e.g. -10 when the meter does
 *   not answer in full within the time-out, -18 port not open.
 */
ZORCOMGKMS_API int32_t ZorComGkmsSetParams(int32_t port, uint32_t mode, const GkmsParams* request);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZORCOMGKMS_H */
