// Short commands against any answer: a value only under its checksum.
#include "FuzzCheck.h"
#include "ZorLang.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lgmfuzz;
    if (size < 1)
        return 0;
    lgm::ScriptedLink link(data + 1, static_cast<uint32_t>(size - 1));
    lgm::MeterProtocol protocol(link, NullLog(), Timeouts());
    uint32_t value = 0x12345678;
    const int32_t result = protocol.ReadShort(data[0], &value);
    Require(OneOf(result, {ZOR_OK, ZOR_ERR_REJECTED, ZOR_ERR_BAD_VALUES, ZOR_ERR_CHECKSUM,
                           ZOR_ERR_READ_TIMEOUT}));
    if (result == ZOR_OK)
        Require(size >= 5 && data[1] == data[0] && value == data[2] && data[3] == 0 &&
                data[4] == data[2]);
    else
        Require(value == 0x12345678);
    return 0;
}
