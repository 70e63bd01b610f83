// The MathCAD readers on arbitrary text: the first line is taken as a header
// file's line, the rest as the data file.
#include "files/MathCadFiles.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const size_t split = text.find('\n');
    const std::string_view header = text.substr(0, split);
    const std::string_view body =
        split == std::string_view::npos ? std::string_view() : text.substr(split + 1);

    const std::optional<std::vector<int>> columns = ParseMathCadHeader(header);
    if (columns) {
        for (const int column : *columns)
            if (column < 0 || column >= ExportColumn::Count)
                std::abort();
    }
    TZorDataList list;
    ParseMathCadData(body, columns ? *columns : std::vector<int>{6, 7}, list);
    // Whatever was read can be written.
    MathCadDataText(list, kMathCadAllColumns);
    return 0;
}
