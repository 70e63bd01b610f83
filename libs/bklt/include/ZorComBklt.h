/*
 * ZorComBklt — the rig controller library.
 *
 * Talks to the БКЛТ controller of the test rig, which runs the rig's pulse
 * counter МН-4.6: starts a measurement in one of four modes, reports the
 * counter's time and the pulse counts of its four channels, and has a
 * generator mode, an oscilloscope mode and a small parameter set.
 *
 * The line: 9600 baud, 8 data bits, no parity, 1 stop bit (see
 * ZorComBkltPrepare). The controller counts time in ticks of 1/4096 s in
 * 24-bit timers; its multi-byte values travel least significant byte first.
 *
 * Use
 *   ZorComBkltSetLogFile once after start; ZorComBkltPrepare after the port
 *   is open (NkComPortOpen) and before a group of commands; then the
 *   commands. The library never opens or closes a port.
 *
 * Results
 *   Every export but ZorComBkltSetLogFile returns an error code of the
 *   system's table (ZorLang.h): 0 on success, negative on failure. Nothing is
 *   thrown. The codes a command can return are listed at it; besides those,
 *   every command that moves bytes can return the serial library's codes
 *   (NkComPort.h): -18 port not open, -19 bad port, -8/-9 device error or lost
 *   connection, -10 the answer did not come (in full) in time, -11 the
 *   request could not be sent in time, -12/-13 NkComPortBreak cut the
 *   exchange short, -14 the input could not be purged.
 *   On any failure the record handed to a command keeps its previous content:
 *   an answer is decoded only once it has arrived in full and passed every
 *   check, and then stored at once.
 *
 * Time-outs
 *   Each exchange waits 500 ms or 1000 ms as stated at the command, and
 *   ZorComBkltRun pauses 1000 ms after switching the lasers on. For tests
 *   against a simulated controller, the environment variable
 *   ZORCOM_TIME_SCALE (a number above 0 and at most 1, read once when the
 *   library first waits) scales every time-out and pause, e.g. 0.1 makes
 *   500 ms into 50 ms.
 *
 * Exchange log
 *   With a log handle set, every exchange appends to the log (Windows-1251,
 *   CR LF): its title, a hex dump of the request, ">>[] Ответ:" with the
 *   first answer byte, the rest of the answer, and a line starting "!! " for
 *   a failed check.
 *
 * Thread safety
 *   The calls of one port must come from one thread at a time (the serial
 *   library's rule); different ports may be driven from different threads.
 *   ZorComBkltSetLogFile may be called at any time from any thread; log
 *   lines of exchanges running at the same time on different ports may
 *   interleave. NkComPortBreak from another thread ends a waiting exchange
 *   with -12 or -13.
 */
#ifndef ZORCOMBKLT_H
#define ZORCOMBKLT_H

#include <stdint.h>

#define ZORCOMBKLT_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Number of counter channels. */
#define BKLT_CHANNELS 4

/* Bytes of one oscilloscope capture. */
#define BKLT_OSCILLOSCOPE_BYTES 80

/* Ticks of the controller's timers per second. */
#define BKLT_TICKS_PER_SECOND 4096

/* Bit of BkltState.Status set when the measurement has finished. */
#define BKLT_STATUS_FINISHED 0x80

/* BkltState.Code of a state answer. */
enum {
    BKLT_CODE_TIME = 0,         /* measurement stopped by its duration (mode 0) */
    BKLT_CODE_START_STOP_1 = 1, /* measurement in start/stop mode 1 */
    BKLT_CODE_START_STOP_2 = 2, /* measurement in start/stop mode 2 */
    BKLT_CODE_COUNT = 3,        /* measurement stopped by a pulse count (mode 3) */
    BKLT_CODE_GENERATOR = 4,
    BKLT_CODE_OSCILLOSCOPE = 10
};

/* Measurement state (Code 0 … 3). */
typedef struct BkltMeasurement {
    /* The controller's time counter / 4096, s. In mode 0 the timer runs from
     * 4096 - Duration up to its overflow, where it reads 0; in the other
     * modes it counts the time since the start. */
    double Time;
    /* Time counted on each channel / 4096, s; 0 when the channel has no time. */
    double ChannelTime[BKLT_CHANNELS];
    /* Pulses counted on each channel (24 bits). */
    uint32_t ChannelCount[BKLT_CHANNELS];
} BkltMeasurement;

