// The rig controller's state answers: any bytes decode to a complete state
// or to an error that leaves the record exactly as it was.
#include "BkltFrames.h"
#include "ZorLang.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

void require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool seconds24(double value) {
    return value >= 0.0 && value < 4096.0 && std::isfinite(value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BkltState state;
    std::memset(&state, 0x5A, sizeof state);
    const BkltState before = state;

    const int32_t result = zorbklt::decodeStateAnswer({data, size}, state);
    if (result != ZOR_OK) {
        require(result == ZOR_ERR_BAD_VALUES || result == ZOR_ERR_DATA_SIZE);
        require(std::memcmp(&state, &before, sizeof state) == 0);
        return 0;
    }
    require(size >= 2 && size == 1 + zorbklt::stateTailLength(data[0]));
    require(state.Code == data[0] && state.Status == data[1]);
    switch (state.Code) {
    case BKLT_CODE_GENERATOR:
        require(state.Generator.Value1 <= 0xFFFFFF && state.Generator.Value2 <= 0xFFFFFF);
        // Nothing past the two values is touched.
        require(std::memcmp(state.Oscilloscope + 8, before.Oscilloscope + 8,
                            BKLT_OSCILLOSCOPE_BYTES - 8) == 0);
        break;
    case BKLT_CODE_OSCILLOSCOPE:
        require(std::memcmp(state.Oscilloscope, data + 2, BKLT_OSCILLOSCOPE_BYTES) == 0);
        break;
    default:
        require(state.Code <= BKLT_CODE_COUNT);
        require(seconds24(state.Measurement.Time));
        for (int i = 0; i < BKLT_CHANNELS; ++i) {
            require(seconds24(state.Measurement.ChannelTime[i]));
            require(state.Measurement.ChannelCount[i] <= 0xFFFFFF);
        }
        break;
    }
    return 0;
}
