#include "files/ManualCoefficients.h"

#include "document/Messages.h"
#include "document/Numbers.h"

namespace {

constexpr const char* kBadValueText = "Неверное значение параметра";

// Sets an edit's text for its new state: emptied when disabled, the table's
// value when it becomes enabled (or on opening), else what was typed.
void ShowEdit(std::string& text, bool enabled, bool wasEnabled, bool byClick, double value,
              int decimals) {
    if (!enabled)
        text.clear();
    else if (!byClick || !wasEnabled)
        text = FormatFixed(value, decimals);
}

} // namespace

ManualCoefficients::ManualCoefficients(uint32_t maxLines, bool bAllowed, LineTable& lines)
    : maxLines_(maxLines), bAllowed_(bAllowed), lines_(lines) {
    ShowLineRows(lines.LineCount, false);
}

void ManualCoefficients::ShowLineRows(uint32_t n, bool byClick) {
    for (int i = 1; i <= kManualLineRows; ++i) {
        ManualCoeffRow& row = rows_[i - 1];
        const ManualCoeffRow was = row;
        const auto line = static_cast<uint32_t>(i);
        row.CheckEnabled = line <= maxLines_;
        row.Checked = line <= n;
        row.AEnabled = line <= n;
        row.BEnabled = bAllowed_ && line <= n;
        row.FEnabled = i <= kManualFrequencyRows && line < n;
        ShowEdit(texts_.A[i - 1], row.AEnabled, was.AEnabled, byClick, lines_.A[i - 1], 6);
        ShowEdit(texts_.B[i - 1], row.BEnabled, was.BEnabled, byClick, lines_.B[i - 1], 6);
        if (i <= kManualFrequencyRows)
            ShowEdit(texts_.F[i - 1], row.FEnabled, was.FEnabled, byClick, lines_.Fmax[i - 1], 3);
    }
}

void ManualCoefficients::LineCheckClick(int row, bool checked, const ManualCoeffTexts& typed) {
    if (row < 1 || row > kManualLineRows)
        return;
    texts_ = typed;
    ShowLineRows(static_cast<uint32_t>(row - 1 + (checked ? 1 : 0)), true);
}

std::optional<ManualCoeffEdit> ManualCoefficients::ApplyBtnClick(const ManualCoeffTexts& typed) {
    for (size_t i = 0; i < kManualLineRows; ++i) {
        texts_.A[i] = CommaToPoint(typed.A[i]);
        texts_.B[i] = CommaToPoint(typed.B[i]);
    }
    for (size_t i = 0; i < kManualFrequencyRows; ++i)
        texts_.F[i] = CommaToPoint(typed.F[i]);

    std::array<double, kManualLineRows> a{}, b{}, f{};
    // The value of an edit within [minimum, maximum], or the edit to blame.
    std::optional<ManualCoeffEdit> bad;
    const auto read = [&](const std::string& text, double minimum, double maximum,
                          ManualCoeffEdit edit, double& out) {
        const std::optional<double> value = ReadReal(text);
        if (!value || *value < minimum || *value > maximum) {
            bad = edit;
            return false;
        }
        out = *value;
        return true;
    };
    uint32_t m = 0;
    for (int i = 1; i <= kManualLineRows && rows_[i - 1].Checked; ++i) {
        if (i >= 2) {
            const double minimum = i == 2 ? kMinManualF1 : kMinFrequencyStep * f[i - 3];
            if (!read(texts_.F[i - 2], minimum, kMaxManualF, {ManualCoeffField::F, i - 1},
                      f[i - 2]))
                break;
        }
        if (!read(texts_.A[i - 1], kMinManualA, kMaxManualA, {ManualCoeffField::A, i}, a[i - 1]))
            break;
        if (bAllowed_ &&
            !read(texts_.B[i - 1], kMinManualB, kMaxManualB, {ManualCoeffField::B, i}, b[i - 1]))
            break;
        ++m;
    }
    if (bad) {
        ShowError(kBadValueText);
        return bad;
    }
    lines_.LineCount = m;
    for (uint32_t j = 0; j < m; ++j) {
        lines_.A[j] = a[j];
        lines_.B[j] = b[j];
        lines_.Fmax[j] = j + 1 < m ? f[j] : kOpenEnd;
    }
    return std::nullopt;
}