/* Generator state (Code 4): the controller's two 24-bit generator values. */
typedef struct BkltGeneratorState {
    uint32_t Value1;
    uint32_t Value2;
} BkltGeneratorState;

/* Run parameters of mode 0. */
typedef struct BkltTimeRun {
    double Duration; /* s; at least one tick (1/4096 s), below 4096 */
} BkltTimeRun;

/* Run parameters of mode 3. */
typedef struct BkltCountRun {
    uint32_t Criterion; /* pulses after which the run stops, 1 … 0xFFFFFF */
    uint32_t Channel;   /* channel 0 … 3 that counts them; low 8 bits are sent */
} BkltCountRun;

/* Answer of ZorComBkltVersion. */
typedef struct BkltVersionInfo {
    uint32_t Version; /* 0 … 63 */
    uint32_t Flag;    /* 1 when bit 7 of the version byte is set, else 0 */
} BkltVersionInfo;

/* Parameters of ZorComBkltOscilloscope. */
typedef struct BkltOscilloscopeMode {
    uint32_t Channel;  /* low 4 bits are sent */
    uint32_t FlagHigh; /* non-zero sets bit 7 of the mode byte */
    uint32_t FlagLow;  /* non-zero sets bit 6 of the mode byte */
} BkltOscilloscopeMode;

/*
 * BkltState — the record handed to the state check and the commands that
 * take run, version or oscilloscope data. The rig window keeps it in a
 * 4096-byte buffer; the library reads and writes only sizeof(BkltState).
 * Which member of the variant part is in use follows from the call (for a
 * state answer, from Code).
 */
typedef struct BkltState {
    uint32_t Code;   /* state answer: the controller's state code (BKLT_CODE_*) */
    uint32_t Status; /* state answer: the status byte (BKLT_STATUS_FINISHED) */
    union {
        BkltMeasurement Measurement;                   /* state, Code 0 … 3 */
        BkltGeneratorState Generator;                  /* state, Code 4 */
        uint8_t Oscilloscope[BKLT_OSCILLOSCOPE_BYTES]; /* state, Code 10: the capture */
        BkltTimeRun TimeRun;                           /* ZorComBkltRun, mode 0 */
        BkltCountRun CountRun;                         /* ZorComBkltRun, mode 3 */
        BkltVersionInfo Version;                       /* ZorComBkltVersion */
        BkltOscilloscopeMode OscilloscopeMode;         /* ZorComBkltOscilloscope */
    };
} BkltState;

/*
 * BkltGenerator — the generator's settings. Code and Status are not used;
 * they keep the record's layout that of BkltState so it can share its
 * buffer. Each duration becomes trunc(D × 4.096) timer ticks.
 */
typedef struct BkltGenerator {
    uint32_t Code;
    uint32_t Status;
    double D1;        /* ms, below 4096000 (a 24-bit tick count) */
    double D2;        /* ms, below 4096000 */
    double D3;        /* ms, below 62.5 (an 8-bit tick count) */
    double D4;        /* ms, below 62.5 */
    uint32_t Pulses1; /* 0 … 0xFFFFFF */
    uint32_t Pulses2; /* 0 … 0xFFFFFF */
} BkltGenerator;

/*
 * BkltParams — the controller's parameter set. Code and Status are not used
 * (see BkltGenerator). Reading back what was written gives P1 and P2 one
 * timer tick (1/4.096 ms, about 0.244 ms) larger: the controller's registers
 * are written counting from 0xFFFFFF and read counting from 2^24.
 */
typedef struct BkltParams {
    uint32_t Code;
    uint32_t Status;
    double P1;         /* ms, below 4096000 (a 24-bit tick count) */
    double P2;         /* ms, below 4096000 */
    uint32_t Flags[4]; /* non-zero = set; read back as 0 or 1 */
    double P3;         /* 0 … 127.5 in steps of 0.5 */
} BkltParams;

/*
 * Stores the exchange log handle (a file descriptor from ZorCreateLogA, or
 * -1 for no log) and returns it. The log stays the caller's: the library
 * never closes it.
 */
ZORCOMBKLT_API int ZorComBkltSetLogFile(int log);

/*
 * Applies the controller's line settings to the open port: 9600 baud, 8 data
 * bits, no parity, parity checking off, 1 stop bit, RTS held off, DTR held
 * on, raw, port default time-out 500 ms. The second argument is ignored.
 * Returns the result of NkComPortSetConfig: 0; -19, -18, -4, -5.
 */
ZORCOMBKLT_API int32_t ZorComBkltPrepare(int32_t port, uint32_t unused);

