#include "files/MathCadFiles.h"

#include "document/Numbers.h"
#include "files/FileIo.h"

#include <cmath>

const std::array<MathCadColumn, ExportColumn::Count> kMathCadColumns = {{
    {"M_", "M (Масса)"},
    {"T_", "T (Температура)"},
    {"V_", "Vэт (Эталонный объем)"},
    {"tq", "tq"},
    {"N1", "N1"},
    {"t1", "t1"},
    {"Q_", "Qэт"},
    {"F_", "Fизм"},
    {"dQ", "бQ"},
    {"N2", "N2"},
    {"Vm", "Vизм"},
    {"dV", "бV"},
    {"A_", "A"},
    {"B_", "B"},
}};

namespace {

constexpr size_t kCodeLength = 2;

bool IsScanBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The position after the value read at pos: its token up to the next space,
// then the spaces.
size_t NextValue(std::string_view line, size_t pos) {
    while (pos < line.size() && IsScanBlank(line[pos]))
        ++pos;
    while (pos < line.size() && line[pos] != ' ')
        ++pos;
    while (pos < line.size() && line[pos] == ' ')
        ++pos;
    return pos;
}

// Stores value into the column's field; false for an integer column whose
// value is not a 32-bit number.
bool StoreColumn(MeasurementRecord& r, int column, double value) {
    const auto whole = [value](int32_t& field) {
        if (!(value > -2147483649.0 && value < 2147483648.0))
            return false;
        field = static_cast<int32_t>(std::trunc(value));
        return true;
    };
    switch (column) {
    case ExportColumn::EtalonMass:
        r.EtalonMass = value;
        return true;
    case ExportColumn::Temperature:
        r.Temperature = value;
        return true;
    case ExportColumn::EtalonVolume:
        r.EtalonVolume = value;
        return true;
    case ExportColumn::EtalonTime:
        r.EtalonTime = value;
        return true;
    case ExportColumn::MeasuredPulses:
        return whole(r.MeasuredPulses);
    case ExportColumn::MeasuredTime:
        r.MeasuredTime = value;
        return true;
    case ExportColumn::EtalonFlow:
        r.EtalonFlow = value;
        return true;
    case ExportColumn::MeasuredFrequency:
        r.MeasuredFrequency = value;
        return true;
    case ExportColumn::FlowDeviation:
        r.FlowDeviation = value / 100.0;
        return true;
    case ExportColumn::ComparedPulses:
        return whole(r.ComparedPulses);
    case ExportColumn::ComparedVolume:
        r.ComparedVolume = value;
        return true;
    case ExportColumn::VolumeDeviation:
        r.VolumeDeviation = value / 100.0;
        return true;
    case ExportColumn::LineA:
        r.LineA = value;
        return true;
    case ExportColumn::LineB:
        r.LineB = value;
        return true;
    default:
        return false;
    }
}

// The next line of text from pos, without its line feed (or zero byte, which
// also ends a line) and without a carriage return before it, so that the
// empty line of a CR LF file ends the data as an empty line should.
std::string_view NextLine(std::string_view text, size_t& pos) {
    const size_t start = pos;
    size_t end = start;
    while (end < text.size() && text[end] != '\n' && text[end] != '\0')
        ++end;
    pos = end < text.size() ? end + 1 : end;
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

std::string_view AsText(const std::vector<uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace

std::string MathCadHeaderPath(std::string_view dataPath) {
    std::string path(dataPath);
    const std::string_view extension = PathExtension(dataPath);
    path.resize(path.size() - extension.size());
    path += ".hdr";
    return path;
}

std::optional<int> MathCadColumnOf(std::string_view code) {
    for (size_t i = 0; i < kMathCadColumns.size(); ++i)
        if (code == kMathCadColumns[i].Code)
            return static_cast<int>(i);
    return std::nullopt;
}

std::optional<std::vector<int>> ParseMathCadHeader(std::string_view line) {
    std::vector<int> columns;
    size_t pos = 0;
    for (;;) {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        if (line.size() - pos < kCodeLength)
            return columns;
        const std::optional<int> column = MathCadColumnOf(line.substr(pos, kCodeLength));
        if (!column)
            return std::nullopt;
        columns.push_back(*column);
        pos += kCodeLength;
    }
}

bool ParseMathCadData(std::string_view text, std::span<const int> columns, TZorDataList& list) {
    list.Clear();
    size_t pos = 0;
    for (;;) {
        const std::string_view line = NextLine(text, pos);
        if (line.empty())
            break;
        MeasurementRecord record = NewMeasurement();
        size_t at = 0;
        size_t values = 0;
        for (const int column : columns) {
            const std::optional<double> value = ReadReal(line.substr(at));
            if (!value)
                break;
            if (!StoreColumn(record, column, *value))
                return false;
            ++values;
            at = NextValue(line, at);
        }
        if (values == 0)
            continue;
        if (values < columns.size())
            return false;
        list.Add(record);
    }
    list.CheckOrder();
    return true;
}

std::string MathCadHeaderLine(uint32_t mask) {
    std::string line;
    for (size_t i = 0; i < kMathCadColumns.size(); ++i) {
        if (mask & (1u << i)) {
            line += kMathCadColumns[i].Code;
            line += ' ';
        }
    }
    return line;
}

std::string MathCadDataText(const TZorDataList& list, uint32_t mask) {
    std::string text;
    for (uint32_t i = 0; i < list.Count(); ++i) {
        text += list.FormatColumns(i, mask);
        text += "\r\n";
    }
    return text;
}

bool ImportMathCadFile(const std::string& dataPath, const std::string& headerPath,
                       TZorDataList& list) {
    list.Clear();
    std::vector<int> columns(kMathCadDefaultColumns.begin(), kMathCadDefaultColumns.end());
    if (PathExists(headerPath)) {
        const std::optional<std::vector<uint8_t>> header = ReadWholeFile(headerPath);
        if (!header)
            return false;
        size_t pos = 0;
        std::optional<std::vector<int>> parsed = ParseMathCadHeader(NextLine(AsText(*header), pos));
        if (!parsed)
            return false;
        columns = std::move(*parsed);
    }
    const std::optional<std::vector<uint8_t>> data = ReadWholeFile(dataPath);
    return data && ParseMathCadData(AsText(*data), columns, list);
}
