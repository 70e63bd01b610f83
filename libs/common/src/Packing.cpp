// Integers in byte buffers: every width, byte order and addressing mode of the
// exchange frames comes from the one pair of loops below.
#include "ZorCommon.h"

#include <cstddef>

namespace {

enum class Order { Msb, Lsb };

template <int Width, Order O> constexpr int Shift(int k) {
    return O == Order::Msb ? 8 * (Width - 1 - k) : 8 * k;
}

template <int Width, Order O> void Store(uint8_t* at, uint32_t value) {
    for (int k = 0; k < Width; ++k)
        at[k] = static_cast<uint8_t>(value >> Shift<Width, O>(k));
}

template <int Width, Order O> uint32_t Load(const uint8_t* at) {
    uint32_t value = 0;
    for (int k = 0; k < Width; ++k)
        value |= static_cast<uint32_t>(at[k]) << Shift<Width, O>(k);
    return value;
}

// Element addressing: element i of a Width-byte array starts at byte i * Width.
template <int Width> constexpr std::ptrdiff_t Element(int32_t index) {
    return static_cast<std::ptrdiff_t>(index) * Width;
}

constexpr auto Msb = Order::Msb;
constexpr auto Lsb = Order::Lsb;

} // namespace

// clang-format off
void PutWordMSB(uint8_t* b, int32_t i, uint32_t v)      { Store<2, Msb>(b + Element<2>(i), v); }
uint32_t GetWordMSB(const uint8_t* b, int32_t i)        { return Load<2, Msb>(b + Element<2>(i)); }
void PutTripletMSB(uint8_t* b, int32_t i, uint32_t v)   { Store<3, Msb>(b + Element<3>(i), v); }
uint32_t GetTripletMSB(const uint8_t* b, int32_t i)     { return Load<3, Msb>(b + Element<3>(i)); }
void PutDWordMSB(uint8_t* b, int32_t i, uint32_t v)     { Store<4, Msb>(b + Element<4>(i), v); }
uint32_t GetDWordMSB(const uint8_t* b, int32_t i)       { return Load<4, Msb>(b + Element<4>(i)); }
void PutWordLSB(uint8_t* b, int32_t i, uint32_t v)      { Store<2, Lsb>(b + Element<2>(i), v); }
uint32_t GetWordLSB(const uint8_t* b, int32_t i)        { return Load<2, Lsb>(b + Element<2>(i)); }
void PutTripletLSB(uint8_t* b, int32_t i, uint32_t v)   { Store<3, Lsb>(b + Element<3>(i), v); }
uint32_t GetTripletLSB(const uint8_t* b, int32_t i)     { return Load<3, Lsb>(b + Element<3>(i)); }
void PutDWordLSB(uint8_t* b, int32_t i, uint32_t v)     { Store<4, Lsb>(b + Element<4>(i), v); }
uint32_t GetDWordLSB(const uint8_t* b, int32_t i)       { return Load<4, Lsb>(b + Element<4>(i)); }

void PutWordRelMSB(uint8_t* b, int32_t o, uint32_t v)    { Store<2, Msb>(b + o, v); }
uint32_t GetWordRelMSB(const uint8_t* b, int32_t o)      { return Load<2, Msb>(b + o); }
void PutTripletRelMSB(uint8_t* b, int32_t o, uint32_t v) { Store<3, Msb>(b + o, v); }
uint32_t GetTripletRelMSB(const uint8_t* b, int32_t o)   { return Load<3, Msb>(b + o); }
void PutDWordRelMSB(uint8_t* b, int32_t o, uint32_t v)   { Store<4, Msb>(b + o, v); }
uint32_t GetDWordRelMSB(const uint8_t* b, int32_t o)     { return Load<4, Msb>(b + o); }
void PutWordRelLSB(uint8_t* b, int32_t o, uint32_t v)    { Store<2, Lsb>(b + o, v); }
uint32_t GetWordRelLSB(const uint8_t* b, int32_t o)      { return Load<2, Lsb>(b + o); }
void PutTripletRelLSB(uint8_t* b, int32_t o, uint32_t v) { Store<3, Lsb>(b + o, v); }
uint32_t GetTripletRelLSB(const uint8_t* b, int32_t o)   { return Load<3, Lsb>(b + o); }
void PutDWordRelLSB(uint8_t* b, int32_t o, uint32_t v)   { Store<4, Lsb>(b + o, v); }
uint32_t GetDWordRelLSB(const uint8_t* b, int32_t o)     { return Load<4, Lsb>(b + o); }
// clang-format on

// Two 12-bit elements share three bytes; the even one owns the low nibble of
// the middle byte, the odd one its high nibble.
void Put12bitLSB(uint8_t* bytes, int32_t index, uint32_t value) {
    uint8_t* at = bytes + static_cast<std::ptrdiff_t>(index) * 3 / 2;
    if (index % 2 == 0) {
        at[0] = static_cast<uint8_t>(value);
        at[1] = static_cast<uint8_t>((at[1] & 0xF0) | ((value >> 8) & 0x0F));
    } else {
        at[0] = static_cast<uint8_t>((at[0] & 0x0F) | ((value & 0x0F) << 4));
        at[1] = static_cast<uint8_t>(value >> 4);
    }
}

uint32_t Get12bitLSB(const uint8_t* bytes, int32_t index) {
    uint32_t word = Load<2, Lsb>(bytes + static_cast<std::ptrdiff_t>(index) * 3 / 2);
    return index % 2 == 0 ? word & 0x0FFF : word >> 4;
}
