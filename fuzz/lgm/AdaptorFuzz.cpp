// The adaptor's level, flash duration and identity against any answer.
#include "FuzzCheck.h"
#include "ZorLang.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lgmfuzz;
    if (size < 1)
        return 0;
    lgm::ScriptedLink link(data + 1, static_cast<uint32_t>(size - 1));
    lgm::MeterProtocol protocol(link, NullLog(), Timeouts());
    uint32_t value = 0x12345678;
    int32_t result = 0;
    switch (data[0] % 3) {
    case 0:
        result = protocol.SetLevel(data[0] >> 2 & 7);
        Require(OneOf(result,
                      {ZOR_OK, ZOR_ERR_BAD_PARAM, ZOR_ERR_ECHO_MISMATCH, ZOR_ERR_READ_TIMEOUT}));
        if (result == ZOR_OK)
            Require(size >= 2 && data[1] == 0x0B + (data[0] >> 2 & 7));
        break;
    case 1:
        result = protocol.GetLongitude(&value);
        Require(OneOf(result, {ZOR_OK, ZOR_ERR_READ_TIMEOUT}));
        if (result == ZOR_OK && data[1] == 0)
            Require(size >= 3 && value == data[2]);
        else
            Require(value == 0x12345678);
        break;
    default:
        result = protocol.ReadAdaptor(&value);
        Require(OneOf(result, {ZOR_OK, ZOR_ERR_REJECTED, ZOR_ERR_READ_TIMEOUT}));
        if (result == ZOR_OK)
            Require(size >= 4 && data[1] == 0x0F && value == (data[2] * 65536u + data[3]));
        break;
    }
    return 0;
}
