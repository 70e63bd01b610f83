#include "files/StdSectEditor.h"

#include "document/Messages.h"
#include "document/Numbers.h"

#include <algorithm>
#include <optional>

namespace {

constexpr const char* kInvalidText = "Введено неверное/недопустимое значение";

// Exclusive bounds of the edits: δ and h in per cent, Tприв in °C.
constexpr double kMaxLimitPercent = 10.0;
constexpr double kMinTpriv = 0.5;
constexpr double kMaxTpriv = 30.0;

constexpr int kFirstSectionColumn = 1;
constexpr int kLastSectionColumn = 7;
constexpr int kLineRows = 5;

std::string ShowNumber(double value) {
    return FormatFixed(value, 2);
}

// The grid column of a break; wide, since a damaged file may hold any value.
int64_t ColumnOf(int32_t breakSection) {
    return int64_t{breakSection} + 1;
}

} // namespace

ColumnSpan LineColumns(const StdSectBreaks& breaks, int row) {
    const int64_t first = row == 1 ? kFirstSectionColumn : ColumnOf(breaks[row - 2]);
    const int64_t last = row == kLineRows ? kLastSectionColumn : ColumnOf(breaks[row - 1]);
    return {first, last};
}

StdSectBreaks DraggedBreaks(const StdSectBreaks& saved, int start, int column) {
    // The breaks that still sit at their lowest places (1, 2, …) end where
    // the section that is no boundary begins.
    int lowest = 0;
    while (lowest < static_cast<int>(saved.size()) && saved[lowest] == lowest + 1)
        ++lowest;
    const int free = 1 + lowest;
    StdSectBreaks moved = saved;
    if (column < start && free + 1 < start) {
        for (int32_t& b : moved)
            if (b > free && b <= start - 1)
                --b;
    } else if (column > start && free + 1 > start) {
        for (int32_t& b : moved)
            if (b >= start - 1 && b < free)
                ++b;
    }
    return moved;
}

StdSectEditor::StdSectEditor(StdSectTable& table) : table_(table) {
    Show(0);
}

StdSectEdits StdSectEditor::Show(int duIndex) {
    duIndex_ = duIndex >= 0 && duIndex < static_cast<int>(table_.size()) ? duIndex : -1;
    dragging_ = false;
    if (duIndex_ < 0 || !table_[duIndex_].IsDefined()) {
        breaks_ = kDefaultBreaks;
        return {};
    }
    const StdSect& entry = table_[duIndex_];
    breaks_ = entry.Breaks;
    return {ShowNumber(entry.SpreadLimit * 100.0), ShowNumber(entry.ErrorLimit * 100.0),
            ShowNumber(entry.Tpriv)};
}

StdSectEdits StdSectEditor::Save(const StdSectEdits& typed, bool* saved) {
    const StdSectEdits texts{CommaToPoint(typed.HMax), CommaToPoint(typed.DeltaMax),
                             CommaToPoint(typed.Tpriv)};
    const std::optional<double> delta = ReadReal(texts.DeltaMax);
    const std::optional<double> h = ReadReal(texts.HMax);
    const std::optional<double> tpriv = ReadReal(texts.Tpriv);
    const bool valid = duIndex_ >= 0 && delta && h && tpriv && *delta > 0.0 &&
                       *delta<kMaxLimitPercent&& * h> 0.0 &&
                       *h<kMaxLimitPercent&& * tpriv> kMinTpriv && *tpriv < kMaxTpriv;
    if (saved)
        *saved = valid;
    if (!valid) {
        ShowError(kInvalidText);
        return texts;
    }
    StdSect& entry = table_[duIndex_];
    entry.ErrorLimit = *delta * 0.01;
    entry.SpreadLimit = *h * 0.01;
    entry.Tpriv = *tpriv;
    entry.Breaks = breaks_;
    entry.Flags |= kStdSectDefined;
    return Show(duIndex_);
}

bool StdSectEditor::CellFilled(int column, int row) const {
    if (row < 1 || row > kLineRows)
        return false;
    const ColumnSpan span = LineColumns(breaks_, row);
    return column >= span.First && column <= span.Last;
}

bool StdSectEditor::IsBreakColumn(int column) const {
    return std::any_of(breaks_.begin(), breaks_.end(),
                       [column](int32_t b) { return ColumnOf(b) == column; });
}

bool StdSectEditor::MouseDown(int column) {
    if (!IsBreakColumn(column))
        return false;
    dragging_ = true;
    dragColumn_ = column;
    saved_ = breaks_;
    return true;
}

bool StdSectEditor::MouseMove(int column) {
    if (!dragging_)
        return false;
    breaks_ = DraggedBreaks(saved_, dragColumn_, column);
    return true;
}

void StdSectEditor::MouseUp() {
    dragging_ = false;
}
