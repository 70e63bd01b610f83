#include "ZorComBklt.h"

#include "BkltFrames.h"
#include "BkltLink.h"
#include "NkComPort.h"
#include "ZorProtocolSupport.h"
#include "ZorLang.h"

#include <algorithm>
#include <array>
#include <cstddef>

using namespace zorbklt;
using zorproto::Cp1251Text;

// The records are shared with the program as plain memory: fixed layouts.
static_assert(offsetof(BkltState, Measurement) == 8 && sizeof(BkltState) == 88);
static_assert(offsetof(BkltMeasurement, ChannelCount) == 40);
static_assert(offsetof(BkltGenerator, D1) == 8 && offsetof(BkltGenerator, Pulses1) == 40);
static_assert(offsetof(BkltParams, P1) == 8 && offsetof(BkltParams, Flags) == 24 &&
              offsetof(BkltParams, P3) == 40);

namespace {

constexpr int32_t kShortWait = 500;
constexpr int32_t kLongWait = 1000;
constexpr int32_t kLaserSettling = 1000;

constexpr Cp1251Text kTitleCheck{u"[]>> Проверка состояния\r\n"};
constexpr Cp1251Text kTitleCheckReset{u"[]>> Проверка состояния и сброс\r\n"};
constexpr Cp1251Text kTitleLasers{u"[]>> Включение лазеров\r\n"};
constexpr Cp1251Text kLasersConfirmed{u">>[] Включение лазеров подтверждено, выдержка паузы\r\n"};
constexpr Cp1251Text kTitleStart{u"[]>> Старт измерения:\r\n"};
constexpr Cp1251Text kTitleVersion{u"[]>> Чтение версии БКЛТ:\r\n"};
constexpr Cp1251Text kTitleOscilloscope{u"[]>> Включение режима осциллографа:\r\n"};
constexpr Cp1251Text kTitleGenerator{u"[]>> Включение режима генератора:\r\n"};
constexpr Cp1251Text kTitleSetParams{u"[]>> Запись параметров:\r\n"};
constexpr Cp1251Text kTitleGetParams{u"[]>> Чтение параметров:\r\n"};
constexpr Cp1251Text kNoteBadCheck{u"!! Неверная контрольная информация\r\n"};
constexpr Cp1251Text kNoteMismatch{u"!! Ответ не соответствует посылке\r\n"};

// Sends the request and reads the answer: its first byte, which must repeat
// the request's, then the rest into answer[1 …]. answer[0] gets the first.
int32_t transact(int32_t port, const char* title, const Frame& request, int32_t firstWait,
                 std::span<uint8_t> answer, int32_t restWait) {
    Exchange exchange(port);
    int32_t result = exchange.send(title, request, firstWait);
    if (result < 0) {
        return result;
    }
    result = exchange.readFirst(answer[0], firstWait);
    if (result < 0) {
        return result;
    }
    result = checkFirstByte(request.bytes[0], answer[0]);
    if (result < 0 || answer.size() == 1) {
        return result;
    }
    return exchange.readRest(answer.subspan(1), restWait);
}

// -24 with the fault note when the first count bytes of the answer do not
// repeat the request's.
int32_t checkRepeat(std::span<const uint8_t> answer, const Frame& request, size_t count) {
    if (!std::equal(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(count),
                    request.bytes.begin())) {
        logNote(kNoteMismatch.c_str());
        return ZOR_ERR_ECHO_MISMATCH;
    }
    return ZOR_OK;
}

int32_t switchLasersOn(int32_t port) {
    Frame request;
    request.bytes[0] = kLasersOn;
    request.size = 1;
    Exchange exchange(port);
    int32_t result = exchange.send(kTitleLasers.c_str(), request, kShortWait);
    if (result < 0) {
        return result;
    }
    uint8_t answer = 0;
    result = exchange.readFirst(answer, kShortWait);
    if (result < 0) {
        return result;
    }
    if (answer != kLasersOn) {
        return ZOR_ERR_BAD_VALUES;
    }
    logNote(kLasersConfirmed.c_str());
    pause(kLaserSettling);
    return ZOR_OK;
}

} // namespace

