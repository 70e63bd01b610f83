// Byte sum, CRC-16, CRC-32 and Adler-32. The CRCs are table-driven, one lookup
// per byte; the tables are built by the compiler.
#include "ZorCommon.h"

#include <array>

namespace {

// Entry n: the CRC-16 (0x1021, most significant bit first) of byte n shifted
// into the high byte.
constexpr std::array<uint16_t, 256> MakeCrc16Table() {
    std::array<uint16_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t crc = n << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        table[n] = static_cast<uint16_t>(crc);
    }
    return table;
}

// The reflected table of polynomial 0x04C11DB7, as in IEEE 802.3 and zlib.
constexpr std::array<uint32_t, 256> MakeCrc32Table() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t crc = n;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        table[n] = crc;
    }
    return table;
}

constexpr auto kCrc16Table = MakeCrc16Table();
constexpr auto kCrc32Table = MakeCrc32Table();
static_assert(kCrc16Table[1] == 0x1021 && kCrc16Table[128] == 0x9188);
static_assert(kCrc32Table[1] == 0x77073096 && kCrc32Table[128] == 0xEDB88320);

constexpr uint16_t Crc16Step(uint32_t byte, uint32_t crc) {
    return static_cast<uint16_t>(kCrc16Table[((crc >> 8) ^ byte) & 0xFF] ^ ((crc << 8) & 0xFFFF));
}

constexpr uint32_t Crc32Step(uint32_t byte, uint32_t crc) {
    return kCrc32Table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

constexpr uint32_t kAdlerModulus = 65521;
// The longest run for which s2 cannot overflow 32 bits before the modulo
// (zlib's NMAX).
constexpr uint32_t kAdlerBlock = 5552;

} // namespace

uint32_t ByteCheckSum(const uint8_t* bytes, uint32_t count) {
    if (!bytes)
        return 0;
    uint32_t sum = 0;
    for (uint32_t i = 0; i < count; ++i)
        sum += bytes[i];
    return sum;
}

uint16_t ByteCrc16X25(uint32_t byte, uint32_t crc) {
    return Crc16Step(byte, crc);
}

uint16_t ByteCrc16X25Rev(uint32_t, uint32_t) {
    return 0;
}

uint16_t Crc16X25(const uint8_t* bytes, uint16_t init, uint32_t count) {
    if (!bytes)
        return 0;
    uint16_t crc = init;
    for (uint32_t i = 0; i < count; ++i)
        crc = Crc16Step(bytes[i], crc);
    return crc;
}

uint32_t ByteCrc32X25(uint32_t byte, uint32_t crc) {
    return Crc32Step(byte, crc);
}

uint32_t Crc32X25(const uint8_t* bytes, uint32_t init, uint32_t count) {
    if (!bytes)
        return 0;
    uint32_t crc = init;
    for (uint32_t i = 0; i < count; ++i)
        crc = Crc32Step(bytes[i], crc);
    return crc;
}

uint32_t ByteAdler32(uint32_t adler, const uint8_t* bytes, uint32_t count) {
    if (!bytes)
        return 1;
    uint32_t s1 = adler & 0xFFFF;
    uint32_t s2 = adler >> 16;
    while (count > 0) {
        uint32_t block = count < kAdlerBlock ? count : kAdlerBlock;
        count -= block;
        while (block-- > 0) {
            s1 += *bytes++;
            s2 += s1;
        }
        s1 %= kAdlerModulus;
        s2 %= kAdlerModulus;
    }
    return (s2 << 16) | s1;
}
