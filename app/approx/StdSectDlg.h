// The window "Стандартные прямые" (TStdSectDlg): the standard partition of
// each nominal diameter — its limits and where its five lines break — edited
// in the main window's table in place. StdSectEditor holds the rules; the
// window shows them.
#pragma once

#include "files/StdSectEditor.h"

#include <QDialog>
#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;

// LinesGrid: the header row Q1 … Q7 over one row per line, each line's
// sections filled in its colour. A break column is dragged with the mouse.
class StdSectGrid : public QWidget {
    Q_OBJECT
public:
    StdSectGrid(StdSectEditor& editor, QWidget* parent);

    // The cell of grid column and row on the widget.
    QRect CellRect(int column, int row) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;        // LinesGridDrawCell
    void mousePressEvent(QMouseEvent* event) override;   // LinesGridMouseDown
    void mouseMoveEvent(QMouseEvent* event) override;    // LinesGridMouseMove
    void mouseReleaseEvent(QMouseEvent* event) override; // LinesGridMouseUp

private:
    // The grid column under x: -1 left of the grid, kStdSectGridColumns right
    // of it, so a drag beyond an edge still points that way.
    int ColumnAt(int x) const;
    void DrawCell(QPainter& painter, int column, int row) const;

    StdSectEditor& editor_;
};

class TStdSectDlg : public QDialog {
    Q_OBJECT
public:
    // Opens on the first diameter (15 mm), whatever the main window shows.
    explicit TStdSectDlg(StdSectTable& table, QWidget* parent = nullptr);

private:
    void DuComboChange();
    void ChangeBitBtnClick();
    void ShowEdits(const StdSectEdits& edits);

    StdSectEditor editor_;
    QComboBox* TypeCombo = nullptr;
    QComboBox* DuCombo = nullptr;
    QLineEdit* HMaxEdit = nullptr;
    QLineEdit* DeltaMaxEdit = nullptr;
    QLineEdit* TprivEdit = nullptr;
    StdSectGrid* LinesGrid = nullptr;
    QPushButton* ChangeBitBtn = nullptr; // "Сохранить"
    QPushButton* CloseBtn = nullptr;     // "Закрыть"
};
