#include "document/StateGrid.h"

#include "document/MeasurementTable.h"
#include "document/StateWidgets.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QScrollBar>

class GridStateModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    // False when the state is the one shown already.
    bool Set(const GridState& state) {
        if (state.Headers == state_.Headers && state.Widths == state_.Widths &&
            state.Rows == state_.Rows)
            return false;
        beginResetModel();
        state_ = state;
        endResetModel();
        return true;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(state_.Rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(state_.Headers.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(
                index.column() == 0 ? Qt::AlignCenter : Qt::AlignRight | Qt::AlignVCenter));
        if (role != Qt::DisplayRole)
            return {};
        const auto& row = state_.Rows[static_cast<size_t>(index.row())];
        const auto column = static_cast<size_t>(index.column());
        return column < row.size() ? FromUtf8(row[column]) : QString();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
            section >= columnCount())
            return {};
        return FromUtf8(state_.Headers[static_cast<size_t>(section)]);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

private:
    GridState state_;
};

StateGrid::StateGrid(QWidget* parent) : QTableView(parent), model_(new GridStateModel(this)) {
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(kTableRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void StateGrid::Apply(const GridState& state) {
    if (!model_->Set(state))
        return;
    for (size_t column = 0; column < state.Widths.size(); ++column)
        setColumnWidth(static_cast<int>(column), state.Widths[column]);
    setMinimumWidth(FittingWidth());
}

int StateGrid::FittingWidth() const {
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < model_->columnCount(); ++column)
        width += columnWidth(column);
    return width;
}
