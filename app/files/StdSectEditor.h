// The rules of the window "Стандартные прямые" (TStdSectDlg), which edits
// the standard partition table in place: showing an entry, "Сохранить", and
// dragging the breaks of the five lines in the grid.
//
// The grid has the header row "Q1" … "Q7" (columns 1 … 7) and one row per
// line (rows 1 … 5). Column c stands for section c − 1, so the break b (the
// section where one line ends and the next begins) sits in column b + 1.
// With the usual breaks among the sections 1 … 5 exactly one of those
// sections is no boundary: four lines span two sections and one spans three.
#pragma once

#include "document/StdSect.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

using StdSectBreaks = std::array<int32_t, 4>;

inline constexpr int kStdSectGridColumns = 8; // header column and Q1 … Q7
inline constexpr int kStdSectGridRows = 6;    // header row and lines 1 … 5

// The texts of the three edits: hmax (h, %), бmax (δ, %) and Tприв (°C).
struct StdSectEdits {
    std::string HMax;
    std::string DeltaMax;
    std::string Tpriv;
    bool operator==(const StdSectEdits&) const = default;
};

// The first and last grid column (inclusive) of line `row` (1 … 5) under
// the breaks: line 1 runs from Q1 to the first break, line r from break r−1
// to break r, line 5 from the last break to Q7.
struct ColumnSpan {
    int64_t First;
    int64_t Last;
};
ColumnSpan LineColumns(const StdSectBreaks& breaks, int row);

// The breaks while a drag that started in column start (over a break) is
// over column: derived from the breaks saved at the start, so one gesture
// moves them by at most one column and coming back restores them. Dragging
// towards the section that is no boundary shifts the dragged break and every
// break between it and that section by one column towards it.
StdSectBreaks DraggedBreaks(const StdSectBreaks& saved, int start, int column);

class StdSectEditor {
public:
    // Opens on the first diameter (Du index 0), whatever the main window has
    // selected.
    explicit StdSectEditor(StdSectTable& table);

    // DuComboChange and the type list's change: shows the entry of duIndex
    // (-1: nothing selected). A defined entry shows δ·100, h·100 and Tприв
    // ("%.2lf") and its breaks; otherwise the edits are empty and the breaks
    // {1, 2, 3, 4}. Returns the edits' texts.
    StdSectEdits Show(int duIndex);
    int DuIndex() const { return duIndex_; }

    // "Сохранить" with the edits' texts: the first ',' of each becomes '.'.
    // With a Du selected and 0 < δ < 10, 0 < h < 10 (per cent) and 0.5 <
    // Tприв < 30 the entry takes δ/100, h/100, Tприв and the edited breaks
    // and becomes defined; otherwise "Введено неверное/недопустимое
    // значение" is shown and nothing is stored. Returns what the edits show
    // now: the entry again after a save, the texts with the point after a
    // refusal. saved tells which.
    StdSectEdits Save(const StdSectEdits& typed, bool* saved = nullptr);

    // The breaks being edited (saved into the entry only by Save).
    const StdSectBreaks& Breaks() const { return breaks_; }
    // LinesGridDrawCell: whether the data cell (column, row) is filled with
    // the colour of line row.
    bool CellFilled(int column, int row) const;
    // Whether the column holds a break: the split cursor while not dragging,
    // and where a drag may start.
    bool IsBreakColumn(int column) const;

    // LinesGridMouseDown: starts a drag over a break column (any button);
    // true when it started.
    bool MouseDown(int column);
    // LinesGridMouseMove: while dragging, moves the breaks for the column;
    // true when the grid must be repainted.
    bool MouseMove(int column);
    // LinesGridMouseUp: the drag ends; its breaks stay edited.
    void MouseUp();
    bool Dragging() const { return dragging_; }

private:
    StdSectTable& table_;
    int duIndex_ = 0;
    StdSectBreaks breaks_ = kDefaultBreaks;
    StdSectBreaks saved_ = kDefaultBreaks;
    int dragColumn_ = 0;
    bool dragging_ = false;
};
