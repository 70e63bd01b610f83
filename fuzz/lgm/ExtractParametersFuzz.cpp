// Any block from a meter decodes into finite values, or is refused as a whole.
#include "ZorComLgm.h"
#include "ZorLang.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint32_t version = data[0] % 3;
    const size_t length = version == 2 ? 44 : 35;
    // Exactly the block's length, so a read past it is caught.
    std::vector<uint8_t> block(length, 0);
    std::memcpy(block.data(), data + 1, std::min(size - 1, length));

    MeterParams before;
    std::memset(&before, 0x5A, sizeof before);
    MeterParams params = before;
    const int32_t result = ZorComLgmExtractParameters(version, block.data(), &params);
    if (result == ZOR_ERR_BAD_VALUES) {
        if (std::memcmp(&params, &before, sizeof params) != 0)
            std::abort();
        return 0;
    }
    // A diameter code beyond the table is only accepted in a block without lines.
    if (result != ZOR_OK || params.LineCount > (version == 2 ? 5u : 4u) ||
        (params.DuIndex > 13 && params.LineCount > 0))
        std::abort();
    for (uint32_t i = 0; i < params.LineCount; ++i)
        if (!std::isfinite(params.A[i]) || !std::isfinite(params.B[i]) ||
            !std::isfinite(params.Fmax[i]) || !std::isfinite(params.Hysteresis[i]))
            std::abort();
    return 0;
}
