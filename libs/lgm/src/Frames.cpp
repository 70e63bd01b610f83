#include "Frames.h"

#include "ZorCommon.h"

#include <cmath>
#include <cstring>

namespace lgm {

namespace {

constexpr BlockCommands kParams01{0x01, 0x02, 0x06, 35};
constexpr BlockCommands kParams2{0x10, 0x11, 0x12, 44};
constexpr BlockCommands kTable1{0x03, 0x04, 0x07, 84};
constexpr BlockCommands kTable2{0x13, 0x14, 0x15, kTable2Length};

} // namespace

const BlockCommands* ParamsCommands(uint32_t version) {
    switch (version) {
    case 0:
    case 1:
        return &kParams01;
    case 2:
        return &kParams2;
    default:
        return nullptr;
    }
}

const BlockCommands* TableCommands(uint32_t version) {
    switch (version) {
    case 1:
        return &kTable1;
    case 2:
        return &kTable2;
    default:
        return nullptr;
    }
}

uint16_t DataCheckSum(const uint8_t* data, uint32_t length) {
    return static_cast<uint16_t>(ByteCheckSum(data, length));
}

bool HasPrivilegedOffset(uint8_t command) {
    return command == kParams2.PrivilegedWrite || command == kTable2.PrivilegedWrite;
}

uint32_t BuildWriteFrame(uint8_t command, const uint8_t* data, uint32_t dataLength, uint32_t length,
                         uint8_t* frame) {
    std::memset(frame, 0, length + 3);
    frame[0] = command;
    if (data != nullptr)
        std::memcpy(frame + 1, data, dataLength < length ? dataLength : length);
    PutWordRelMSB(frame, static_cast<int32_t>(length + 1), DataCheckSum(frame + 1, length));
    if (HasPrivilegedOffset(command))
        frame[length + 2] = static_cast<uint8_t>(frame[length + 2] - kPrivilegedOffset);
    return length + 3;
}

bool BlockChecksumValid(const uint8_t* answer, uint32_t length) {
    return GetWordRelMSB(answer, static_cast<int32_t>(length)) == DataCheckSum(answer, length);
}

bool EchoMatches(const uint8_t* frame, uint32_t frameLength, uint8_t status,
                 const uint8_t* repeat) {
    if (status != frame[0])
        return false;
    const uint32_t repeatLength = frameLength - 1;
    // The last byte is the checksum's low byte: the meter echoes the true
    // checksum, so take the privileged offset off before comparing.
    uint8_t low = repeat[repeatLength - 1];
    if (HasPrivilegedOffset(frame[0]))
        low = static_cast<uint8_t>(low - kPrivilegedOffset);
    return std::memcmp(repeat, frame + 1, repeatLength - 1) == 0 && low == frame[frameLength - 1];
}

bool ShortAnswerValid(const uint8_t* answer) {
    return GetWordRelMSB(answer, 1) == answer[0];
}

uint32_t AdaptorWord(const uint8_t* answer) {
    return (static_cast<uint32_t>(answer[0]) << 16) | answer[1];
}

bool ThermoCompensationByte(double value, uint8_t* byte) {
    const double code = std::trunc(value * 2 + 7);
    if (!(code >= 0 && code <= 255))
        return false;
    *byte = static_cast<uint8_t>(code);
    return true;
}

} // namespace lgm
