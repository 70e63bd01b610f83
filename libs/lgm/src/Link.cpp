#include "Link.h"

#include "NkComPort.h"
#include "ZorLang.h"

#include <cstring>

namespace lgm {

int32_t PortLink::Exchange(const uint8_t* send, uint32_t sendLength, uint8_t* answer,
                           uint32_t answerLength, int32_t timeoutMs) {
    return NkComPortWriteAndRead(port_, send, static_cast<int32_t>(sendLength), answer,
                                 static_cast<int32_t>(answerLength), timeoutMs);
}

int32_t PortLink::Read(uint8_t* buffer, uint32_t length, int32_t timeoutMs) {
    return NkComPortReadArray(port_, buffer, static_cast<int32_t>(length), timeoutMs);
}

int32_t ScriptedLink::Exchange(const uint8_t* send, uint32_t sendLength, uint8_t* answer,
                               uint32_t answerLength, int32_t timeoutMs) {
    sent_.insert(sent_.end(), send, send + sendLength);
    return Read(answer, answerLength, timeoutMs);
}

int32_t ScriptedLink::Read(uint8_t* buffer, uint32_t length, int32_t timeoutMs) {
    timeouts_.push_back(timeoutMs);
    if (answers_.size() - next_ < length) {
        next_ = answers_.size();
        return ZOR_ERR_READ_TIMEOUT;
    }
    std::memcpy(buffer, answers_.data() + next_, length);
    next_ += length;
    return ZOR_OK;
}

} // namespace lgm
