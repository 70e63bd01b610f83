// The measurement grid: one header row, no row header, rows 18 pixels high,
// columns 69 pixels wide (set back after every change of the columns or
// rows), resizable by the operator. The current cell survives a reset of the
// model, moved into the rows and onto a column that may hold the cursor.
#pragma once

#include <QTableView>

class MainTblModel;

class MainTblView : public QTableView {
    Q_OBJECT
public:
    MainTblView(MainTblModel& model, QWidget* parent = nullptr);

    // Makes the cell of data row `row` current, on the column the cursor is
    // in, or on the given column, or the first one that may hold it.
    void SelectRow(int row, int preferredColumn = -1);
    // Whether the cells accept typing now.
    void SetEditable(bool editable);

signals:
    // The context menu is asked for over data row `row` (-1: the header row or
    // below the rows), at a screen position. A request from the keyboard
    // names the current cell.
    void ContextMenuRequested(int row, int column, QPoint globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int CursorColumn(int preferred) const;
    void RememberCurrent();
    void RestoreCurrent();

    MainTblModel& model_;
    int savedRow_ = -1;
    int savedColumn_ = -1;
};
