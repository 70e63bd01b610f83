// The ГКМС meter's parameter frames and coefficient tables, pure functions
// over byte buffers; ZorComGkms.cpp moves the bytes.
#pragma once

#include "ZorComGkms.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zorgkms {

struct Frame {
    std::array<uint8_t, 8> bytes{};
    size_t size = 0;

    std::span<const uint8_t> view() const { return {bytes.data(), size}; }
};

// Coefficient scale and limit of a nominal diameter index (0 for 14 and above).
double multiplier(uint32_t duIndex);
double limit(uint32_t duIndex);

// The frame of mode 1 or 2 for the request. Returns 0, or -19 for another
// mode, a diameter index of 14 or more, or a coefficient that is not a
// number or does not fit its word; out is then not touched.
int32_t buildFrame(uint32_t mode, const GkmsParams& request, Frame& out);

// Wait for the meter's repeat of a frame of the mode, ms.
int32_t answerTimeoutMs(uint32_t mode);

} // namespace zorgkms
