/*
 * NkComPort — the serial-port library of lgmservice.
 *
 * Every byte the workstation exchanges with a meter, an adaptor or the rig
 * controller passes through these calls. The library keeps a table of eight
 * ports, 0 … 7, standing for COM1 … COM8.
 *
 * Devices
 *   COMn is the serial device /dev/ttyS<n-1> unless the environment variable
 *   LGMSERVICE_COM<n> (n = 1 … 8) names another one when the port is opened:
 *     LGMSERVICE_COM1=/dev/ttyUSB0          a local serial device (termios)
 *     LGMSERVICE_COM2=rfc2217://host:port   a network serial server (RFC 2217)
 *   NkComPortGetDeviceNameA tells which device a port stands for.
 *
 * Results
 *   Every call returns an error code: 0 or a positive value on success, one of
 *   the negative NKCOMPORT_ERROR_* values below on failure. Nothing is thrown.
 *
 * Time-outs
 *   A time-out is in milliseconds for the whole call; -1 means the port's
 *   default time-out (NkComPortConfig.Timeout, initially 0, kept across a
 *   close and a reopen). With a time-out of 0 a transfer takes only what is
 *   already waiting and fails at once otherwise. Other negative time-outs are
 *   invalid (-19).
 *
 * Threads
 *   Every call is safe from any thread. Opening and closing one port are
 *   serialised (opening an RFC 2217 port may take a few seconds; other
 *   ports do not wait for it). All other calls on one port are serialised
 *   too: keep a port's traffic on one thread. NkComPortBreak is the call
 *   meant for another thread: it never waits for the transfer it cuts
 *   short. Closing a port while another thread's transfer waits on it ends
 *   that transfer as a break would.
 */
#ifndef NKCOMPORT_H
#define NKCOMPORT_H

#include <stdint.h>

#if defined(NKCOMPORT_BUILD)
#define NKCOMPORT_API __attribute__((visibility("default")))
#else
#define NKCOMPORT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Error codes returned by this library (the shared table of error texts
 * gives their operator messages). */
enum {
    NKCOMPORT_OK = 0,
    NKCOMPORT_ERROR_OPEN = -2,          /* device missing, busy, refused or not a serial port */
    NKCOMPORT_ERROR_EVENT = -3,         /* the wake-up events of the port could not be made */
    NKCOMPORT_ERROR_GET_CONFIG = -4,    /* the line settings could not be read */
    NKCOMPORT_ERROR_SET_CONFIG = -5,    /* a line setting could not be applied */
    NKCOMPORT_ERROR_GET_CONTROL = -6,   /* the modem status could not be read */
    NKCOMPORT_ERROR_SET_CONTROL = -7,   /* RTS or DTR could not be set */
    NKCOMPORT_ERROR_READ = -8,          /* the read failed (device error, connection lost) */
    NKCOMPORT_ERROR_WRITE = -9,         /* the write failed (device error, connection lost) */
    NKCOMPORT_ERROR_READ_TIMEOUT = -10, /* not every requested byte arrived in time */
    NKCOMPORT_ERROR_WRITE_TIMEOUT = -11,
    NKCOMPORT_ERROR_READ_ABORTED = -12, /* NkComPortBreak (or a purge or close) ended the read */
    NKCOMPORT_ERROR_WRITE_ABORTED = -13,
    NKCOMPORT_ERROR_PURGE = -14,
    NKCOMPORT_ERROR_QUEUE = -16,
    NKCOMPORT_ERROR_NOT_OPEN = -18,
    NKCOMPORT_ERROR_PARAMETER = -19,
    NKCOMPORT_ERROR_BREAK = -20
};

enum { NKCOMPORT_PORT_COUNT = 8 };

/* NkComPortConfig.Mask bits: which fields a call sets or fetches. */
enum {
    NKCOMPORT_CFG_BAUDRATE = 0x01,
    NKCOMPORT_CFG_TIMEOUT = 0x02,
    NKCOMPORT_CFG_DATABITS = 0x04,
    NKCOMPORT_CFG_STOPBITS = 0x08,
    NKCOMPORT_CFG_PARITYCHECK = 0x10,
    NKCOMPORT_CFG_PARITY = 0x20,
    NKCOMPORT_CFG_RTSCONTROL = 0x40,
    NKCOMPORT_CFG_DTRCONTROL = 0x80,
    NKCOMPORT_CFG_RAW = 0x10000 /* set only */
};

