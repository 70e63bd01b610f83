// The state behind TZorXThread, shared by the handshake (Tzorxthreadunit.cpp)
// and the commands (XCommands.cpp).
#pragma once

#include "exchange/Tzorxthreadunit.h"

#include <atomic>
#include <mutex>
#include <thread>

class TZorXThread::Impl {
public:
    explicit Impl(std::shared_ptr<XClock> clock);

    // --- Shared by the window thread and the worker -----------------------
    const std::shared_ptr<XClock> clock;
    std::thread thread;
    std::atomic<bool> started{false};
    std::atomic<bool> stop{false};

    // Changed only by codes 1 and 2, which hold busy, so a command sees one
    // port from its start to its end.
    std::atomic<int32_t> port{-1};
    std::atomic<int32_t> result{0};
    std::atomic<int32_t> busy{0};
    std::atomic<int32_t> command{0};
    // Written by the sender before it publishes the code, read by the worker
    // only after it took the code.
    uint32_t argument = 0;
    void* data = nullptr;

    std::mutex notifyMutex;
    ExchangeReceiver receiver;
    uint32_t message = 0;
    std::atomic<ZorFileHandle> log{ZOR_INVALID_HANDLE};

    mutable std::mutex rigMutex;
    BkltState rigState{};

    // --- The worker's own (codes 1 and 2 may reset the version cache: they
    // hold busy, so no command runs meanwhile) ------------------------------
    void* resultData = nullptr;
    uint32_t cachedVersion = 0;
    bool versionKnown = false;
    uint32_t stamp = 0; // last successful parameter or table read
    bool polling = false;
    uint32_t pollPeriod = 500;
    uint32_t pollWait = 500; // the period, or the pause after three failures
    uint32_t pollStamp = 0;  // last poll that counts (success or third failure)
    uint32_t pollFailures = 0;
    int32_t lastControl = -1;
    BkltState pollState{};

    void Execute();
    void Idle();
    void PollRig();
    int32_t RunPortCommand(int32_t code, uint32_t argument);
    int32_t RunCommand(int32_t code, uint32_t argument, void* data);

    void Post(int32_t code, int32_t result);
    void PostRaw(uint32_t wparam, intptr_t lparam);
    // Writes a UTF-8 text into the exchange log in its code page.
    void Log(const char* utf8) const;
    void PublishRigState(const BkltState& state);

    // Steps shared by the meter commands.
    void PowerAdaptor(uint32_t control);
    int32_t OpenMeter(void* data, bool checkDsr, bool purge);
    int32_t CheckDsr(int32_t port);
    int32_t SelectVersion(uint32_t argument, uint32_t& version);
    // The opening of every meter write: the adaptor's identity read, then the
    // version selector.
    int32_t WakeMeter(uint32_t argument, uint32_t& version);
    // Selects the version and reads the parameter block or the table; a read
    // block renews the version cache's time.
    using BlockReader = int32_t (*)(int32_t, uint32_t, void*, uint32_t);
    int32_t ReadBlock(BlockReader read, uint32_t argument, uint32_t& version, uint8_t* block,
                      uint32_t size);
    // Decodes a parameter block into the caller's record, which a block that
    // fails its checks leaves as it was.
    int32_t ExtractInto(uint32_t version, const uint8_t* block, void* record);

    // The commands 3 … 19.
    int32_t WriteGkmsParams(uint32_t argument, void* data);
    int32_t WriteParams(uint32_t argument, void* data);
    int32_t ReadParams(uint32_t argument, void* data);
    int32_t WriteJournal(uint32_t argument, void* data);
    int32_t ReadJournal(uint32_t argument, void* data);
    int32_t ReadSupply(void* data);
    int32_t ReadThermoSensor(void* data);
    int32_t WriteThermoCompensation(uint32_t argument, void* data);
    int32_t ReadThermoCompensation(uint32_t argument, void* data);
    int32_t OutputTest(uint32_t argument, void* data);
    int32_t TuneAdaptor(void* data);
    int32_t StartRig(uint32_t argument, void* data);
    int32_t StopRig(void* data);

private:
    // The 15 s of the output test with its progress messages; ends early when
    // the thread is told to stop.
    void RunOutputTestTimer();
};
