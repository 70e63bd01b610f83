// Report templates: HTML pages with fields, a repeated band and optional page
// headers and footers, read into pieces the report builder fills.
//
// Syntax (the templates shipped with the program describe it at their top):
//  - [Name] is replaced by the value of the report variable Name; [Name:%.2f]
//    formats a number (see IsNumberFormat). Names consist of Latin letters,
//    digits, '_' and '#'. [[ writes a literal '['.
//  - <!--band--> … <!--/band--> is written once per row of the report, with
//    the row variables of that row; there may be several bands, not nested.
//  - <!--pageheader--> … <!--/pageheader--> and <!--pagefooter--> …
//    <!--/pagefooter--> are cut out of the page and drawn at the top and the
//    bottom of every page, where [PAGE#] and [TOTALPAGES] are most at home.
//  - Other HTML comments are dropped; fields inside them are not read.
//  - The first <style> element also styles the page header and footer.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ReportPiece {
    std::string Text;   // literal HTML, or the field's name
    std::string Format; // a field's number format; empty: the default
    bool Field = false;
    bool operator==(const ReportPiece&) const = default;
};
using ReportPieces = std::vector<ReportPiece>;

struct ReportBlock {
    ReportPieces Pieces;
    bool Band = false; // repeated once per row
};

struct ReportTemplate {
    std::string StyleSheet;
    ReportPieces PageHeader, PageFooter;
    std::vector<ReportBlock> Body;
};

// Reads a template. nullopt for a damaged one — an unclosed comment or field,
// a field with a bad name or format, a marker out of place or left open — with
// the reason and its line in *error when error is given.
std::optional<ReportTemplate> ParseReportTemplate(std::string_view text,
                                                  std::string* error = nullptr);
