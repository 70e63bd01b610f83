#include "charts/ReportBuilder.h"

#include "document/Messages.h"
#include "files/FileIo.h"

#include <fstream>

namespace {

// Templates are pages of a few kilobytes; anything far larger is not one.
constexpr std::streamsize kMaxTemplateSize = 4 << 20;

// The separator between a page mark's name and its format.
constexpr char kMarkFormat = '|';

// The installed program's data, relative to the folder of its executable.
constexpr const char* kSharedDataFolder = "../share/lgmservice";

void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
}

bool IsPageVariable(std::string_view name) {
    return name == kPageVariable || name == kTotalPagesVariable;
}

std::string Fill(const ReportPieces& pieces, const ReportVariables& variables,
                 std::optional<uint32_t> row) {
    std::string out;
    for (const ReportPiece& piece : pieces) {
        if (!piece.Field) {
            out += piece.Text;
        } else if (IsPageVariable(piece.Text)) {
            out += kPageMarkOpen;
            out += piece.Text;
            out += kMarkFormat;
            out += piece.Format;
            out += kPageMarkClose;
        } else {
            AppendEscaped(out, FormatReportValue(variables.Value(piece.Text, row), piece.Format));
        }
    }
    return out;
}

} // namespace

ExpandedReport ExpandReport(const ReportTemplate& report, const ReportVariables& variables) {
    ExpandedReport out;
    out.StyleSheet = report.StyleSheet;
    out.PageHeader = Fill(report.PageHeader, variables, std::nullopt);
    out.PageFooter = Fill(report.PageFooter, variables, std::nullopt);
    for (const ReportBlock& block : report.Body) {
        if (!block.Band) {
            out.Body += Fill(block.Pieces, variables, std::nullopt);
            continue;
        }
        for (uint32_t row = 0; !variables.RepDatasetCheckEOF(row); ++row)
            out.Body += Fill(block.Pieces, variables, row);
    }
    return out;
}

std::string FillPageFields(std::string_view html, PageNumbers pages) {
    std::string out;
    size_t pos = 0;
    for (;;) {
        const size_t open = html.find(kPageMarkOpen, pos);
        const size_t close = open == std::string_view::npos
                                 ? std::string_view::npos
                                 : html.find(kPageMarkClose, open + kPageMarkOpen.size());
        if (close == std::string_view::npos)
            break;
        out += html.substr(pos, open - pos);
        const std::string_view mark =
            html.substr(open + kPageMarkOpen.size(), close - open - kPageMarkOpen.size());
        const size_t bar = mark.find(kMarkFormat);
        const std::string_view name = mark.substr(0, bar);
        const std::string_view format =
            bar == std::string_view::npos ? std::string_view() : mark.substr(bar + 1);
        const int number = name == kPageVariable ? pages.Page : pages.Total;
        out += FormatReportValue(ReportValue::OfInteger(number), format);
        pos = close + kPageMarkClose.size();
    }
    out += html.substr(pos);
    return out;
}

const char* ReportTemplateName(int32_t mode) {
    return mode == WorkMode::Verification ? "PovRpt.frf" : "GradRpt.frf";
}

std::string ReportTemplatePath(const std::string& programFolder, int32_t mode) {
    const char* name = ReportTemplateName(mode);
    const std::string beside = JoinPath(programFolder, name);
    const std::string shared = JoinPath(JoinPath(programFolder, kSharedDataFolder), name);
    return !PathExists(beside) && PathExists(shared) ? shared : beside;
}

std::optional<ReportTemplate> LoadReportTemplate(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot be opened";
        return std::nullopt;
    }
    std::string text;
    text.resize(static_cast<size_t>(kMaxTemplateSize) + 1);
    in.read(text.data(), kMaxTemplateSize + 1);
    // A short read that did not end at the end of the file is a failed one (a
    // folder, an I/O error).
    if (in.gcount() > kMaxTemplateSize || !in.eof()) {
        if (error)
            *error = in.gcount() > kMaxTemplateSize ? "is too large for a report template"
                                                    : "cannot be read";
        return std::nullopt;
    }
    text.resize(static_cast<size_t>(in.gcount()));
    return ParseReportTemplate(text, error);
}

std::optional<ExpandedReport> RepBtnClick(const CalibrationDocument& doc, const std::string& folder,
                                          std::time_t now) {
    const std::optional<ReportTemplate> report =
        LoadReportTemplate(ReportTemplatePath(folder, doc.Settings().Mode));
    if (!report) {
        ShowError(kNoReportTemplateText);
        return std::nullopt;
    }
    return ExpandReport(*report, ReportVariables(doc, now));
}
