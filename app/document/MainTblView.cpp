#include "document/MainTblView.h"

#include "document/MainTblDelegate.h"
#include "document/MainTblModel.h"

#include <QContextMenuEvent>
#include <QHeaderView>

MainTblView::MainTblView(MainTblModel& model, QWidget* parent) : QTableView(parent), model_(model) {
    setModel(&model);
    setItemDelegate(new MainTblDelegate(model, this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kTableRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setDefaultSectionSize(kTableColumnWidth);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // A right click on the header row opens the menu too (nothing selected).
    horizontalHeader()->installEventFilter(this);
    SetEditable(true);

    connect(&model, &QAbstractItemModel::modelAboutToBeReset, this, &MainTblView::RememberCurrent);
    connect(&model, &QAbstractItemModel::modelReset, this, &MainTblView::RestoreCurrent);
}

void MainTblView::SetEditable(bool editable) {
    setEditTriggers(editable
                        ? QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                              QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                        : QAbstractItemView::NoEditTriggers);
}

int MainTblView::CursorColumn(int preferred) const {
    const MeasurementTable& table = model_.Table();
    if (preferred >= 0 && preferred < table.ColumnCount() && table.CanSelectCell(preferred))
        return preferred;
    const int current = currentIndex().column();
    if (current >= 0 && current < table.ColumnCount() && table.CanSelectCell(current))
        return current;
    for (int column = 0; column < table.ColumnCount(); ++column)
        if (table.CanSelectCell(column))
            return column;
    return -1;
}

void MainTblView::SelectRow(int row, int preferredColumn) {
    const int column = CursorColumn(preferredColumn);
    if (row < 0 || row >= model_.rowCount() || column < 0)
        return;
    const QModelIndex cell = model_.index(row, column);
    setCurrentIndex(cell);
    scrollTo(cell);
}

void MainTblView::RememberCurrent() {
    savedRow_ = currentIndex().row();
    savedColumn_ = currentIndex().column();
}

void MainTblView::RestoreCurrent() {
    for (int column = 0; column < model_.columnCount(); ++column)
        setColumnWidth(column, kTableColumnWidth);
    if (savedRow_ >= 0)
        SelectRow(std::min(savedRow_, model_.rowCount() - 1), savedColumn_);
}

void MainTblView::contextMenuEvent(QContextMenuEvent* event) {
    int row = rowAt(event->pos().y());
    int column = columnAt(event->pos().x());
    QPoint where = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        row = currentIndex().row();
        column = currentIndex().column();
        if (currentIndex().isValid())
            where = viewport()->mapToGlobal(visualRect(currentIndex()).center());
    }
    emit ContextMenuRequested(row, column, where);
    event->accept();
}

bool MainTblView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == horizontalHeader() && event->type() == QEvent::ContextMenu) {
        emit ContextMenuRequested(-1, -1, static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
