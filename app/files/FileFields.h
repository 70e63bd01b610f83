// Little-endian fields of the program's binary files.
//
// The files hold the host's own little-endian layout, so fields are copied
// byte for byte; a big-endian host would need swaps here and nowhere else.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>

static_assert(std::endian::native == std::endian::little,
              "the binary files are read and written in the host's little-endian layout");

template <typename T> T LoadField(std::span<const uint8_t> bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <typename T> void StoreField(std::span<uint8_t> bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// Real settings are stored ×10000 as unsigned 32-bit values, rounded half up
// to four decimals. A value the word cannot hold (negative, beyond 429496.7295
// or not a number) is stored as the nearest end, never as a wrapped number.
uint32_t ScaleSetting(double value);
double UnscaleSetting(uint32_t stored);
