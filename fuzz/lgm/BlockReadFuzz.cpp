// Block reads (parameters and tables of every version) against any answer.
#include "FuzzCheck.h"
#include "ZorLang.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lgmfuzz;
    if (size < 1)
        return 0;
    const bool table = data[0] & 0x80;
    const uint32_t version = (data[0] & 0x7F) % 4; // 3: refused unsent
    lgm::ScriptedLink link(data + 1, static_cast<uint32_t>(size - 1));
    lgm::MeterProtocol protocol(link, NullLog(), Timeouts());

    std::vector<uint8_t> destination(256, 0xA5);
    const int32_t result = table ? protocol.ReadTable(version, destination.data(), 256)
                                 : protocol.ReadParams(version, destination.data(), 256);
    Require(OneOf(result, {ZOR_OK, ZOR_ERR_BAD_PARAM, ZOR_ERR_REJECTED, ZOR_ERR_BAD_VALUES,
                           ZOR_ERR_CHECKSUM, ZOR_ERR_READ_TIMEOUT}));
    if (result == ZOR_OK) {
        // The data are the bytes after the status, and nothing else changed.
        const lgm::BlockCommands* block =
            table ? lgm::TableCommands(version) : lgm::ParamsCommands(version);
        Require(block != nullptr && size >= 1 + 1 + block->Length + 2);
        Require(std::memcmp(destination.data(), data + 2, block->Length) == 0);
        Require(destination[block->Length] == 0xA5);
    } else {
        Require(destination == std::vector<uint8_t>(256, 0xA5));
    }
    return 0;
}
