// Filling a report template with the document's values: the part of "Отчет"
// that needs no printer.
#pragma once

#include "charts/ReportTemplate.h"
#include "charts/ReportValues.h"
#include "document/CalibrationDocument.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

// A filled report: HTML for the page body and for the header and footer of
// every page. The page variables are left as page marks that FillPageFields
// replaces once the pages are known.
struct ExpandedReport {
    std::string StyleSheet;
    std::string PageHeader, Body, PageFooter;
};

// Fills the template: every field with its variable's value (texts escaped
// for HTML), every band once per row of the report with that row's values —
// not at all for an empty report list.
ExpandedReport ExpandReport(const ReportTemplate& report, const ReportVariables& variables);

// The page marks in html, replaced by this page's number and the page count
// in their fields' formats.
std::string FillPageFields(std::string_view html, PageNumbers pages);
// Page marks run from kPageMarkOpen to kPageMarkClose (two characters of the
// Unicode private use area, which no template writes); a renderer that must
// find them in laid-out text searches for these.
inline constexpr std::string_view kPageMarkOpen = "\xEE\x80\x80";  // U+E000
inline constexpr std::string_view kPageMarkClose = "\xEE\x80\x81"; // U+E001

// The template of a mode: "GradRpt.frf" for calibration, "PovRpt.frf" for
// verification.
const char* ReportTemplateName(int32_t mode);

// Where the template of a mode is taken from, given the program's folder:
// beside the program (the build tree, a program folder copied as a whole,
// a template an operator put there), else in ../share/lgmservice from it,
// where an installed program keeps its data. The first of the two that
// exists; the one beside the program when neither does.
std::string ReportTemplatePath(const std::string& programFolder, int32_t mode);

// Reads and parses a template file. nullopt when it cannot be read or is
// damaged, with the reason in *error when error is given.
std::optional<ReportTemplate> LoadReportTemplate(const std::string& path,
                                                 std::string* error = nullptr);

// The operator's text for a template that is missing or damaged.
inline constexpr const char* kNoReportTemplateText = "Не найден файл параметров отчета";

// "Отчет": the report of the document's mode, filled from the mode's
// template found from folder, the program's folder (ReportTemplatePath).
// nullopt after showing "Не найден файл параметров отчета" when the template
// is missing or damaged.
std::optional<ExpandedReport> RepBtnClick(const CalibrationDocument& doc, const std::string& folder,
                                          std::time_t now);
