// Any 30 journal bytes unpack into six finite points.
#include "ZorComLgm.h"
#include "ZorLang.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const uint32_t du = data[0] % 16;
    std::vector<uint8_t> journal(30, 0);
    std::memcpy(journal.data(), data + 1, std::min<size_t>(size - 1, 30));
    std::vector<ApproxDataItem> items(6);
    uint32_t count = 0;
    const int32_t result = ZorComLgmExtractJournal(journal.data(), du, items.data(), &count);
    if (!ZorComLgmIsSeqDefined(du)) {
        if (result != ZOR_ERR_BAD_PARAM || count != 0)
            std::abort();
        return 0;
    }
    if (result != ZOR_OK || count != 6)
        std::abort();
    for (const auto& item : items)
        if (!std::isfinite(item.F) || !std::isfinite(item.Q) || item.F < 0)
            std::abort();
    return 0;
}
