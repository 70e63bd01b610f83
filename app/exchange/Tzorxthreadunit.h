// TZorXThread — the exchange worker thread: the one thread that talks to the
// devices (the ЛГМ meter behind its adaptor, the ГКМС meter, the БКЛТ rig
// controller) so that no window ever waits on the serial line.
//
// Use (the main window):
//
//     TZorXThread xthread;                       // created suspended
//     xthread.SetNotify(receiver, kExchangeMessage, log.Handle());
//     ...                                        // first port choice:
//     xthread.Resume();
//     xthread.SendCommand(XCmd::OpenPort, port, nullptr);
//     ...
//     if (xthread.PreparePort(XPortKind::Lgm) &&
//         xthread.SendCommand(XCmd::ReadParams, kVersionRecent, &params))
//         ShowProgress();                        // result comes to receiver
//
// Commands
//   One command at a time. SendCommand hands over a command code, a 32-bit
//   argument and a pointer to a record owned by the caller; it returns false
//   when a command is still pending or running (nothing changes then) and for
//   codes outside 1 … 19. Codes 1 and 2 run at once in the caller's thread and
//   post nothing; codes 3 … 19 run on the worker, which posts the exchange
//   message when the command ends.
//
// The exchange message (posted through the receiver set by SetNotify)
//   message = the number given to SetNotify (kExchangeMessage, 0x8400);
//   wparam  = the command code, with kExchangeFailed (bit 31) set when the
//             result is negative;
//   lparam  = on failure the negative error code (ZorComDecodeErrorA gives
//             its text); on success a pointer (see "Result pointers").
//   Besides the end of each command the thread posts by itself:
//     TestProgress (14) during OutputTest, lparam = elapsed ms / 15 (13, 26,
//       … 1000, every 200 ms for 15 s);
//     TestParams (15) during OutputTest, lparam = the MeterParams record
//       handed with the command, filled with the meter's parameters;
//     RigState (18) after rig polls while a rig run is active (see below).
//   The receiver is called on the worker thread; it should only queue the
//   message for the window (the GUI posts a QEvent) and return. When the
//   message of a finished command arrives the thread is already free: the
//   window may send its next command (7 after 5, 4 after 6) at once.
//
// Result pointers (lparam on success)
//   TuneAdaptor (16) posts the AdaptorTuning record it was handed. The
//   pointer stays the one posted with every later success of any command
//   (and of rig polls) until the next TuneAdaptor; before the first one it is
//   null. Only the messages 14, 15 and 16 carry a meaningful lparam on
//   success: the others tell the window to read its own record.
//
// Records
//   The record handed with a command stays the caller's: the thread writes it
//   only while the command runs, the caller reads it only when the command's
//   message (or, for OutputTest, TestParams) has arrived, and must keep it
//   alive until then. Records by command (argument in brackets):
//     3  WriteGkmsParams         MeterParams: A[0], B[0], DuIndex (mode 1 or 2)
//     4  WriteParams             MeterParams, Version = the meter's (selector);
//                                M and N are rewritten by the packing
//     5  ReadParams              MeterParams, filled on success (selector)
//     6  WriteJournal            ApproxDataList (approx/Sections.h): DuIndex,
//                                Count >= 6, Items 0 … 5 (selector)
//     7  ReadJournal             ApproxDataList: DuIndex in; Items 0 … 5 and
//                                Count = 6 out, Count = 0 when the journal
//                                does not decode (selector)
//     8  —                       nothing is done (any)
//     9  ReadSupply              uint8_t: the supply byte (0)
//     10 ReadThermoSensor        uint32_t: the sensor byte (selector)
//     11 WriteThermoCompensation double: the compensation, °C (selector)
//     12 ReadThermoCompensation  uint32_t: first byte of the table (selector)
//     13 OutputTest              MeterParams, filled (selector); the block
//                                read first is written back at the end, also
//                                when writing the test block failed
//     16 TuneAdaptor             AdaptorTuning
//     17 StartRig                BkltState in the rig window's buffer: the run
//                                parameters (mode 0 … 3; + kRigLasers)
//     19 StopRig                 BkltState: the state read with the reset (0)
//     14, 15, 18                 nothing runs; the previous result is posted
//   "selector" is the meter version selector below. A null record gives -19.
//
// Rig polling
//   A successful StartRig makes the worker poll the rig controller every
//   500 ms while no command runs; a successful StopRig ends it. Each poll
//   that succeeds is posted as RigState (18). A failed poll is repeated at
//   once; the third failure in a row is posted (bit 31, its code) and polling
//   pauses for 15 s plus the period. The polled state is kept by the thread,
//   not written into the window's buffer: on a RigState message the window
//   reads RigState(), a consistent copy of the last good poll.
//
// Meter version selector (low 16 bits of the argument of the meter commands)
//   kVersionCached  the version last read from the meter (asked when none);
//   kVersionRecent  that version if one was read and a parameter or table
//                   read succeeded less than 5 s ago, otherwise asked (the
//                   windows pass this);
//   kVersionAsk     always asked (short command 0x08);
//   other values    the version itself, low 8 bits.
//   Opening or closing a port forgets the version read.
//
// Error codes (Result(), lparam on failure): the codes of NkComPort,
// ZorComLgm, ZorComBklt and ZorComGkms that the steps return, and the
// thread's own: -18 no port is open, -19 no record, -26 DSR is off (the
// adaptor is not connected or not powered), -27 the meter's version differs
// from the record's (WriteParams, before anything is written). A failed
// command leaves the port open.
//
// Threads
//   SendCommand, PreparePort, AbortExchange, SetNotify, Resume, Terminate and
//   the queries may be called from the window thread; SendCommand with codes 1
//   and 2 and PreparePort touch the port in the caller's thread, so call them
//   only while no command runs (the busy handshake refuses 1 and 2 then).
//   AbortExchange may be called at any time, from any thread.
#pragma once

