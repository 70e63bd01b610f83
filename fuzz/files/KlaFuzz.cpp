// The .kla import on arbitrary bytes: refused, or records with sections,
// lines and a line table the document can take.
#include "files/KlaFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    KlaImport kla;
    if (ImportKlaFile(std::span(data, size), 0.05, kla) != KlaReadStatus::Ok)
        return 0;
    if (kla.Lines.LineCount == 0 || kla.Lines.LineCount > kMaxLines ||
        kla.Data.Count > kApproxDataCapacity || kla.List.Count() == 0)
        std::abort();
    for (const MeasurementRecord& r : kla.List.Records())
        if (r.Line < 0 || static_cast<uint32_t>(r.Line) >= kla.Lines.LineCount)
            std::abort();
    return 0;
}
