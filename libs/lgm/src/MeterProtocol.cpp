#include "MeterProtocol.h"

#include "Frames.h"
#include "LogTexts.h"
#include "ZorCommon.h"
#include "ZorLang.h"

#include <algorithm>
#include <cstring>

namespace lgm {

namespace {

uint32_t LowByte(uint32_t value) {
    return value & 0xFF;
}

} // namespace

void MeterProtocol::Log(const char* title, const uint8_t* bytes, uint32_t count) {
    if (title != nullptr)
        ZorLogTextA(log_, title);
    ZorLogArrayA(log_, bytes, count);
}

void MeterProtocol::Note(const char* text) {
    ZorLogTextA(log_, text);
}

int32_t MeterProtocol::ReadBlock(const char* title, uint8_t command, uint32_t length, uint8_t* out,
                                 StatusRule rule) {
    Log(title, &command, 1);
    uint8_t status = 0;
    int32_t result = link_.Exchange(&command, 1, &status, 1, timeouts_.Meter);
    if (result < 0)
        return result;
    Log(logtext::kAnswer.c_str(), &status, 1);
    if (status != command)
        return rule == StatusRule::Answer && status == kRejected ? ZOR_ERR_REJECTED
                                                                 : ZOR_ERR_BAD_VALUES;

    uint8_t answer[kMaxBlockLength + 2];
    result = link_.Read(answer, length + 2, timeouts_.Meter);
    if (result < 0)
        return result;
    Log(nullptr, answer, length + 2);
    if (!BlockChecksumValid(answer, length)) {
        if (rule == StatusRule::Answer)
            Note(logtext::kBadChecksum.c_str());
        return ZOR_ERR_CHECKSUM;
    }
    std::memcpy(out, answer, length);
    return ZOR_OK;
}

int32_t MeterProtocol::WriteBlock(const char* title, uint8_t command, const uint8_t* data,
                                  uint32_t dataLength, uint32_t length) {
    uint8_t frame[kMaxFrameLength];
    const uint32_t frameLength = BuildWriteFrame(command, data, dataLength, length, frame);
    Log(title, frame, frameLength);
    uint8_t status = 0;
    int32_t result = link_.Exchange(frame, frameLength, &status, 1, timeouts_.Meter);
    if (result < 0)
        return result;
    Log(logtext::kAnswer.c_str(), &status, 1);
    if (status == kRejected)
        return ZOR_ERR_REJECTED;

    uint8_t repeat[kMaxFrameLength - 1];
    result = link_.Read(repeat, frameLength - 1, timeouts_.Meter);
    if (result < 0)
        return result;
    Log(nullptr, repeat, frameLength - 1);
    if (!EchoMatches(frame, frameLength, status, repeat)) {
        Note(logtext::kEchoMismatch.c_str());
        return ZOR_ERR_ECHO_MISMATCH;
    }
    return ZOR_OK;
}

int32_t MeterProtocol::ReadBlockChecked(const char* title, const BlockCommands& block,
                                        void* destination, uint32_t size) {
    if (destination == nullptr)
        return ZOR_ERR_BAD_PARAM;
    if (size == 0) {
        std::memcpy(destination, &block.Length, sizeof block.Length);
        return ZOR_ERR_BUFFER_TOO_SMALL;
    }
    if (size < block.Length)
        return ZOR_ERR_BUFFER_TOO_SMALL;
    uint8_t data[kMaxBlockLength];
    const int32_t result = ReadBlock(title, block.Read, block.Length, data, StatusRule::Answer);
    if (result < 0)
        return result;
    std::memcpy(destination, data, block.Length);
    return ZOR_OK;
}

int32_t MeterProtocol::RewriteTable2(uint32_t flags, const uint8_t* journal, uint32_t journalLength,
                                     const uint8_t* thermoByte) {
    const BlockCommands& block = *TableCommands(2);
    uint8_t table[kTable2Length];
    const int32_t result =
        ReadBlock(logtext::kReadTable.c_str(), block.Read, block.Length, table, StatusRule::PreRead);
    if (result < 0)
        return result;
    if (journal != nullptr) {
        std::memset(table + 1, 0, kTable2Length - 1);
        std::memcpy(table + 1, journal, std::min(journalLength, kTable2Length - 1));
    }
    if (thermoByte != nullptr)
        table[0] = *thermoByte;
    return WriteBlock(logtext::kWriteTable.c_str(), block.WriteCommand(flags), table, kTable2Length,
                      kTable2Length);
}

int32_t MeterProtocol::ReadShort(uint32_t command, uint32_t* result) {
    if (result == nullptr)
        return ZOR_ERR_BAD_PARAM;
    const uint8_t code = static_cast<uint8_t>(LowByte(command));
    Log(logtext::kShortCommand.c_str(), &code, 1);
    uint8_t status = 0;
    int32_t outcome = link_.Exchange(&code, 1, &status, 1, timeouts_.Meter);
    if (outcome < 0)
        return outcome;
    Log(logtext::kAnswer.c_str(), &status, 1);
    if (status == kRejected)
        return ZOR_ERR_REJECTED;
    // As for a block: a stranger's value is not this command's.
    if (status != code)
        return ZOR_ERR_BAD_VALUES;
    uint8_t answer[3];
    outcome = link_.Read(answer, 3, timeouts_.Meter);
    if (outcome < 0)
        return outcome;
    Log(nullptr, answer, 3);
    if (!ShortAnswerValid(answer)) {
        Note(logtext::kBadChecksum.c_str());
        return ZOR_ERR_CHECKSUM;
    }
    *result = answer[0];
    return ZOR_OK;
}

int32_t MeterProtocol::ReadParams(uint32_t version, void* destination, uint32_t size) {
    const BlockCommands* block = ParamsCommands(LowByte(version));
    if (block == nullptr)
        return ZOR_ERR_BAD_PARAM;
    return ReadBlockChecked(logtext::kReadParams.c_str(), *block, destination, size);
}

int32_t MeterProtocol::ReadTable(uint32_t version, void* destination, uint32_t size) {
    const BlockCommands* block = TableCommands(LowByte(version));
    if (block == nullptr)
        return ZOR_ERR_BAD_PARAM;
    return ReadBlockChecked(logtext::kReadTable.c_str(), *block, destination, size);
}

int32_t MeterProtocol::WriteParams(uint32_t version, uint32_t flags, const void* data,
                                   uint32_t length) {
    const BlockCommands* block = ParamsCommands(LowByte(version));
    if (block == nullptr || data == nullptr)
        return ZOR_ERR_BAD_PARAM;
    return WriteBlock(logtext::kWriteParams.c_str(), block->WriteCommand(flags),
                      static_cast<const uint8_t*>(data), length, block->Length);
}

int32_t MeterProtocol::WriteTable(uint32_t version, uint32_t flags, const void* data,
                                  uint32_t length) {
    const uint32_t meter = LowByte(version);
    const BlockCommands* block = TableCommands(meter);
    if (block == nullptr || data == nullptr)
        return ZOR_ERR_BAD_PARAM;
    const auto* bytes = static_cast<const uint8_t*>(data);
    // Version 2 keeps its thermo-compensation byte in the table: write the
    // journal around the byte the meter holds.
    if (meter == 2)
        return RewriteTable2(flags, bytes, length, nullptr);
    return WriteBlock(logtext::kWriteTable.c_str(), block->WriteCommand(flags), bytes, length,
                      block->Length);
}

int32_t MeterProtocol::SetThermoCompensation(uint32_t version, uint32_t flags,
                                             const double* value) {
    uint8_t byte = 0;
    if (LowByte(version) != 2 || value == nullptr || !ThermoCompensationByte(*value, &byte))
        return ZOR_ERR_BAD_PARAM;
    return RewriteTable2(flags, nullptr, 0, &byte);
}

int32_t MeterProtocol::SetLevel(uint32_t level) {
    if (level > kMaxLevel)
        return ZOR_ERR_BAD_PARAM;
    const uint8_t command = static_cast<uint8_t>(kCmdSetLevel0 + level);
    Log(logtext::kSetLevel.c_str(), &command, 1);
    uint8_t answer = 0;
    const int32_t result = link_.Exchange(&command, 1, &answer, 1, timeouts_.Adaptor);
    if (result < 0)
        return result;
    if (answer == command)
        return ZOR_OK;
    Log(logtext::kAnswer.c_str(), &answer, 1);
    return ZOR_ERR_ECHO_MISMATCH;
}

int32_t MeterProtocol::GetLongitude(uint32_t* result) {
    if (result == nullptr)
        return ZOR_ERR_BAD_PARAM;
    const uint8_t command = kCmdFlashDuration;
    Log(logtext::kReadFlash.c_str(), &command, 1);
    uint8_t answer = 0;
    int32_t outcome = link_.Exchange(&command, 1, &answer, 1, timeouts_.Flash);
    if (outcome < 0)
        return outcome;
    Log(logtext::kAnswer.c_str(), &answer, 1);
    // An adaptor with nothing to report answers another byte and no
    // duration; the caller keeps what it had.
    if (answer != command)
        return ZOR_OK;
    uint8_t duration = 0;
    outcome = link_.Read(&duration, 1, timeouts_.Flash);
    if (outcome < 0)
        return outcome;
    Log(nullptr, &duration, 1);
    *result = duration;
    return ZOR_OK;
}

int32_t MeterProtocol::ReadAdaptor(uint32_t* result) {
    if (result == nullptr)
        return ZOR_ERR_BAD_PARAM;
    const uint8_t command = kCmdAdaptorIdentity;
    Log(logtext::kReadAdaptor.c_str(), &command, 1);
    uint8_t answer = 0;
    int32_t outcome = link_.Exchange(&command, 1, &answer, 1, timeouts_.Adaptor);
    if (outcome < 0)
        return outcome;
    Log(logtext::kAnswer.c_str(), &answer, 1);
    if (answer != command) {
        *result = 0;
        return ZOR_ERR_REJECTED;
    }
    uint8_t identity[2];
    outcome = link_.Read(identity, 2, timeouts_.Adaptor);
    if (outcome < 0)
        return outcome;
    Log(nullptr, identity, 2);
    *result = AdaptorWord(identity);
    return ZOR_OK;
}

} // namespace lgm
