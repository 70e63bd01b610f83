#include "charts/ReportValues.h"

#include "approx/LineFit.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

// The number variables of the line table: A1 … A5, B1 … B5, F1 … F4.
constexpr uint32_t kReportLines = 5;

struct NumberFormat {
    bool Left = false, Plus = false, Space = false, Zero = false;
    int Width = 0;
    int Precision = -1; // -1: the type's default
    char Type = 'g';
};

// Reads at most two decimal digits at text[i]; -1 when there is none.
int ReadSmall(std::string_view text, size_t& i) {
    int value = -1;
    for (int digits = 0; digits < 2 && i < text.size() && text[i] >= '0' && text[i] <= '9';
         ++digits, ++i)
        value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
    return value;
}

std::optional<NumberFormat> ParseFormat(std::string_view text) {
    if (text.size() < 2 || text[0] != '%')
        return std::nullopt;
    NumberFormat f;
    size_t i = 1;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '-')
            f.Left = true;
        else if (c == '+')
            f.Plus = true;
        else if (c == ' ')
            f.Space = true;
        else if (c == '0')
            f.Zero = true;
        else
            break;
    }
    f.Width = std::max(ReadSmall(text, i), 0);
    if (i < text.size() && text[i] == '.') {
        ++i;
        f.Precision = std::max(ReadSmall(text, i), 0);
    }
    if (i + 1 != text.size())
        return std::nullopt;
    f.Type = text[i];
    if (std::string_view("difFeEgG").find(f.Type) == std::string_view::npos)
        return std::nullopt;
    return f;
}

std::string Chars(const char* begin, std::to_chars_result result) {
    return result.ec == std::errc() ? std::string(begin, static_cast<const char*>(result.ptr))
                                    : std::string();
}

std::string Digits(double value, const NumberFormat& f) {
    char text[512];
    char* const end = text + sizeof text;
    const char type = static_cast<char>(std::tolower(static_cast<unsigned char>(f.Type)));
    if (type == 'd' || type == 'i') {
        const double whole = std::round(value);
        if (std::fabs(whole) < 9.0e18)
            return Chars(text, std::to_chars(text, end, static_cast<int64_t>(whole)));
        return Chars(text, std::to_chars(text, end, whole, std::chars_format::fixed, 0));
    }
    const int precision = f.Precision < 0 ? 6 : f.Precision;
    std::string digits;
    if (type == 'f')
        digits = Chars(text, std::to_chars(text, end, value, std::chars_format::fixed, precision));
    else if (type == 'e')
        digits =
            Chars(text, std::to_chars(text, end, value, std::chars_format::scientific, precision));
    else
        digits = Chars(text, std::to_chars(text, end, value, std::chars_format::general,
                                           std::max(precision, 1)));
    if (std::isupper(static_cast<unsigned char>(f.Type)))
        for (char& c : digits)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return digits;
}

// printf's sign flags and padding over digits that carry only a '-'.
std::string Pad(std::string digits, const NumberFormat& f, bool finite) {
    std::string sign;
    if (!digits.empty() && digits[0] == '-') {
        sign = "-";
        digits.erase(0, 1);
    } else if (f.Plus) {
        sign = "+";
    } else if (f.Space) {
        sign = " ";
    }
    const size_t length = sign.size() + digits.size();
    const size_t width = static_cast<size_t>(f.Width);
    if (length >= width)
        return sign + digits;
    const size_t fill = width - length;
    if (f.Left)
        return sign + digits + std::string(fill, ' ');
    if (f.Zero && finite)
        return sign + std::string(fill, '0') + digits;
    return std::string(fill, ' ') + sign + digits;
}

std::string FormatNumber(double value, const NumberFormat& f) {
    return Pad(Digits(value, f), f, std::isfinite(value));
}

std::string FormatTime(std::time_t time) {
    std::tm local{};
    if (!localtime_r(&time, &local))
        return " ";
    char text[32];
    const size_t n = std::strftime(text, sizeof text, "%d.%m.%Y %H:%M", &local);
    return n ? std::string(text, n) : " ";
}

} // namespace

ReportValue ReportValue::OfInteger(int64_t value) {
    ReportValue v;
    v.Type = Kind::Integer;
    v.Integer = value;
    return v;
}

ReportValue ReportValue::OfReal(double value) {
    ReportValue v;
    v.Type = Kind::Real;
    v.Real = value;
    return v;
}

ReportValue ReportValue::OfText(std::string value) {
    ReportValue v;
    v.Type = Kind::Text;
    v.Text = std::move(value);
    return v;
}

ReportValue ReportValue::OfTime(std::time_t value) {
    ReportValue v;
    v.Type = Kind::DateTime;
    v.Time = value;
    return v;
}

ReportVariables::ReportVariables(const CalibrationDocument& doc, std::time_t now)
    : doc_(doc), list_(doc.CurrentList()), rows_(list_.EnabledPositions()), now_(now) {}