#include "exchange/XClock.h"

#include "ZorComBklt.h"
#include "ZorComLgm.h"
#include "ZorCommon.h"

#include <cstdint>
#include <functional>
#include <memory>

// Message number of the exchange message.
inline constexpr uint32_t kExchangeMessage = 0x8400;
// Bit of wparam set when the command (or poll) failed.
inline constexpr uint32_t kExchangeFailed = 0x80000000u;

// Command codes (the low 8 bits of wparam).
namespace XCmd {
enum : int32_t {
    OpenPort = 1,  // argument: port 0 … 7 (COM1 … COM8); closes an open port first
    ClosePort = 2, // closes the open port, if any
    WriteGkmsParams = 3,
    WriteParams = 4,
    ReadParams = 5,
    WriteJournal = 6,
    ReadJournal = 7,
    Nothing = 8,
    ReadSupply = 9,
    ReadThermoSensor = 10,
    WriteThermoCompensation = 11,
    ReadThermoCompensation = 12,
    OutputTest = 13,
    TestProgress = 14, // posted by the thread during OutputTest
    TestParams = 15,   // posted by the thread during OutputTest
    TuneAdaptor = 16,
    StartRig = 17,
    RigState = 18, // posted by the thread after rig polls
    StopRig = 19,
};
} // namespace XCmd

// Meter version selectors (low 16 bits of the meter commands' argument).
inline constexpr uint32_t kVersionCached = 0xFFFD;
inline constexpr uint32_t kVersionRecent = 0xFFFE;
inline constexpr uint32_t kVersionAsk = 0xFFFF;

// Bit of StartRig's argument: switch the rig's lasers on before the start.
inline constexpr uint32_t kRigLasers = 0x10000;

// Port kinds of PreparePort.
namespace XPortKind {
enum : uint32_t {
    GkmsMode1 = 1, // ГКМС meter, 300 baud 8N1
    GkmsMode2 = 2, // ГКМС meter, 600 baud 8N2
    Lgm = 3,       // ЛГМ meter behind its adaptor, 9600 baud 8N1
};
} // namespace XPortKind

// Record of TuneAdaptor: 32-bit fields in this order.
struct AdaptorTuning {
    uint32_t Reserved;  // not touched by the thread
    int32_t Level;      // in: level 0 … 3 for a manual setting; out: the level
                        // set, -1 when the automatic search found none
    uint32_t Duration;  // out: flash duration 0 … 255 measured at Level
    uint32_t Version;   // out: adaptor version (low byte of its identity)
    uint32_t Number;    // out: adaptor number (15 bits)
    uint32_t Automatic; // in: non-zero searches the level from 3 down to 0
};

// Receives the exchange message (see the top of this file).
using ExchangeReceiver = std::function<void(uint32_t message, uint32_t wparam, intptr_t lparam)>;

class TZorXThread {
public:
    // Created suspended: nothing runs before Resume. A null clock means the
    // real one.
    explicit TZorXThread(std::shared_ptr<XClock> clock = nullptr);
    // Terminates the thread if it runs (which closes its port), else closes a
    // port still open.
    ~TZorXThread();
    TZorXThread(const TZorXThread&) = delete;
    TZorXThread& operator=(const TZorXThread&) = delete;

    // Starts the worker on the first call; later calls do nothing. Commands
    // 3 … 19 sent before it wait until it is called.
    void Resume();
    // Tells the worker to end and waits for it: a running command finishes
    // first (the output test cuts its 15 s short but still writes the
    // meter's parameters back), then the port is closed. Does nothing when
    // the worker was never started or has ended.
    void Terminate();

    // Where the exchange message goes: a non-empty receiver and a non-zero
    // message number replace the stored ones (no receiver or message 0: no
    // posting). The log (ZorCreateLogA's handle, or ZOR_INVALID_HANDLE)
    // replaces the thread's log and is handed to ZorComLgmSetLogFile.
    void SetNotify(ExchangeReceiver receiver, uint32_t message, ZorFileHandle log);

    // Hands over a command (see the top of this file). Returns true when it
    // was taken: for codes 1 and 2, when the port was opened (closed)
    // without error, the result being in Result(). False for codes <= 0 or
    // > 19 and while a command is pending or running; nothing changes then.
    bool SendCommand(int32_t code, uint32_t argument, void* data);

    // Applies the line settings of a device kind (XPortKind) to the open
    // port, in the caller's thread: ZorComGkmsPrepare for 1 and 2,
    // ZorComLgmPrepare for 3. The result goes to Result(): -18 no port,
    // -19 another kind, else the library's. Returns Result() >= 0.
    bool PreparePort(uint32_t kind);

    // Whether a port is open.
    bool IsPortOpen() const;
    // The open port (0 … 7), -1 when none.
    int32_t Port() const;
    // The result of the last command, poll, or PreparePort.
    int32_t Result() const;
    // Whether a command is pending or running.
    bool IsBusy() const;

    // Breaks off the transfer the running command waits in (NkComPortBreak):
    // the command then fails with -12 or -13. Nothing when no port is open or
    // no command is pending or running (a break with nothing to cut would
    // cut the next command's first wait).
    void AbortExchange();

    // The rig state of the last successful poll or StopRig (Code, Status,
    // Measurement); all zero before the first. Safe from any thread.
    BkltState RigState() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