/* StopBits */
enum { NKCOMPORT_STOPBITS_1 = 0, NKCOMPORT_STOPBITS_1_5 = 1, NKCOMPORT_STOPBITS_2 = 2 };

/* Parity */
enum {
    NKCOMPORT_PARITY_NONE = 0,
    NKCOMPORT_PARITY_ODD = 1,
    NKCOMPORT_PARITY_EVEN = 2,
    NKCOMPORT_PARITY_MARK = 3,
    NKCOMPORT_PARITY_SPACE = 4
};

/* RtsControl and DtrControl */
enum {
    NKCOMPORT_LINE_OFF = 0,       /* held off */
    NKCOMPORT_LINE_ON = 1,        /* held on */
    NKCOMPORT_LINE_HANDSHAKE = 2, /* hardware flow control (RTS/CTS) */
    NKCOMPORT_LINE_TOGGLE = 3     /* RTS on while sending */
};

/*
 * Line settings. Fields whose mask bit is clear are neither read nor written.
 *
 * Setting (NkComPortSetConfig):
 *   Mask         any of the NKCOMPORT_CFG_* bits; other bits give -19.
 *   BaudRate     a standard rate (50 … 4000000) on a local device; any rate
 *                the server accepts over RFC 2217.
 *   Timeout      the port's default time-out in ms; stored in the library,
 *                the device is not touched when it is the only bit.
 *   DataBits     5 … 8.
 *   StopBits     NKCOMPORT_STOPBITS_*; 1.5 bits exist only over RFC 2217.
 *   ParityCheck  non-zero checks the parity of received bytes. Over RFC 2217
 *                the server checks by its own rules; the value is only kept.
 *   Parity       NKCOMPORT_PARITY_*.
 *   RtsControl   NKCOMPORT_LINE_OFF, _ON or _HANDSHAKE (RTS/CTS flow
 *                control); _TOGGLE is not available on this system.
 *   DtrControl   NKCOMPORT_LINE_OFF or _ON; DTR handshake is not available.
 *   NKCOMPORT_CFG_RAW makes the line raw: no echo, no line editing, no
 *   character translation, no XON/XOFF, no hardware flow control. It is
 *   applied before the fields, so a RtsControl of _HANDSHAKE in the same
 *   call turns RTS/CTS flow control back on. Ports are already made raw
 *   when they are opened (a serial line carries binary frames here).
 * A setting the device does not take (an unsupported value, or a device
 * that reads back something else) gives -5; the device may then hold some
 * of the other settings of the call.
 *
 * Fetching (NkComPortGetConfig) fills the fields whose bits are set in Mask.
 * RtsControl and DtrControl report _HANDSHAKE (RTS only), else the line's
 * present level on a local device, or the mode last set over RFC 2217.
 */
typedef struct NkComPortConfig {
    uint32_t Mask;
    uint32_t BaudRate;
    uint32_t Timeout;
    uint8_t DataBits;
    uint8_t StopBits;
    uint8_t ParityCheck;
    uint8_t Parity;
    uint8_t RtsControl;
    uint8_t DtrControl;
} NkComPortConfig;

/*
 * Control word (NkComPortSetControl, NkComPortExRequest): bit 0 RTS level,
 * bit 1 change RTS, bit 2 DTR level, bit 3 change DTR. A line whose change
 * bit is clear is left as it is: 8 drops DTR, 12 raises DTR, 14 drops RTS
 * and raises DTR, 0 does nothing.
 */
enum {
    NKCOMPORT_CTL_RTS_ON = 0x01,
    NKCOMPORT_CTL_RTS_CHANGE = 0x02,
    NKCOMPORT_CTL_DTR_ON = 0x04,
    NKCOMPORT_CTL_DTR_CHANGE = 0x08
};

