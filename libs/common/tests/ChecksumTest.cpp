#include "ZorCommon.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace {

const auto* const kCheck = reinterpret_cast<const uint8_t*>("123456789");

TEST(Checksum, ByteSumIsNotReducedToEightBits) {
    const uint8_t bytes[] = {0xFF, 0x01};
    EXPECT_EQ(ByteCheckSum(bytes, 2), 0x100u);
    EXPECT_EQ(ByteCheckSum(bytes, 0), 0u);
    EXPECT_EQ(ByteCheckSum(nullptr, 5), 0u);
    std::vector<uint8_t> many(70000, 0xFF);
    EXPECT_EQ(ByteCheckSum(many.data(), static_cast<uint32_t>(many.size())), 70000u * 255u);
}

TEST(Checksum, Crc16CheckValues) {
    EXPECT_EQ(Crc16X25(kCheck, 0, 9), 0x31C3);      // CRC-16/XMODEM
    EXPECT_EQ(Crc16X25(kCheck, 0xFFFF, 9), 0x29B1); // CRC-16/CCITT-FALSE
    EXPECT_EQ(Crc16X25(nullptr, 0xFFFF, 9), 0);
    EXPECT_EQ(Crc16X25(kCheck, 0x1234, 0), 0x1234);
    // Table entries 1 and 128 come straight out of a step from 0.
    EXPECT_EQ(ByteCrc16X25(1, 0), 0x1021);
    EXPECT_EQ(ByteCrc16X25(128, 0), 0x9188);
    // Only the low 8 bits of the byte and 16 bits of the CRC take part.
    EXPECT_EQ(ByteCrc16X25(0x1FF, 0xABCD1234), ByteCrc16X25(0xFF, 0x1234));
    EXPECT_EQ(ByteCrc16X25Rev(0x31, 0xFFFF), 0);
}

TEST(Checksum, Crc32CheckValues) {
    EXPECT_EQ(Crc32X25(kCheck, 0, 9), 0x2DFD2D88u);
    EXPECT_EQ(Crc32X25(kCheck, 0xFFFFFFFF, 9), 0x340BC6D9u);
    EXPECT_EQ(~Crc32X25(kCheck, 0xFFFFFFFF, 9), 0xCBF43926u);
    EXPECT_EQ(Crc32X25(nullptr, 0xFFFFFFFF, 9), 0u);
    EXPECT_EQ(Crc32X25(kCheck, 0xDEADBEEF, 0), 0xDEADBEEFu);
    EXPECT_EQ(ByteCrc32X25(1, 0), 0x77073096u);
    EXPECT_EQ(ByteCrc32X25(128, 0), 0xEDB88320u);
    EXPECT_EQ(ByteCrc32X25(0x131, 0), ByteCrc32X25(0x31, 0));
}

TEST(Checksum, Adler32CheckValues) {
    EXPECT_EQ(ByteAdler32(1, reinterpret_cast<const uint8_t*>("abc"), 3), 0x024D0127u);
    EXPECT_EQ(ByteAdler32(1, nullptr, 3), 1u);
    EXPECT_EQ(ByteAdler32(0x12345678, kCheck, 0), 0x12345678u);
}

// zlib is the reference: random buffers of random lengths, each also split at
// a random point to check that the running value carries over.
TEST(Checksum, AgreesWithZlibOnRandomBuffers) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<uint32_t> length(0, 40000);
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> data(length(rng));
        for (auto& byte : data)
            byte = static_cast<uint8_t>(rng());
        const auto n = static_cast<uint32_t>(data.size());
        const uint32_t split = n ? rng() % (n + 1) : 0;
        SCOPED_TRACE(testing::Message() << "length " << n << ", split at " << split);

        const uLong zCrc = crc32(0, data.data(), n);
        EXPECT_EQ(~Crc32X25(data.data(), 0xFFFFFFFF, n), zCrc);
        uint32_t partial = Crc32X25(data.data(), 0xFFFFFFFF, split);
        EXPECT_EQ(~Crc32X25(data.data() + split, partial, n - split), zCrc);

        const uLong zAdler = adler32(1, data.data(), n);
        EXPECT_EQ(ByteAdler32(1, data.data(), n), zAdler);
        uint32_t running = ByteAdler32(1, data.data(), split);
        EXPECT_EQ(ByteAdler32(running, data.data() + split, n - split), zAdler);
    }
}

// All bytes 0xFF drive both Adler sums to their largest growth per block.
TEST(Checksum, Adler32WorstCaseBlocksAgreeWithZlib) {
    for (uint32_t n : {5551u, 5552u, 5553u, 3 * 5552u + 7u, 1000000u}) {
        std::vector<uint8_t> data(n, 0xFF);
        const uint32_t start = 0xFFF0FFF0; // s1 = s2 = 65520, the largest reduced sums
        EXPECT_EQ(ByteAdler32(start, data.data(), n), adler32(start, data.data(), n)) << n;
    }
}

} // namespace
