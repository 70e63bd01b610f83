#include "ZorCommon.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

namespace {

constexpr uint8_t kFill = 0x5A;
using Buffer = std::array<uint8_t, 32>;

Buffer Filled(uint8_t value = kFill) {
    Buffer b;
    b.fill(value);
    return b;
}

TEST(Packing, WordMsbStoresLowSixteenBitsAtElement) {
    Buffer b = Filled();
    PutWordMSB(b.data(), 1, 0x12345);
    Buffer expected = Filled();
    expected[2] = 0x23;
    expected[3] = 0x45;
    EXPECT_EQ(b, expected);
    EXPECT_EQ(GetWordMSB(b.data(), 1), 0x2345u);
}

TEST(Packing, TripletRelLsbAtByteOffset) {
    Buffer b = Filled();
    PutTripletRelLSB(b.data(), 5, 0x010203);
    Buffer expected = Filled();
    expected[5] = 0x03;
    expected[6] = 0x02;
    expected[7] = 0x01;
    EXPECT_EQ(b, expected);
    EXPECT_EQ(GetTripletRelLSB(b.data(), 5), 0x010203u);
    // Element 1 of a triplet array is bytes 3-5.
    EXPECT_EQ(GetTripletLSB(b.data(), 1), 0x03'5A'5Au);
}

TEST(Packing, DWordElementAndOffsetAddressing) {
    Buffer b{};
    for (std::size_t i = 0; i < b.size(); ++i)
        b[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(GetDWordMSB(b.data(), 1), 0x04050607u);
    EXPECT_EQ(GetDWordMSB(b.data(), 1), GetDWordRelMSB(b.data(), 4));
    EXPECT_EQ(GetDWordLSB(b.data(), 1), 0x07060504u);
    EXPECT_EQ(GetWordLSB(b.data(), 3), 0x0706u);
    EXPECT_EQ(GetTripletMSB(b.data(), 2), 0x060708u);
}

// Every byte-aligned Put/Get pair: the element lands at its address in its
// byte order, no other byte changes, and Get returns the stored bits.
struct PackCase {
    const char* name;
    void (*put)(uint8_t*, int32_t, uint32_t);
    uint32_t (*get)(const uint8_t*, int32_t);
    int width;
    bool msbFirst;
    bool byteOffset;
};

class PackFamily : public testing::TestWithParam<PackCase> {};

TEST_P(PackFamily, WritesOnlyItsBytesInItsOrder) {
    const PackCase& c = GetParam();
    std::mt19937 rng(7);
    for (int32_t position = 0; position < 5; ++position) {
        uint32_t value = rng();
        Buffer b = Filled();
        c.put(b.data(), position, value);

        const int start = c.byteOffset ? position : position * c.width;
        Buffer expected = Filled();
        for (int k = 0; k < c.width; ++k) {
            int shift = c.msbFirst ? 8 * (c.width - 1 - k) : 8 * k;
            expected[start + k] = static_cast<uint8_t>(value >> shift);
        }
        EXPECT_EQ(b, expected) << "position " << position;

        const uint32_t mask = c.width == 4 ? 0xFFFFFFFFu : (1u << (8 * c.width)) - 1;
        EXPECT_EQ(c.get(b.data(), position), value & mask) << "position " << position;
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllWidthsOrdersAndAddressing, PackFamily,
    testing::Values(PackCase{"WordMSB", PutWordMSB, GetWordMSB, 2, true, false},
                    PackCase{"TripletMSB", PutTripletMSB, GetTripletMSB, 3, true, false},
                    PackCase{"DWordMSB", PutDWordMSB, GetDWordMSB, 4, true, false},
                    PackCase{"WordLSB", PutWordLSB, GetWordLSB, 2, false, false},
                    PackCase{"TripletLSB", PutTripletLSB, GetTripletLSB, 3, false, false},
                    PackCase{"DWordLSB", PutDWordLSB, GetDWordLSB, 4, false, false},
                    PackCase{"WordRelMSB", PutWordRelMSB, GetWordRelMSB, 2, true, true},
                    PackCase{"TripletRelMSB", PutTripletRelMSB, GetTripletRelMSB, 3, true, true},
                    PackCase{"DWordRelMSB", PutDWordRelMSB, GetDWordRelMSB, 4, true, true},
                    PackCase{"WordRelLSB", PutWordRelLSB, GetWordRelLSB, 2, false, true},
                    PackCase{"TripletRelLSB", PutTripletRelLSB, GetTripletRelLSB, 3, false, true},
                    PackCase{"DWordRelLSB", PutDWordRelLSB, GetDWordRelLSB, 4, false, true}),
    [](const testing::TestParamInfo<PackCase>& info) { return std::string(info.param.name); });

TEST(Packing12bit, PairSharesThreeBytesWhicheverIsWrittenFirst) {
    for (bool evenFirst : {true, false}) {
        Buffer b = Filled();
        if (evenFirst) {
            Put12bitLSB(b.data(), 0, 0xABC);
            Put12bitLSB(b.data(), 1, 0x123);
        } else {
            Put12bitLSB(b.data(), 1, 0x123);
            Put12bitLSB(b.data(), 0, 0xABC);
        }
        EXPECT_EQ(b[0], 0xBC);
        EXPECT_EQ(b[1], 0x3A);
        EXPECT_EQ(b[2], 0x12);
        EXPECT_EQ(b[3], kFill);
        EXPECT_EQ(Get12bitLSB(b.data(), 0), 0xABCu);
        EXPECT_EQ(Get12bitLSB(b.data(), 1), 0x123u);
    }
}

TEST(Packing12bit, PutKeepsNeighbourNibbleAndDropsHighBits) {
    Buffer b = Filled(0xFF);
    Put12bitLSB(b.data(), 3, 0xF000); // odd element 3: high nibble of byte 4, byte 5
    EXPECT_EQ(b[4], 0x0F);
    EXPECT_EQ(b[5], 0x00);
    EXPECT_EQ(b[3], 0xFF);
    EXPECT_EQ(b[6], 0xFF);
    EXPECT_EQ(Get12bitLSB(b.data(), 2), 0xFFFu);

    b = Filled(0xFF);
    Put12bitLSB(b.data(), 2, 0x1000); // even element 2: byte 3, low nibble of byte 4
    EXPECT_EQ(b[3], 0x00);
    EXPECT_EQ(b[4], 0xF0);
    EXPECT_EQ(Get12bitLSB(b.data(), 3), 0xFFFu);
}

TEST(Packing12bit, ArrayRoundTrip) {
    std::mt19937 rng(12);
    std::array<uint32_t, 20> values;
    Buffer b = Filled();
    for (int32_t i = 0; i < static_cast<int32_t>(values.size()); ++i) {
        values[i] = rng() & 0xFFF;
        Put12bitLSB(b.data(), i, values[i]);
    }
    for (int32_t i = 0; i < static_cast<int32_t>(values.size()); ++i)
        EXPECT_EQ(Get12bitLSB(b.data(), i), values[i]) << i;
    EXPECT_EQ(b[30], kFill); // 20 elements take exactly 30 bytes
}

} // namespace