/* Modem status bits (NkComPortGetControl). */
enum {
    NKCOMPORT_MODEM_CTS = 0x10,
    NKCOMPORT_MODEM_DSR = 0x20,
    NKCOMPORT_MODEM_RI = 0x40,
    NKCOMPORT_MODEM_DCD = 0x80
};

/* Purge flags (NkComPortPurge). */
enum {
    NKCOMPORT_PURGE_ABORT_READ = 0x01,  /* wake a read another thread is waiting in (-12) */
    NKCOMPORT_PURGE_ABORT_WRITE = 0x02, /* wake a waiting write (-13) */
    NKCOMPORT_PURGE_INPUT = 0x04,       /* discard received bytes not yet read */
    NKCOMPORT_PURGE_OUTPUT = 0x08       /* discard bytes not yet sent */
};

/*
 * A two-phase transfer with control-line changes (NkComPortWriteAndReadEx).
 * A null Send skips the first phase, a null Receive the second.
 */
typedef struct NkComPortExRequest {
    const void* Send;
    void* Receive;
    uint32_t SendCount;
    uint32_t ReceiveCount;
    uint32_t ControlBeforeSend;    /* applied before the first phase */
    uint32_t ControlBeforeReceive; /* applied before the second phase */
    uint32_t ControlAtEnd;         /* applied at the end */
    int32_t SendTimeout;           /* ms, -1 = the port's default */
    int32_t ReceiveTimeout;        /* ms, -1 = the port's default */
} NkComPortExRequest;

/*
 * Opens port 0 … 7 for exclusive use and makes its line raw. Opening a port
 * that is already open changes nothing.
 * Returns the port number.
 * -19 port outside 0 … 7; -2 the device is missing, busy (open elsewhere),
 * not permitted, not a serial device, or the RFC 2217 server cannot be
 * reached or refuses the COM port option (NkComPortGetOpenErrorA tells
 * which); -3 the port's wake-up events could not be made.
 */
NKCOMPORT_API int32_t NkComPortOpen(int32_t port);

/*
 * Closes the port. A transfer another thread is waiting in ends as if
 * NkComPortBreak had been called.
 * Returns 0; -19 bad port; -18 not open.
 */
NKCOMPORT_API int32_t NkComPortClose(int32_t port);

/*
 * Applies the fields of config selected by config->Mask (see NkComPortConfig).
 * Returns 0; -19 bad port, null config or unknown mask bits; -18 not open;
 * -4 the present settings could not be read; -5 a setting was not applied.
 */
NKCOMPORT_API int32_t NkComPortSetConfig(int32_t port, const NkComPortConfig* config);

/*
 * Fills the fields of config selected by config->Mask. On a port that is not
 * open it returns 0 and leaves the record as it was.
 * Returns 0; -19 bad port or null config; -4 the settings could not be read.
 */
NKCOMPORT_API int32_t NkComPortGetConfig(int32_t port, NkComPortConfig* config);

/*
 * Reads one byte. Returns the byte, 0 … 255; -19 bad port or time-out;
 * -18 not open; -8 device error or connection lost; -10 time-out;
 * -12 broken off by NkComPortBreak.
 */
NKCOMPORT_API int32_t NkComPortReadByte(int32_t port, int32_t timeout);

/*
 * Reads exactly count bytes into buffer within the time-out. Bytes that
 * arrived before a time-out or a break are consumed and left in the buffer.
 * Returns 0; -19 bad port, null buffer, count <= 0 or bad time-out;
 * -18 not open; -8 device error or connection lost; -10 not every byte
 * arrived in time; -12 broken off.
 */
NKCOMPORT_API int32_t NkComPortReadArray(int32_t port, void* buffer, int32_t count,
                                         int32_t timeout);

/*
 * Writes the low 8 bits of value. Returns 0; -19; -18; -9 device error or
 * connection lost; -11 time-out; -13 broken off.
 */
NKCOMPORT_API int32_t NkComPortWriteByte(int32_t port, int32_t value, int32_t timeout);

/*
 * Writes count bytes within the time-out. Returns 0; -19 bad port, null
 * buffer, count <= 0 or bad time-out; -18; -9; -11; -13.
 */
NKCOMPORT_API int32_t NkComPortWriteArray(int32_t port, const void* buffer, int32_t count,
                                          int32_t timeout);

