#include "exchange/Tzorxthreadunit.h"

class TZorXThread::Impl {};

TZorXThread::TZorXThread(std::shared_ptr<XClock>) {}
TZorXThread::~TZorXThread() = default;
void TZorXThread::Resume() {}
void TZorXThread::Terminate() {}
void TZorXThread::SetNotify(ExchangeReceiver, uint32_t, ZorFileHandle) {}
bool TZorXThread::SendCommand(int32_t, uint32_t, void*) {
    return false;
}
bool TZorXThread::PreparePort(uint32_t) {
    return false;
}
bool TZorXThread::IsPortOpen() const {
    return false;
}
int32_t TZorXThread::Port() const {
    return -1;
}
int32_t TZorXThread::Result() const {
    return 0;
}
bool TZorXThread::IsBusy() const {
    return false;
}
void TZorXThread::AbortExchange() {}
BkltState TZorXThread::RigState() const {
    return {};
}
