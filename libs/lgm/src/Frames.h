// Frames of the meter and adaptor link: building requests and checking
// answers, as pure functions over byte buffers. The exchanges in
// MeterProtocol move the bytes; everything they decide about the bytes is
// decided here.
#pragma once

#include <cstdint>

namespace lgm {

// The first answer byte of a meter that refuses a command.
inline constexpr uint8_t kRejected = 0xFF;

// The meter expects the low checksum byte of the version-2 privileged writes
// lowered by this much.
inline constexpr uint8_t kPrivilegedOffset = 0x5B;

// Command codes of the adaptor and of the meter's one-byte questions.
inline constexpr uint8_t kCmdFlashDuration = 0x00;
inline constexpr uint8_t kCmdSetLevel0 = 0x0B;
inline constexpr uint8_t kCmdAdaptorIdentity = 0x0F;
inline constexpr uint32_t kMaxLevel = 3;

// Commands and data length of one block (parameters or table) of a meter
// version.
struct BlockCommands {
    uint8_t Read;
    uint8_t Write;
    uint8_t PrivilegedWrite;
    uint32_t Length;

    uint8_t WriteCommand(uint32_t flags) const { return (flags & 0x80) ? PrivilegedWrite : Write; }
};

inline constexpr uint32_t kMaxBlockLength = 84;
// Command byte, data, two checksum bytes.
inline constexpr uint32_t kMaxFrameLength = kMaxBlockLength + 3;

// The version-2 table: its first byte is the thermo-compensation byte, the
// other 30 the journal.
inline constexpr uint32_t kTable2Length = 31;

// The parameter block of a meter version; nullptr for a version above 2.
const BlockCommands* ParamsCommands(uint32_t version);
// The table of a meter version; nullptr for version 0 (it has none) and for a
// version above 2.
const BlockCommands* TableCommands(uint32_t version);

// The 16-bit sum of the data bytes, as the meter counts it.
uint16_t DataCheckSum(const uint8_t* data, uint32_t length);

// Whether a write command carries the privileged checksum offset.
bool HasPrivilegedOffset(uint8_t command);

// Builds a write frame into frame (at least length + 3 bytes): the command,
// the first min(dataLength, length) data bytes padded with zeros to length,
// then the checksum high byte first, its low byte lowered for the privileged
// writes of version 2. Returns the frame length, length + 3.
uint32_t BuildWriteFrame(uint8_t command, const uint8_t* data, uint32_t dataLength, uint32_t length,
                         uint8_t* frame);

// Whether answer (length data bytes and two checksum bytes) carries the sum
// of its data.
bool BlockChecksumValid(const uint8_t* answer, uint32_t length);

// Whether the meter's status byte and repeat (frameLength - 1 bytes) answer
// the write frame. The meter repeats the true checksum of a privileged write,
// so the offset is undone on the repeat before comparing.
bool EchoMatches(const uint8_t* frame, uint32_t frameLength, uint8_t status, const uint8_t* repeat);

// The three bytes after the status of a short command: the value and its
// checksum, high byte first (so 0x00, then the value again).
bool ShortAnswerValid(const uint8_t* answer);

// The adaptor's two identity bytes as number * 65536 + version.
uint32_t AdaptorWord(const uint8_t* answer);

// The thermo-compensation byte for a value: trunc(value * 2 + 7). False when
// the result does not fit a byte (or the value is not a number).
bool ThermoCompensationByte(double value, uint8_t* byte);

} // namespace lgm