/*
 * Writes the request, then reads exactly answerCount bytes, each phase with
 * the time-out. Nothing is purged in between: bytes that were waiting
 * before the call (an echo, a late answer) are read as part of the answer.
 * Returns 0; -19 (bad port, either buffer null, either count <= 0, bad
 * time-out); then the codes of NkComPortWriteArray, then of NkComPortReadArray.
 */
NKCOMPORT_API int32_t NkComPortWriteAndRead(int32_t port, const void* send, int32_t sendCount,
                                            void* answer, int32_t answerCount, int32_t timeout);

/*
 * Runs request: ControlBeforeSend and the write (when Send is set), then
 * ControlBeforeReceive and the read (when Receive is set), then ControlAtEnd.
 * A failure before the read stops the sequence there. Once the read phase
 * has begun, ControlAtEnd is applied whatever the read's outcome, so the
 * lines end as the caller asked, and the first failure is returned.
 * Returns 0; -19 bad port, null request, a set buffer with a count of 0 or
 * above 2^31-1, unknown control bits or a bad time-out; -18; -7; the write
 * and read codes.
 */
NKCOMPORT_API int32_t NkComPortWriteAndReadEx(int32_t port, const NkComPortExRequest* request);

/*
 * Cuts short the transfer waiting on the port (it returns -12 or -13). When
 * nothing waits, the next transfer that has to wait is cut short at once.
 * Callable from any thread. Returns 0; -19; -18; -20.
 */
NKCOMPORT_API int32_t NkComPortBreak(int32_t port);

/*
 * Purges by NKCOMPORT_PURGE_* flags; 0 does nothing. Over RFC 2217 the
 * server is asked to discard its buffers too, and input discarding waits
 * (briefly) for its confirmation so no stale byte arrives afterwards.
 * Returns 0; -19 bad port or unknown flag bits; -18; -14.
 */
NKCOMPORT_API int32_t NkComPortPurge(int32_t port, uint32_t flags);

/*
 * Sets RTS, then DTR, by the control word (NKCOMPORT_CTL_*).
 * Returns 0; -19 bad port or unknown bits; -18; -7 a line could not be set
 * (a device without control lines, such as a pseudo-terminal, or a lost
 * connection).
 */
NKCOMPORT_API int32_t NkComPortSetControl(int32_t port, uint32_t control);

/*
 * Stores the modem status (NKCOMPORT_MODEM_*) in *status. Over RFC 2217 it
 * is the state last notified by the server; after RTS or DTR changed, the
 * call waits until the server has reported the lines as they stand after
 * the last change, at most 250 ms from that change (then the state last
 * notified is taken).
 * Returns 0; -19 bad port or null status; -18; -6 (no modem lines, or the
 * connection was lost).
 */
NKCOMPORT_API int32_t NkComPortGetControl(int32_t port, uint32_t* status);

/*
 * Stores the number of received bytes not yet read and of bytes not yet
 * sent; either pointer may be null.
 * Returns 0; -19 bad port; -18; -16.
 */
NKCOMPORT_API int32_t NkComPortGetQueue(int32_t port, uint32_t* input, uint32_t* output);

/*
 * Copies the device the port stands for ("/dev/ttyS0", "/dev/ttyUSB0",
 * "rfc2217://host:4000") into buffer, terminated by a zero byte: for an open
 * port the device it was opened on, else the device it would open now.
 * Returns the length of the name without the terminator; -19 bad port, null
 * buffer, or a size too small for the name and its terminator.
 */
NKCOMPORT_API int32_t NkComPortGetDeviceNameA(int32_t port, char* buffer, int32_t size);

/*
 * Copies the reason the last NkComPortOpen of the port failed (for example
 * "/dev/ttyS0: Permission denied"), terminated by a zero byte; an empty text
 * when the last open succeeded or none was tried.
 * Returns the length of the text; -19 bad port, null buffer or a size too
 * small for the text and its terminator.
 */
NKCOMPORT_API int32_t NkComPortGetOpenErrorA(int32_t port, char* buffer, int32_t size);

#ifdef __cplusplus
}
#endif

#endif /* NKCOMPORT_H */
