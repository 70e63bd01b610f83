#include "files/LineRuns.h"

#include <algorithm>
#include <array>

uint32_t LineTableFromRuns(const TZorDataList& list, LineTable& lines) {
    std::array<int32_t, kMaxLineRuns> starts{};
    const uint32_t runs = list.LineStarts(starts);
    const uint32_t count = std::min(runs, kMaxLines);
    for (uint32_t j = 0; j < count; ++j) {
        const MeasurementRecord& first = *list.Item(static_cast<uint32_t>(starts[j]));
        lines.A[j] = first.LineA;
        lines.B[j] = first.LineB;
        if (j > 0)
            lines.Fmax[j - 1] = first.MeasuredFrequency;
    }
    if (count > 0)
        lines.Fmax[count - 1] = kOpenEnd;
    lines.LineCount = count;
    return runs;
}
