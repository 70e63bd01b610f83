#include "exchange/Tzorxthreadunit.h"

#include "exchange/XThreadImpl.h"

#include "NkComPort.h"
#include "ZorComBklt.h"
#include "ZorComGkms.h"
#include "ZorLang.h"

#include <string>

namespace {

constexpr int32_t kErrNotOpen = -18;
constexpr int32_t kErrBadParam = -19;
constexpr int32_t kLastCommand = XCmd::StopRig;

} // namespace

TZorXThread::Impl::Impl(std::shared_ptr<XClock> clockToUse)
    : clock(clockToUse ? std::move(clockToUse) : RealXClock()) {}

// --- The window thread's side ---------------------------------------------

TZorXThread::TZorXThread(std::shared_ptr<XClock> clock)
    : impl_(std::make_unique<Impl>(std::move(clock))) {}

TZorXThread::~TZorXThread() {
    Terminate();
    // Never started, or ended: a port opened by code 1 is still ours.
    const int32_t port = impl_->port.exchange(-1);
    if (port >= 0)
        NkComPortClose(port);
}

void TZorXThread::Resume() {
    if (!impl_->started.exchange(true))
        impl_->thread = std::thread([impl = impl_.get()] { impl->Execute(); });
}

void TZorXThread::Terminate() {
    impl_->stop.store(true);
    if (impl_->thread.joinable() && impl_->thread.get_id() != std::this_thread::get_id())
        impl_->thread.join();
}

void TZorXThread::SetNotify(ExchangeReceiver receiver, uint32_t message, ZorFileHandle log) {
    {
        const std::lock_guard lock(impl_->notifyMutex);
        if (receiver)
            impl_->receiver = std::move(receiver);
        if (message != 0)
            impl_->message = message;
    }
    impl_->log.store(log);
    ZorComLgmSetLogFile(log);
}

bool TZorXThread::SendCommand(int32_t code, uint32_t argument, void* data) {
    if (code <= 0 || code > kLastCommand)
        return false;
    int32_t idle = 0;
    if (!impl_->busy.compare_exchange_strong(idle, 1, std::memory_order_acq_rel))
        return false;
    if (code == XCmd::OpenPort || code == XCmd::ClosePort) {
        const int32_t result = impl_->RunPortCommand(code, argument);
        impl_->result.exchange(result);
        impl_->busy.exchange(0, std::memory_order_release);
        return result >= 0;
    }
    impl_->argument = argument;
    impl_->data = data;
    impl_->command.exchange(code, std::memory_order_release);
    return true;
}

bool TZorXThread::PreparePort(uint32_t kind) {
    const int32_t port = impl_->port.load();
    int32_t result = kErrBadParam;
    if (port < 0)
        result = kErrNotOpen;
    else if (kind == XPortKind::GkmsMode1 || kind == XPortKind::GkmsMode2)
        result = ZorComGkmsPrepare(port, kind);
    else if (kind == XPortKind::Lgm)
        result = ZorComLgmPrepare(port, 0);
    impl_->result.exchange(result);
    return result >= 0;
}

bool TZorXThread::IsPortOpen() const {
    return impl_->port.load() != -1;
}

int32_t TZorXThread::Port() const {
    return impl_->port.load();
}

int32_t TZorXThread::Result() const {
    return impl_->result.load();
}

bool TZorXThread::IsBusy() const {
    return impl_->busy.load() != 0;
}

void TZorXThread::AbortExchange() {
    // A break with no transfer waiting would cut short the next command's
    // first wait, so only a command that runs is broken off.
    const int32_t port = impl_->port.load();
    if (port >= 0 && impl_->busy.load() != 0)
        NkComPortBreak(port);
}

BkltState TZorXThread::RigState() const {
    const std::lock_guard lock(impl_->rigMutex);
    return impl_->rigState;
}

// --- Codes 1 and 2, in the caller's thread ---------------------------------