extern "C" {

ZORCOMBKLT_API int ZorComBkltSetLogFile(int log) {
    setLogHandle(log);
    return log;
}

ZORCOMBKLT_API int32_t ZorComBkltPrepare(int32_t port, uint32_t /*unused*/) {
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_TIMEOUT | NKCOMPORT_CFG_DATABITS |
                  NKCOMPORT_CFG_STOPBITS | NKCOMPORT_CFG_PARITYCHECK | NKCOMPORT_CFG_PARITY |
                  NKCOMPORT_CFG_RTSCONTROL | NKCOMPORT_CFG_DTRCONTROL | NKCOMPORT_CFG_RAW;
    config.BaudRate = 9600;
    config.Timeout = kShortWait;
    config.DataBits = 8;
    config.StopBits = NKCOMPORT_STOPBITS_1;
    config.ParityCheck = 0;
    config.Parity = NKCOMPORT_PARITY_NONE;
    config.RtsControl = NKCOMPORT_LINE_OFF;
    config.DtrControl = NKCOMPORT_LINE_ON;
    return NkComPortSetConfig(port, &config);
}

ZORCOMBKLT_API int32_t ZorComBkltCheckState(int32_t port, uint32_t reset, BkltState* state) {
    if (state == nullptr) {
        return ZOR_ERR_BAD_PARAM;
    }
    Frame request;
    request.bytes[0] = reset != 0 ? kCheckStateAndReset : kCheckState;
    request.size = 1;
    Exchange exchange(port);
    int32_t result = exchange.send(reset != 0 ? kTitleCheckReset.c_str() : kTitleCheck.c_str(),
                                   request, kShortWait);
    if (result < 0) {
        return result;
    }
    std::array<uint8_t, 1 + 82> answer{};
    result = exchange.readFirst(answer[0], kShortWait);
    if (result < 0) {
        return result;
    }
    const size_t tail = stateTailLength(answer[0]);
    if (tail == 0) {
        return ZOR_ERR_BAD_VALUES;
    }
    result = exchange.readRest(std::span(answer).subspan(1, tail), kShortWait);
    if (result < 0) {
        return result;
    }
    return decodeStateAnswer(std::span(answer).first(1 + tail), *state);
}

ZORCOMBKLT_API int32_t ZorComBkltRun(int32_t port, uint32_t mode, uint32_t lasers,
                                     BkltState* state) {
    if (state == nullptr) {
        return ZOR_ERR_BAD_PARAM;
    }
    // Checked before anything moves, so a bad request neither switches the
    // lasers on nor costs the settling pause.
    Frame request;
    int32_t result = buildStartRequest(mode & 0xFF, *state, request);
    if (result < 0) {
        return result;
    }
    if (lasers != 0) {
        result = switchLasersOn(port);
        if (result < 0) {
            return result;
        }
    }
    std::array<uint8_t, 16> answer{};
    const auto repeat = std::span(answer).first(request.size);
    result = transact(port, kTitleStart.c_str(), request, kShortWait, repeat, kShortWait);
    if (result < 0 || request.size == 1) {
        return result;
    }
    return checkRepeat(repeat, request, request.size);
}

ZORCOMBKLT_API int32_t ZorComBkltVersion(int32_t port, BkltState* state) {
    if (state == nullptr) {
        return ZOR_ERR_BAD_PARAM;
    }
    Frame request;
    request.bytes[0] = kReadVersion;
    request.size = 1;
    std::array<uint8_t, 1 + kVersionTail> answer{};
    int32_t result = transact(port, kTitleVersion.c_str(), request, kLongWait, answer, kLongWait);
    if (result < 0) {
        return result;
    }
    result = decodeVersionTail(std::span(answer).subspan<1, kVersionTail>(), state->Version);
    if (result < 0) {
        logNote(kNoteBadCheck.c_str());
    }
    return result;
}

ZORCOMBKLT_API int32_t ZorComBkltOscilloscope(int32_t port, BkltState* state) {
    if (state == nullptr) {
        return ZOR_ERR_BAD_PARAM;
    }
    const Frame request = buildOscilloscopeRequest(state->OscilloscopeMode);
    std::array<uint8_t, 1 + kOscilloscopeTail> answer{};
    int32_t result =
        transact(port, kTitleOscilloscope.c_str(), request, kLongWait, answer, kShortWait);
    if (result < 0) {
        return result;
    }
    result = checkOscilloscopeTail(std::span(answer).subspan<1, kOscilloscopeTail>(), request);
    if (result == ZOR_ERR_CHECKSUM) {
        logNote(kNoteBadCheck.c_str());
    } else if (result == ZOR_ERR_ECHO_MISMATCH) {
        logNote(kNoteMismatch.c_str());
    }
    return result;
}

ZORCOMBKLT_API int32_t ZorComBkltGenerator(int32_t port, const BkltGenerator* generator) {
    if (generator == nullptr) {
        return ZOR_ERR_BAD_PARAM;
    }
    Frame request;
    int32_t result = buildGeneratorRequest(*generator, request);
    if (result < 0) {
        return result;
    }
    std::array<uint8_t, 1 + kGeneratorTail> answer{};
    result = transact(port, kTitleGenerator.c_str(), request, kLongWait, answer, kLongWait);
    if (result < 0) {
        return result;
    }
    return checkRepeat(answer, request, answer.size());
}

ZORCOMBKLT_API int32_t ZorComBkltSetParam(int32_t port, const BkltParams* params) {
    if (params == nullptr) {
        return ZOR_ERR_BAD_PARAM;
    }
    Frame request;
    int32_t result = buildSetParamRequest(*params, request);
    if (result < 0) {
        return result;
    }
    // The controller's last byte is its own; only the first ten repeat ours.
    std::array<uint8_t, 1 + kParamsTail> answer{};
    result = transact(port, kTitleSetParams.c_str(), request, kLongWait, answer, kLongWait);
    if (result < 0) {
        return result;
    }
    return checkRepeat(answer, request, kParamsTail);
}

ZORCOMBKLT_API int32_t ZorComBkltGetParam(int32_t port, BkltParams* params) {
    if (params == nullptr) {
        return ZOR_ERR_BAD_PARAM;
    }
    const Frame request = buildGetParamRequest();
    std::array<uint8_t, 1 + kParamsTail> answer{};
    int32_t result = transact(port, kTitleGetParams.c_str(), request, kLongWait, answer, kLongWait);
    if (result < 0) {
        return result;
    }
    result = decodeParamTail(std::span(answer).subspan<1, kParamsTail>(), *params);
    if (result < 0) {
        logNote(kNoteBadCheck.c_str());
    }
    return result;
}

} // extern "C"