ReportValue ReportVariables::Value(std::string_view name, std::optional<uint32_t> row,
                                   PageNumbers pages) const {
    const MeterSettings& s = doc_.Settings();
    if (name == "ApproxDescr") {
        const ComboState combo = doc_.ApproxGroup().ApproxMethodCombo;
        if (combo.Selection < 0)
            return {};
        return ReportValue::OfText(combo.Items[combo.Selection]);
    }
    if (name == "SerNo")
        return ReportValue::OfReal(static_cast<double>(static_cast<uint64_t>(s.SerNo)));
    if (name == "Du") {
        if (s.DuIndex < 0 || s.DuIndex >= kDuCount)
            return {};
        return ReportValue::OfInteger(DuTable[s.DuIndex]);
    }
    if (name == "DevType") {
        if (s.DevType < 0 || s.DevType >= kMeterTypeCount)
            return {};
        return ReportValue::OfText(MeterTypes[s.DevType].Name);
    }
    if (name == "Tpriv")
        return ReportValue::OfReal(s.Tpriv);
    if (name == "NumOfRecords")
        return ReportValue::OfInteger(RowCount());
    if (name == "CurrentDate")
        return ReportValue::OfTime(now_);
    if (name == kPageVariable)
        return ReportValue::OfInteger(pages.Page);
    if (name == kTotalPagesVariable)
        return ReportValue::OfInteger(pages.Total);
    if (name.size() == 2)
        return LineValue(name);
    if (!row || *row >= RowCount())
        return {};
    return RowValue(name, *list_.Item(rows_[*row]));
}

ReportValue ReportVariables::LineValue(std::string_view name) const {
    if (name[1] < '1' || name[1] > '9')
        return {};
    const uint32_t k = static_cast<uint32_t>(name[1] - '0');
    const MeterParams& lines = doc_.Params();
    const uint32_t count = std::min<uint32_t>(lines.LineCount, kMaxLines);
    if ((name[0] == 'A' || name[0] == 'B') && k <= kReportLines) {
        if (k > count)
            return {};
        return ReportValue::OfReal(name[0] == 'A' ? lines.A[k - 1] : lines.B[k - 1]);
    }
    if (name[0] == 'F' && k < kReportLines) {
        if (k + 1 > count)
            return {};
        return ReportValue::OfReal(lines.Fmax[k - 1]);
    }
    return {};
}

ReportValue ReportVariables::RowValue(std::string_view name, const MeasurementRecord& r) const {
    struct RealField {
        std::string_view Name;
        double MeasurementRecord::*Field;
        double Scale;
    };
    static constexpr RealField kReals[] = {
        {"EtalonMass", &MeasurementRecord::EtalonMass, 1},
        {"EtalonVolume", &MeasurementRecord::EtalonVolume, 1},
        {"Temperature", &MeasurementRecord::Temperature, 1},
        {"EtalonTime", &MeasurementRecord::EtalonTime, 1},
        {"EtalonFlow", &MeasurementRecord::EtalonFlow, 1},
        {"MeasuredTime", &MeasurementRecord::MeasuredTime, 1},
        {"MeasuredFrequency", &MeasurementRecord::MeasuredFrequency, 1},
        {"MeasuredFlow", &MeasurementRecord::MeasuredFlow, 1},
        {"FlowDeviation", &MeasurementRecord::FlowDeviation, 100},
        {"ComparedVolume", &MeasurementRecord::ComparedVolume, 1},
        {"VolumeDeviation", &MeasurementRecord::VolumeDeviation, 100},
    };
    for (const RealField& f : kReals)
        if (name == f.Name)
            return ReportValue::OfReal(r.*f.Field * f.Scale);
    if (name == "Line")
        return ReportValue::OfInteger(int64_t{r.Line} + 1);
    if (name == "Section")
        return ReportValue::OfInteger(int64_t{r.Section} + 1);
    if (name == "MeasuredPulses")
        return ReportValue::OfInteger(r.MeasuredPulses);
    if (name == "ComparedPulses")
        return ReportValue::OfInteger(r.ComparedPulses);
    return {};
}

bool IsReportVariable(std::string_view name) {
    static constexpr std::string_view kNames[] = {"ApproxDescr",
                                                  "SerNo",
                                                  "Du",
                                                  "DevType",
                                                  "Tpriv",
                                                  "NumOfRecords",
                                                  "CurrentDate",
                                                  "A1",
                                                  "A2",
                                                  "A3",
                                                  "A4",
                                                  "A5",
                                                  "B1",
                                                  "B2",
                                                  "B3",
                                                  "B4",
                                                  "B5",
                                                  "F1",
                                                  "F2",
                                                  "F3",
                                                  "F4",
                                                  "Line",
                                                  "Section",
                                                  "EtalonMass",
                                                  "EtalonVolume",
                                                  "Temperature",
                                                  "EtalonTime",
                                                  "EtalonFlow",
                                                  "MeasuredPulses",
                                                  "MeasuredTime",
                                                  "MeasuredFrequency",
                                                  "MeasuredFlow",
                                                  "FlowDeviation",
                                                  "ComparedPulses",
                                                  "ComparedVolume",
                                                  "VolumeDeviation",
                                                  kPageVariable,
                                                  kTotalPagesVariable};
    static_assert(std::size(kNames) == 38);
    return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

bool IsNumberFormat(std::string_view format) {
    return ParseFormat(format).has_value();
}

std::string FormatReportValue(const ReportValue& value, std::string_view format) {
    using Kind = ReportValue::Kind;
    if (value.Type == Kind::Integer || value.Type == Kind::Real) {
        const double number =
            value.Type == Kind::Integer ? static_cast<double>(value.Integer) : value.Real;
        if (const std::optional<NumberFormat> f = ParseFormat(format))
            return FormatNumber(number, *f);
        if (value.Type == Kind::Integer)
            return std::to_string(value.Integer);
        return FormatNumber(number, NumberFormat{.Precision = 10});
    }
    switch (value.Type) {
    case Kind::Text:
        return value.Text;
    case Kind::DateTime:
        return FormatTime(value.Time);
    default:
        return " ";
    }
}