int32_t TZorXThread::Impl::RunPortCommand(int32_t code, uint32_t newPort) {
    int32_t result = 0;
    const int32_t open = port.load();
    if (open >= 0) {
        Log("Закрытие COM-порта\r\n");
        result = NkComPortClose(open);
        port.store(-1);
    }
    // Another port may lead to another meter.
    versionKnown = false;
    if (code == XCmd::OpenPort && result >= 0) {
        Log("Открытие COM-порта\r\n");
        result = NkComPortOpen(static_cast<int32_t>(newPort));
        if (result < 0) {
            const std::string line = zor::Utf8ToCp1251("!! Ошибка при открытии COM-порта: ") +
                                     ZorComDecodeErrorA(result);
            ZorLogTextA(log.load(), line.c_str());
        }
        port.store(result < 0 ? -1 : result);
    }
    return result;
}

// --- The worker ------------------------------------------------------------

void TZorXThread::Impl::Execute() {
    while (!stop.load()) {
        const int32_t code = command.exchange(0, std::memory_order_acq_rel);
        if (code == 0) {
            Idle();
            continue;
        }
        const int32_t done = RunCommand(code, argument, data);
        result.exchange(done);
        // Free before the message goes out, so that the window's follow-up
        // command (7 after 5, 4 after 6) is taken when its handler sends it.
        busy.exchange(0, std::memory_order_release);
        Post(code, done);
    }
    const int32_t open = port.exchange(-1);
    if (open >= 0)
        NkComPortClose(open);
}

void TZorXThread::Impl::Idle() {
    if (polling && clock->TickCount() - pollStamp >= pollWait)
        PollRig();
    clock->Sleep(1);
}

void TZorXThread::Impl::PollRig() {
    const int32_t open = port.load();
    const int32_t state = open < 0 ? kErrNotOpen : ZorComBkltCheckState(open, 0, &pollState);
    if (state < 0) {
        // A glitch on the line is retried at once and not reported; the third
        // failure in a row is, and then the rig is left alone for a while.
        if (++pollFailures < 3)
            return;
        pollWait = 15000 + pollPeriod;
    } else {
        pollWait = pollPeriod;
        PublishRigState(pollState);
    }
    pollStamp = clock->TickCount();
    pollFailures = 0;
    result.exchange(state);
    Post(XCmd::RigState, state);
}

void TZorXThread::Impl::PublishRigState(const BkltState& state) {
    const std::lock_guard lock(rigMutex);
    rigState = state;
}

int32_t TZorXThread::Impl::RunCommand(int32_t code, uint32_t arg, void* record) {
    switch (code) {
    case XCmd::WriteGkmsParams:
        return WriteGkmsParams(arg, record);
    case XCmd::WriteParams:
        return WriteParams(arg, record);
    case XCmd::ReadParams:
        return ReadParams(arg, record);
    case XCmd::WriteJournal:
        return WriteJournal(arg, record);
    case XCmd::ReadJournal:
        return ReadJournal(arg, record);
    case XCmd::Nothing:
        return 0;
    case XCmd::ReadSupply:
        return ReadSupply(record);
    case XCmd::ReadThermoSensor:
        return ReadThermoSensor(record);
    case XCmd::WriteThermoCompensation:
        return WriteThermoCompensation(arg, record);
    case XCmd::ReadThermoCompensation:
        return ReadThermoCompensation(arg, record);
    case XCmd::OutputTest:
        return OutputTest(arg, record);
    case XCmd::TuneAdaptor:
        return TuneAdaptor(record);
    case XCmd::StartRig:
        return StartRig(arg, record);
    case XCmd::StopRig:
        return StopRig(record);
    default: // the codes of the thread's own messages run nothing
        return result.load();
    }
}

void TZorXThread::Impl::Post(int32_t code, int32_t outcome) {
    if (outcome < 0)
        PostRaw(static_cast<uint32_t>(code) | kExchangeFailed, outcome);
    else
        PostRaw(static_cast<uint32_t>(code), reinterpret_cast<intptr_t>(resultData));
}

void TZorXThread::Impl::PostRaw(uint32_t wparam, intptr_t lparam) {
    ExchangeReceiver to;
    uint32_t number = 0;
    {
        const std::lock_guard lock(notifyMutex);
        to = receiver;
        number = message;
    }
    if (to && number != 0)
        to(number, wparam, lparam);
}

void TZorXThread::Impl::Log(const char* utf8) const {
    const ZorFileHandle handle = log.load();
    if (handle != ZOR_INVALID_HANDLE)
        ZorLogTextA(handle, zor::Utf8ToCp1251(utf8).c_str());
}
