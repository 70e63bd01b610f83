// The measurement grid's model: the document's MeasurementTable as Qt sees it.
//
// The model copies nothing: every cell is asked from the table when it is
// painted. The document tells by two revisions what changed; Sync() turns
// them into a model reset (columns, rows or their order changed) or a
// repaint of the cells (values changed), so a keystroke in a long list costs
// a repaint of the visible cells only.
#pragma once

#include "document/MeasurementTable.h"

#include <QAbstractTableModel>

#include <cstdint>

class CalibrationDocument;

class MainTblModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit MainTblModel(CalibrationDocument& document, QObject* parent = nullptr);

    // The data rows of the table; the header row is the view's header.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    // Display: the cell's text; Edit: the editor's start text; Background,
    // Foreground and TextAlignment as the cell is painted.
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Only columns that may take the cursor are enabled (a disabled cell can
    // neither become current nor be reached by the keyboard); they are
    // editable while the table accepts typing.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The whole look of a cell; a cell beyond what the table holds now (the
    // view has not followed a change yet) is an empty cell without a record.
    TableCell CellAt(const QModelIndex& index) const;
    // The editor's whole text, at every change: stored in the record and the
    // derived cells repainted.
    void SetEditText(const QModelIndex& index, const QString& text);

    // Follows the document after any operation.
    void Sync();

    MeasurementTable& Table();
    const MeasurementTable& Table() const;

private:
    bool Holds(const QModelIndex& index) const;

    CalibrationDocument& document_;
    uint64_t layoutSeen_ = 0;
    uint64_t dataSeen_ = 0;
    // The shape the view knows; it changes only inside a reset.
    int rows_ = 0;
    int columns_ = 0;
};
