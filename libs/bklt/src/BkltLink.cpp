#include "BkltLink.h"

#include "NkComPort.h"
#include "ZorProtocolSupport.h"
#include "ZorCommon.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace zorbklt {

namespace {

std::atomic<int> gLog{ZOR_INVALID_HANDLE};

constexpr zorproto::Cp1251Text kAnswer{u">>[] Ответ:"};

} // namespace

void setLogHandle(int handle) {
    gLog.store(handle);
}

int logHandle() {
    return gLog.load();
}

void logNote(const char* note) {
    ZorLogTextA(logHandle(), note);
}

void pause(int32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(zorproto::scaledMs(ms)));
}

int32_t Exchange::send(const char* title, const Frame& request, int32_t timeoutMs) {
    // A late answer to an earlier request must not be taken for this one's.
    const int32_t purged = NkComPortPurge(port_, NKCOMPORT_PURGE_INPUT);
    if (purged < 0) {
        return purged;
    }
    const int log = logHandle();
    ZorLogTextA(log, title);
    ZorLogArrayA(log, request.bytes.data(), static_cast<uint32_t>(request.size));
    return NkComPortWriteArray(port_, request.bytes.data(), static_cast<int32_t>(request.size),
                               zorproto::scaledMs(timeoutMs));
}

int32_t Exchange::readFirst(uint8_t& first, int32_t timeoutMs) {
    const int32_t byte = NkComPortReadByte(port_, zorproto::scaledMs(timeoutMs));
    if (byte < 0) {
        return byte;
    }
    first = static_cast<uint8_t>(byte);
    const int log = logHandle();
    ZorLogTextA(log, kAnswer.c_str());
    ZorLogArrayA(log, &first, 1);
    return 0;
}

int32_t Exchange::readRest(std::span<uint8_t> rest, int32_t timeoutMs) {
    const int32_t result = NkComPortReadArray(port_, rest.data(), static_cast<int32_t>(rest.size()),
                                              zorproto::scaledMs(timeoutMs));
    if (result < 0) {
        return result;
    }
    ZorLogArrayA(logHandle(), rest.data(), static_cast<uint32_t>(rest.size()));
    return 0;
}

} // namespace zorbklt
