// A small read-only grid that shows a GridState (MainWindowState.h): the
// approximation data and the line coefficients of the main window. The first
// column is centred, the others right-aligned and vertically centred; a row
// is selected as a whole.
#pragma once

#include "document/MainWindowState.h"

#include <QTableView>

class GridStateModel;

class StateGrid : public QTableView {
    Q_OBJECT
public:
    explicit StateGrid(QWidget* parent = nullptr);

    // Takes the headers, widths and texts and becomes wide enough to show
    // every column. An unchanged state keeps the operator's selected row.
    void Apply(const GridState& state);

private:
    int FittingWidth() const;

    GridStateModel* model_;
};
