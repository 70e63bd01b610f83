#include "charts/ReportTemplate.h"

#include "charts/ReportValues.h"

#include <algorithm>
#include <cctype>

namespace {

enum class Section { Body, Band, PageHeader, PageFooter };

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '#';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string lower(s);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The contents of the first <style> element, or empty.
std::string StyleSheetOf(std::string_view text) {
    const std::string lower = Lower(text);
    const size_t open = lower.find("<style");
    if (open == std::string::npos)
        return {};
    const size_t start = lower.find('>', open);
    const size_t end = lower.find("</style", start);
    if (start == std::string::npos || end == std::string::npos)
        return {};
    return std::string(text.substr(start + 1, end - start - 1));
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<ReportTemplate> Run(std::string* error) {
        result_.StyleSheet = StyleSheetOf(text_);
        result_.Body.emplace_back();
        while (pos_ < text_.size()) {
            const bool ok = text_.compare(pos_, 4, "<!--") == 0 ? Comment()
                            : text_[pos_] == '['                ? Field()
                                                                : Literal();
            if (!ok)
                return Fail(error);
        }
        if (section_ != Section::Body) {
            reason_ = "a section or band is not closed";
            return Fail(error);
        }
        std::erase_if(result_.Body,
                      [](const ReportBlock& b) { return b.Pieces.empty() && !b.Band; });
        return std::move(result_);
    }

private:
    ReportPieces& Target() {
        switch (section_) {
        case Section::PageHeader:
            return result_.PageHeader;
        case Section::PageFooter:
            return result_.PageFooter;
        default:
            return result_.Body.back().Pieces;
        }
    }

    void AddText(std::string_view text) {
        ReportPieces& pieces = Target();
        if (pieces.empty() || pieces.back().Field)
            pieces.push_back({});
        pieces.back().Text += text;
    }

    bool Literal() {
        const size_t next = std::min(text_.find('[', pos_), text_.find("<!--", pos_));
        const size_t end = next == std::string_view::npos ? text_.size() : next;
        AddText(text_.substr(pos_, end - pos_));
        pos_ = end;
        return true;
    }

    bool Field() {
        if (text_.compare(pos_, 2, "[[") == 0) {
            AddText("[");
            pos_ += 2;
            return true;
        }
        const size_t close = text_.find(']', pos_);
        const size_t lineEnd = text_.find('\n', pos_);
        if (close == std::string_view::npos || close > lineEnd) {
            reason_ = "a field is not closed by ']'";
            return false;
        }
        const std::string_view inside = text_.substr(pos_ + 1, close - pos_ - 1);
        const size_t colon = inside.find(':');
        const std::string_view name = inside.substr(0, colon);
        const std::string_view format =
            colon == std::string_view::npos ? std::string_view() : inside.substr(colon + 1);
        if (name.empty() || !std::all_of(name.begin(), name.end(), IsNameChar)) {
            reason_ = "a field has no valid name";
            return false;
        }
        if (colon != std::string_view::npos && !IsNumberFormat(format)) {
            reason_ = "a field has a format that is not a number format";
            return false;
        }
        Target().push_back({std::string(name), std::string(format), true});
        pos_ = close + 1;
        return true;
    }

    bool Comment() {
        const size_t close = text_.find("-->", pos_ + 4);
        if (close == std::string_view::npos) {
            reason_ = "a comment is not closed";
            return false;
        }
        const std::string_view inside = Trim(text_.substr(pos_ + 4, close - pos_ - 4));
        pos_ = close + 3;
        if (inside == "band")
            return Enter(Section::Band);
        if (inside == "pageheader")
            return Enter(Section::PageHeader);
        if (inside == "pagefooter")
            return Enter(Section::PageFooter);
        if (inside == "/band")
            return Leave(Section::Band);
        if (inside == "/pageheader")
            return Leave(Section::PageHeader);
        if (inside == "/pagefooter")
            return Leave(Section::PageFooter);
        return true;
    }

    bool Enter(Section section) {
        if (section_ != Section::Body) {
            reason_ = "a band or section starts inside another";
            return false;
        }
        if (section == Section::Band)
            result_.Body.push_back({{}, true});
        section_ = section;
        return true;
    }

    bool Leave(Section section) {
        if (section_ != section) {
            reason_ = "a band or section ends that was not started";
            return false;
        }
        if (section == Section::Band)
            result_.Body.emplace_back();
        section_ = Section::Body;
        return true;
    }

    std::nullopt_t Fail(std::string* error) const {
        if (error) {
            const size_t line = 1 + std::count(text_.begin(), text_.begin() + pos_, '\n');
            *error = "line " + std::to_string(line) + ": " + reason_;
        }
        return std::nullopt;
    }

    std::string_view text_;
    size_t pos_ = 0;
    Section section_ = Section::Body;
    ReportTemplate result_;
    std::string reason_;
};

} // namespace

std::optional<ReportTemplate> ParseReportTemplate(std::string_view text, std::string* error) {
    return Parser(text).Run(error);
}
