// The report variables: the values a report template asks for by name, and
// how they are written into the report.
#pragma once

#include "document/CalibrationDocument.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A variable's answer: a number, a text or a date and time. Blank is the
// single space given for unknown names, unused lines and row variables
// asked outside a row.
struct ReportValue {
    enum class Kind { Blank, Integer, Real, Text, DateTime };
    Kind Type = Kind::Blank;
    int64_t Integer = 0;
    double Real = 0.0;
    std::string Text;
    std::time_t Time = 0;

    static ReportValue OfInteger(int64_t value);
    static ReportValue OfReal(double value);
    static ReportValue OfText(std::string value);
    static ReportValue OfTime(std::time_t value);
    bool operator==(const ReportValue&) const = default;
};

// Page numbers while a page is filled; 0 outside pagination.
struct PageNumbers {
    int Page = 0;  // this page, from 1
    int Total = 0; // pages of the report
};

// Names of the page variables; the renderer fills them page by page.
inline constexpr std::string_view kPageVariable = "PAGE#";
inline constexpr std::string_view kTotalPagesVariable = "TOTALPAGES";

// The variables of one report: the document's settings and characteristic,
// and one row per enabled record of the report list — the calibration list in
// calibration mode, the verification list in verification mode. The document
// must outlive the object and stay unchanged while it is used.
class ReportVariables {
public:
    ReportVariables(const CalibrationDocument& doc, std::time_t now);

    // Rows of the report: the enabled records of the report list.
    uint32_t RowCount() const { return static_cast<uint32_t>(rows_.size()); }
    // RepDatasetCheckEOF: the rows end at RowCount.
    bool RepDatasetCheckEOF(uint32_t row) const { return row >= RowCount(); }

    // CalibrN3ReportGetValue: the value of a variable by its exact
    // (case-sensitive) name, for a row when one is being filled.
    ReportValue Value(std::string_view name, std::optional<uint32_t> row = std::nullopt,
                      PageNumbers pages = {}) const;

private:
    ReportValue RowValue(std::string_view name, const MeasurementRecord& r) const;
    ReportValue LineValue(std::string_view name) const;

    const CalibrationDocument& doc_;
    const TZorDataList& list_;
    std::vector<uint32_t> rows_; // positions of the enabled records
    std::time_t now_;
};

// Whether name is one of the 38 variables the program answers.
bool IsReportVariable(std::string_view name);

// Whether text is a number format a field may carry: one conversion
// %[flags][width][.precision]type with flags from "-+ 0", width and precision
// of at most two digits and type d, i, f, F, e, E, g or G.
bool IsNumberFormat(std::string_view format);

// The value as the report shows it. A number takes the field's format (%d
// rounds a real to the nearest whole number, %f prints an integer as a real);
// without one, integers are printed whole and reals with up to ten
// significant digits. Texts, dates and blanks ignore the format: a date is
// "dd.mm.yyyy hh:mm" in local time, a blank one space. The decimal point is
// always '.'. An invalid format counts as none.
std::string FormatReportValue(const ReportValue& value, std::string_view format = {});
