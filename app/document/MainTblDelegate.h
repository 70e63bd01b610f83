// Paints the measurement grid's cells as the table describes them and edits
// them in place: the editor's every change is stored at once, so the record
// always holds what the editor shows and leaving the cell needs no extra step.
#pragma once

#include <QStyledItemDelegate>

class MainTblModel;

class MainTblDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    MainTblDelegate(MainTblModel& model, QObject* parent = nullptr);

    // The whole cell in its fill, the text right-aligned and vertically
    // centred inside the cell shrunk by one pixel, clipped to it; a cell
    // without a record keeps the grid's own fill. The current cell gets a
    // dotted frame while the grid has the focus.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    // The start text, once: later repaints of the row must not overwrite
    // what the operator is typing.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    // Nothing to do: every change was stored as it was typed.
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    MainTblModel& model_;
};