/*
 * Asks the controller for its state (request 0xFD), or for its state and a
 * reset that ends the running measurement (0xFE) when reset is non-zero.
 * Waits 500 ms for the Code byte and 500 ms for the rest of the answer.
 * On success state holds Code and Status and, by Code:
 *   0 … 3  Measurement (a channel counter 0xFFFFFF reads as time 0);
 *   4      Generator;
 *   10     Oscilloscope, the 80 bytes of the capture.
 * The rest of state is left as it was.
 * Returns 0; -19 state is null; -25 the Code is none of these (nothing
 * more is read); the serial codes. No checksum is verified in a state answer.
 */
ZORCOMBKLT_API int32_t ZorComBkltCheckState(int32_t port, uint32_t reset, BkltState* state);

/*
 * Starts a measurement in mode 0 … 3 (low 8 bits of mode) with the run
 * parameters in state: mode 0 state->TimeRun.Duration (the controller's
 * timer is loaded with 2^24 - trunc(Duration × 4096)), mode 3
 * state->CountRun; modes 1 and 2 take none. With lasers non-zero it first
 * switches the lasers on (request 0x05, 500 ms) and pauses 1000 ms so they
 * settle. Then it sends the start request and waits 500 ms for each part of
 * the answer, which repeats the request. state is not changed.
 * Returns 0;
 *   -19 state is null, mode above 3, Duration shorter than one tick or not
 *       below 4096 s, Criterion 0 or above 0xFFFFFF (all checked before
 *       anything is sent);
 *   -25 the lasers were not confirmed;
 *   -22 the controller rejected the start (answer 0xFF);
 *   -29 an unexpected answer byte;
 *   -24 the repeat differs from the request (modes 0 and 3);
 *   the serial codes.
 */
ZORCOMBKLT_API int32_t ZorComBkltRun(int32_t port, uint32_t mode, uint32_t lasers,
                                     BkltState* state);

/*
 * Reads the controller's version (request 0x09, 1000 ms for each part of the
 * answer) into state->Version.
 * Returns 0; -19 state is null; -22 rejected; -29 unexpected answer byte;
 * -21 the version byte and its copy differ; the serial codes.
 */
ZORCOMBKLT_API int32_t ZorComBkltVersion(int32_t port, BkltState* state);

/*
 * Switches the controller to its oscilloscope mode for the channel and flags
 * in state->OscilloscopeMode (mode byte = Channel & 0x0F, + 0x40 for FlagLow,
 * + 0x80 for FlagHigh); the captures then come with ZorComBkltCheckState
 * (Code 10). Waits 1000 ms for the answer byte and 500 ms for the rest.
 * state is not changed.
 * Returns 0; -19 state is null; -22 rejected; -29 unexpected answer byte;
 * -21 the copy byte differs from the one sent; -24 the mode byte differs;
 * the serial codes.
 */
ZORCOMBKLT_API int32_t ZorComBkltOscilloscope(int32_t port, BkltState* state);

/*
 * Switches the controller to its generator mode with the settings of
 * generator. Waits 1000 ms for the answer byte and 1000 ms for the rest.
 * Returns 0; -19 generator is null, or a duration or count (see
 * BkltGenerator) is negative, not a number or too large for its field;
 * -22 rejected; -29 unexpected answer byte; -24 the repeat differs from the
 * request; the serial codes.
 */
ZORCOMBKLT_API int32_t ZorComBkltGenerator(int32_t port, const BkltGenerator* generator);

/*
 * Writes the parameter set. Waits 1000 ms for the answer byte and 1000 ms for
 * the rest.
 * Returns 0; -19 params is null, or P1, P2 or P3 is negative, not a number
 * or too large for its field (see BkltParams); -22 rejected; -29 unexpected
 * answer byte; -24 the controller's repeat differs from the request; the
 * serial codes.
 */
ZORCOMBKLT_API int32_t ZorComBkltSetParam(int32_t port, const BkltParams* params);

/*
 * Reads the parameter set into P1, P2, Flags and P3 of params (Code and
 * Status are left as they were). Waits 1000 ms for the answer byte and
 * 1000 ms for the rest.
 * Returns 0; -19 params is null; -22 rejected; -29 unexpected answer byte;
 * -21 the answer's checksum is wrong; the serial codes.
 */
ZORCOMBKLT_API int32_t ZorComBkltGetParam(int32_t port, BkltParams* params);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ZORCOMBKLT_H */
