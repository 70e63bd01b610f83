#include "document/MainTblModel.h"

#include "document/CalibrationDocument.h"
#include "document/StateWidgets.h"

#include <QColor>

namespace {

QColor ToColor(Rgb rgb) {
    return QColor(rgb.R, rgb.G, rgb.B);
}

} // namespace

MainTblModel::MainTblModel(CalibrationDocument& document, QObject* parent)
    : QAbstractTableModel(parent), document_(document), layoutSeen_(document.TableLayoutRevision()),
      dataSeen_(document.TableDataRevision()), rows_(document.Table().RowCount()),
      columns_(document.Table().ColumnCount()) {}

MeasurementTable& MainTblModel::Table() {
    return document_.Table();
}

const MeasurementTable& MainTblModel::Table() const {
    return document_.Table();
}

int MainTblModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int MainTblModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_;
}

bool MainTblModel::Holds(const QModelIndex& index) const {
    return index.isValid() && index.row() < Table().RowCount() &&
           index.column() < Table().ColumnCount();
}

TableCell MainTblModel::CellAt(const QModelIndex& index) const {
    return Holds(index) ? Table().Cell(index.row(), index.column()) : TableCell{};
}

QVariant MainTblModel::data(const QModelIndex& index, int role) const {
    if (!Holds(index))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return FromUtf8(Table().CellText(index.row(), index.column()));
    case Qt::EditRole:
        return FromUtf8(Table().EditText(index.row(), index.column()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    case Qt::BackgroundRole: {
        const TableCell cell = Table().Cell(index.row(), index.column());
        return cell.HasRecord ? QVariant(ToColor(cell.Fill)) : QVariant();
    }
    case Qt::ForegroundRole:
        return ToColor(Table().Cell(index.row(), index.column()).TextColor);
    default:
        return {};
    }
}

QVariant MainTblModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= Table().ColumnCount())
        return {};
    if (role == Qt::DisplayRole)
        return FromUtf8(Table().Columns()[static_cast<size_t>(section)].Header);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags MainTblModel::flags(const QModelIndex& index) const {
    if (!Holds(index) || !Table().CanSelectCell(index.column()))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (Table().Editable())
        flags |= Qt::ItemIsEditable;
    return flags;
}

void MainTblModel::SetEditText(const QModelIndex& index, const QString& text) {
    if (!Holds(index))
        return;
    if (Table().SetEditText(index.row(), index.column(), text.toStdString()))
        Sync();
}

void MainTblModel::Sync() {
    const MeasurementTable& table = Table();
    if (document_.TableLayoutRevision() != layoutSeen_ || table.RowCount() != rows_ ||
        table.ColumnCount() != columns_) {
        beginResetModel();
        layoutSeen_ = document_.TableLayoutRevision();
        dataSeen_ = document_.TableDataRevision();
        rows_ = table.RowCount();
        columns_ = table.ColumnCount();
        endResetModel();
        return;
    }
    if (document_.TableDataRevision() != dataSeen_) {
        dataSeen_ = document_.TableDataRevision();
        if (rows_ > 0 && columns_ > 0)
            emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    }
}
