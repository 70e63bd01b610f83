// The column window of the MathCAD export (TSelTxtExpDlg): which columns of
// the measurements go into the data file, and whether a header file names
// them.
//
// The window is kept for the whole run, so "Создать заголовочный файл" stays
// as the operator left it; the ticked columns are the export's to remember.
#pragma once

#include "files/FileCommands.h"

#include <QDialog>

#include <cstdint>
#include <optional>

class QCheckBox;
class QListWidget;
class QPushButton;

class TSelTxtExpDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSelTxtExpDlg(QWidget* parent = nullptr);

    // Shows the window modally with the columns of enabledMask offered and
    // those of checkedMask ticked (bit i = kMathCadColumns[i]). "Продолжить"
    // returns the ticked columns and the header choice; while no column is
    // ticked it does nothing. nullopt after "Отмена" or closing the window.
    // Serves as the export's ColumnChooser.
    std::optional<ColumnChoice> Run(uint32_t enabledMask, uint32_t checkedMask);

private:
    void OkBtnClick();
    uint32_t TickedMask() const;

    QListWidget* DataListBox = nullptr;
    QCheckBox* HeaderCheckBox = nullptr; // "Создать заголовочный файл"
    QPushButton* OkBtn = nullptr;        // "Продолжить"
    QPushButton* CancelBtn = nullptr;    // "Отмена"
};
