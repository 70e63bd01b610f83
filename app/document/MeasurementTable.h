// The rules of the measurement table: which columns the current mode, method
// and meter type show, what each cell says and how it is coloured, where the
// cursor may go, how a typed text is stored and what it renews, and the
// table's context menu.
//
// Rows here are data rows: row r is the record at position r of the current
// list (the grid's header row is separate). An empty list still shows one
// empty row that accepts typing and stores nothing.
//
// The table keeps no copy of the measurements: every answer is read from the
// document's current list at the moment it is asked, in constant time per
// cell, so a view can ask for exactly the cells it paints.
#pragma once

#include "document/Datalist.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class CalibrationDocument;

// Column kinds; the value is the kind's number.
enum class ColumnKind : int {
    EtalonMass = 1,        // "Mэт, кг"
    Temperature = 2,       // "Tизм, °C"
    EtalonVolume = 3,      // "Vэт, л"
    EtalonTime = 4,        // "tq, с"
    MeasuredPulses = 5,    // "N1, имп"
    MeasuredTime = 6,      // "t1, с"
    EtalonFlow = 7,        // "Qэт, м3/час"
    MeasuredFrequency = 8, // "Fиэм, Гц"
    FlowDeviation = 9,     // "бQ, %"
    ComparedPulses = 10,   // "N2, имп"
    ComparedVolume = 11,   // "Vизм, л"
    VolumeDeviation = 12,  // "бV, %"
    Section = 13,          // "№ сечения"
    Line = 14,             // "№ прямой"
};

struct TableColumn {
    ColumnKind Kind;
    const char* Header;
    int FieldId;   // the record field shown (FieldId)
    bool Editable; // in the current configuration; also whether it is a tab stop
};

// Every column is this wide after each layout change; rows are this high.
inline constexpr int kTableColumnWidth = 69;
inline constexpr int kTableRowHeight = 18;

struct Rgb {
    uint8_t R, G, B;
    bool operator==(const Rgb&) const = default;
};

// Row fills by line or section number modulo 4, the fill of switched-off
// records, and the two text colours.
inline constexpr Rgb kRowFills[4] = {
    {240, 255, 240}, {255, 240, 240}, {240, 255, 255}, {255, 255, 240}};
inline constexpr Rgb kDisabledFill{160, 160, 164};
inline constexpr Rgb kNormalText{0, 0, 0};
inline constexpr Rgb kOverLimitText{255, 0, 0};

// How one cell is painted. Without a record the view keeps its own fill.
struct TableCell {
    std::string Text; // right-aligned, vertically centred
    Rgb Fill{255, 255, 255};
    Rgb TextColor = kNormalText;
    bool HasRecord = false;
};

// Which items of the context menu are enabled.
struct TableMenuState {
    bool Add = true;    // "Добавить измерение" (Ctrl+Ins)
    bool Remove = true; // "Удалить измерение" (Ctrl+Del)
    bool Sort = true;   // "Cортировать по Q"
    bool Mark = true;   // "Поставить/удалить точку"
    bool OnOff = true;  // "Включить/отключить"
    bool operator==(const TableMenuState&) const = default;
};

// Menu item tags of the colouring choice.
inline constexpr int kColorizeSectionsTag = 100;
inline constexpr int kColorizeLinesTag = 101;

class MeasurementTable {
public:
    explicit MeasurementTable(CalibrationDocument& document) : document_(document) {}
    MeasurementTable(const MeasurementTable&) = delete;
    MeasurementTable& operator=(const MeasurementTable&) = delete;

    // --- Layout -----------------------------------------------------------
    // 2 × Mode + Method: 0 calibration by volume, 1 by mass, 2 verification by
    // volume, 3 by mass.
    int Configuration() const;
    // The columns left to right. In calibration with a type of the other
    // family "№ сечения" and "№ прямой" are left out.
    std::span<const TableColumn> Columns() const;
    int ColumnCount() const { return static_cast<int>(Columns().size()); }
    // Count of the current list, or 1 (the empty row) when it is empty.
    int RowCount() const;
    bool HasRecord(int row) const;

    // --- Painting (MainTblDrawCell) ----------------------------------------
    // The text, fill and text colour of a cell. "№ сечения" is empty for a
    // switched-off record and carries " *" for a break mark; "бQ, %" is red
    // when |FlowDeviation| exceeds ErrorLimit (equal stays black); the fill is
    // grey for a switched-off record, else by Line (ColorByLines) or Section
    // modulo 4.
    TableCell Cell(int row, int column) const;
    // Just the text of Cell.
    std::string CellText(int row, int column) const;

    // --- Editing -----------------------------------------------------------
    // Whether the grid's cells are editable at all: false while measurements
    // come from the rig.
    bool Editable() const;
    // MainTblSelectCell: whether a cell of the column may take the cursor
    // (only editable kinds; the row plays no part).
    bool CanSelectCell(int column) const;
    // MainTblGetEditText: the editor's start text, the cell's shown text; empty
    // for a row without a record.
    std::string EditText(int row, int column) const;
    // MainTblSetEditText, called with the editor's whole text at every
    // keystroke: stores the number the text starts with ("%lf", or "%d" for
    // pulse counts; unreadable text stores 0) in the record and renews the
    // quantities that depend on it. Returns true when a record was written
    // (the view then repaints that row); false for a row without a record or
    // a column that is not editable. Constant time: only the row's record is
    // touched.
    bool SetEditText(int row, int column, std::string_view text);

    // --- Context menu (MainTblContextPopup and its commands) ----------------
    // Opens the menu over a data row (-1: the header or outside the rows):
    // selects the record under it (the view makes that cell current) and
    // returns which items are enabled. Shortcuts act on what the last opening
    // left (before the first: nothing selected, everything enabled).
    TableMenuState ContextPopup(int row);
    const TableMenuState& MenuEnabling() const { return menu_; }
    // The record on which the menu was last opened, or -1.
    int SelectedRecord() const { return selected_; }

    // "Добавить измерение": appends a new measurement (20 °C, all else 0).
    void AddItemClick();
    // "Удалить измерение": removes the record of the current row, when the
    // menu left a record selected and the row holds a record. No question.
    void RemItemClick(int currentRow);
    // "Cортировать по Q": ascending reference flow.
    void SortItemClick();
    // "Поставить/удалить точку": toggles the break mark of the selected
    // record unless it is switched off.
    void LineItemClick();
    // "Включить/отключить": clears the break mark of the selected record and
    // switches it off or on.
    void OnOffItemClick();

    // --- Colouring ---------------------------------------------------------
    bool ColorByLines() const { return colorByLines_; }
    // Tag kColorizeSectionsTag colours by sections, kColorizeLinesTag by lines.
    void ColorizeItemClick(int tag);

private:
    const TableColumn* ColumnAt(int column) const;
    MeasurementRecord* SelectedItem();

    CalibrationDocument& document_;
    TableMenuState menu_;
    int selected_ = -1;
    bool colorByLines_ = true;
};
