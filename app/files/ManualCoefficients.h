// The rules of the window "Ручной ввод коэффициентов" (TManualCoeffDlg): up
// to five lines typed as A, B and the frequencies F1 … F4 at which one line
// ends and the next begins.
//
// The window keeps no rules: on opening and after each click on a line's
// check box it shows Rows() and Texts(); before a click and before
// "Применить" it hands over what the fourteen edits hold.
#pragma once

#include "approx/LineFit.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

inline constexpr int kManualLineRows = 5;
inline constexpr int kManualFrequencyRows = 4;

// Ranges of "Применить", all inclusive. F2 … F4 must also be at least
// kMinFrequencyStep times the frequency before them.
inline constexpr double kMinManualA = 0.0;
inline constexpr double kMaxManualA = 36.0;
inline constexpr double kMinManualB = -36.0;
inline constexpr double kMaxManualB = 36.0;
inline constexpr double kMinManualF1 = 0.5;
inline constexpr double kMaxManualF = 1000.0;
inline constexpr double kMinFrequencyStep = 1.05;

// The texts of the edits: A and B of lines 1 … 5 (index 0 … 4) and F1 … F4.
struct ManualCoeffTexts {
    std::array<std::string, kManualLineRows> A;
    std::array<std::string, kManualLineRows> B;
    std::array<std::string, kManualFrequencyRows> F;
    bool operator==(const ManualCoeffTexts&) const = default;
};

// Which controls of a row are enabled, and whether its box is ticked.
struct ManualCoeffRow {
    bool CheckEnabled = false;
    bool Checked = false;
    bool AEnabled = false;
    bool BEnabled = false;
    bool FEnabled = false; // rows 1 … 4 only
    bool operator==(const ManualCoeffRow&) const = default;
};

// An edit, to put the focus on: the field and the row (1 … 5; F rows 1 … 4).
enum class ManualCoeffField { A, B, F };
struct ManualCoeffEdit {
    ManualCoeffField Field;
    int Row;
    bool operator==(const ManualCoeffEdit&) const = default;
};

class ManualCoefficients {
public:
    // Opens the window on the line table: the first LineCount lines shown and
    // ticked. maxLines rows can be ticked (5, 4 or 1 by the meter type);
    // bAllowed enables the B edits (otherwise B is 0).
    ManualCoefficients(uint32_t maxLines, bool bAllowed, LineTable& lines);

    const std::array<ManualCoeffRow, kManualLineRows>& Rows() const { return rows_; }
    const ManualCoeffTexts& Texts() const { return texts_; }

    // LineCheckClick on row (1 … 5), now ticked or not: lines 1 … row (or 1
    // … row − 1) are shown. Edits that stay enabled keep what was typed;
    // edits that become enabled show the table's value; disabled ones are
    // emptied.
    void LineCheckClick(int row, bool checked, const ManualCoeffTexts& typed);

    // "Применить": the first ',' of every edit becomes '.' (Texts() shows it
    // back). The ticked lines from line 1 on are read — F of the row before
    // (from line 2), A, then B — each within its range. On success the line
    // table takes them (the last line open, kOpenEnd) and the result is
    // empty; the window closes with OK. The first value that is not a
    // number or out of range shows "Неверное значение параметра", changes
    // nothing and is returned for the focus.
    std::optional<ManualCoeffEdit> ApplyBtnClick(const ManualCoeffTexts& typed);

private:
    // Shows lines 1 … n; byClick keeps the texts of edits that stay enabled.
    void ShowLineRows(uint32_t n, bool byClick);

    uint32_t maxLines_;
    bool bAllowed_;
    LineTable& lines_;
    std::array<ManualCoeffRow, kManualLineRows> rows_{};
    ManualCoeffTexts texts_;
};
