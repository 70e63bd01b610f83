// The standard sections file reader on arbitrary bytes: a file that is
// accepted defines only entries of the table and writes back to a file that
// reads the same.
#include "files/StdSectFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StdSectTable table{};
    if (DecodeStdSectFile(std::span(data, size), table) != StdSectReadStatus::Ok)
        return 0;
    StdSectTable again{};
    if (DecodeStdSectFile(EncodeStdSectFile(table), again) != StdSectReadStatus::Ok)
        std::abort();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].Flags != again[i].Flags || table[i].Breaks != again[i].Breaks)
            std::abort();
    return 0;
}
