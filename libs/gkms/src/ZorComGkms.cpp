#include "ZorComGkms.h"

#include "GkmsFrames.h"
#include "NkComPort.h"
#include "ZorProtocolSupport.h"
#include "ZorCommon.h"
#include "ZorLang.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>

using namespace zorgkms;
using zorproto::Cp1251Text;

// The request is shared with the program as plain memory: a fixed layout.
static_assert(offsetof(GkmsParams, A) == 8 && offsetof(GkmsParams, B) == 16 &&
              offsetof(GkmsParams, DuIndex) == 24);

namespace {

std::atomic<int> gLog{ZOR_INVALID_HANDLE};

constexpr Cp1251Text kTitleWrite{u"[]>> Запись параметров:"};
constexpr Cp1251Text kAnswer{u">>[] Ответ:"};
constexpr Cp1251Text kNoteMismatch{u"!! Ответ не соответствует посылке\r\n"};

} // namespace

extern "C" {

ZORCOMGKMS_API int ZorComGkmsSetLogFile(int log) {
    gLog.store(log);
    return log;
}

ZORCOMGKMS_API int32_t ZorComGkmsPrepare(int32_t port, uint32_t mode) {
    mode &= 0xFF;
    if (mode != 1 && mode != 2) {
        return ZOR_ERR_BAD_PARAM;
    }
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_TIMEOUT | NKCOMPORT_CFG_DATABITS |
                  NKCOMPORT_CFG_STOPBITS | NKCOMPORT_CFG_PARITYCHECK | NKCOMPORT_CFG_PARITY |
                  NKCOMPORT_CFG_RTSCONTROL | NKCOMPORT_CFG_DTRCONTROL | NKCOMPORT_CFG_RAW;
    config.BaudRate = mode == 1 ? 300 : 600;
    config.Timeout = 5000;
    config.DataBits = 8;
    config.StopBits = mode == 1 ? NKCOMPORT_STOPBITS_1 : NKCOMPORT_STOPBITS_2;
    config.ParityCheck = 0;
    config.Parity = NKCOMPORT_PARITY_NONE;
    config.RtsControl = NKCOMPORT_LINE_OFF;
    config.DtrControl = NKCOMPORT_LINE_OFF;
    return NkComPortSetConfig(port, &config);
}

ZORCOMGKMS_API double ZorComGkmsMultiplier(uint32_t /*unused*/, uint32_t duIndex) {
    return multiplier(duIndex);
}

ZORCOMGKMS_API double ZorComGkmsLimit(uint32_t /*unused*/, uint32_t duIndex) {
    return limit(duIndex);
}

ZORCOMGKMS_API int32_t ZorComGkmsSetParams(int32_t port, uint32_t mode, const GkmsParams* request) {
    if (request == nullptr) {
        return ZOR_ERR_BAD_PARAM;
    }
    mode &= 0xFF;
    Frame frame;
    int32_t result = buildFrame(mode, *request, frame);
    if (result < 0) {
        return result;
    }
    // The meter's interface draws its supply from DTR.
    result = NkComPortSetControl(port, NKCOMPORT_CTL_RTS_CHANGE | NKCOMPORT_CTL_DTR_CHANGE |
                                           NKCOMPORT_CTL_DTR_ON);
    if (result < 0) {
        return result;
    }
    const int log = gLog.load();
    ZorLogTextA(log, kTitleWrite.c_str());
    ZorLogArrayA(log, frame.bytes.data(), static_cast<uint32_t>(frame.size));
    std::array<uint8_t, 8> answer{};
    const auto size = static_cast<int32_t>(frame.size);
    result = NkComPortWriteAndRead(port, frame.bytes.data(), size, answer.data(), size,
                                   zorproto::scaledMs(answerTimeoutMs(mode)));
    if (result < 0) {
        return result;
    }
    ZorLogTextA(log, kAnswer.c_str());
    ZorLogArrayA(log, answer.data(), static_cast<uint32_t>(frame.size));
    if (!std::equal(frame.bytes.begin(), frame.bytes.begin() + size, answer.begin())) {
        ZorLogTextA(log, kNoteMismatch.c_str());
        return ZOR_ERR_ECHO_MISMATCH;
    }
    return ZOR_OK;
}

} // extern "C"
