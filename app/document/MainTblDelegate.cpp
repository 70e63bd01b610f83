#include "document/MainTblDelegate.h"

#include "document/HandlerGuard.h"
#include "document/MainTblModel.h"
#include "document/StateWidgets.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPersistentModelIndex>

namespace {

// Whether the key is the shortcut of an action of one of the widget's
// ancestors (the grid's "Добавить измерение" and "Удалить измерение").
bool IsAncestorShortcut(const QWidget* widget, const QKeyEvent* key) {
    const QKeySequence pressed(key->keyCombination());
    for (const QWidget* w = widget->parentWidget(); w != nullptr; w = w->parentWidget())
        for (const QAction* action : w->actions())
            if (action->isEnabled() && action->shortcuts().contains(pressed))
                return true;
    return false;
}

// The in-place editor; remembers whether it has been given its start text.
class CellEditor : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    bool Started = false;

protected:
    // A line edit takes Ctrl+Ins and Ctrl+Del for itself (copy, delete a
    // word); the grid's shortcuts must work while a cell is typed into too, so
    // the next measurement can be added without leaving the keyboard.
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            IsAncestorShortcut(this, static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
        return QLineEdit::event(event);
    }
};

QColor ToColor(Rgb rgb) {
    return QColor(rgb.R, rgb.G, rgb.B);
}

} // namespace

MainTblDelegate::MainTblDelegate(MainTblModel& model, QObject* parent)
    : QStyledItemDelegate(parent), model_(model) {}

void MainTblDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    const TableCell cell = model_.CellAt(index);
    const QRect& rect = option.rect;
    painter->save();
    if (!cell.HasRecord) {
        // The grid's own fill; computed columns are disabled items, but an
        // empty row looks the same in every column.
        painter->fillRect(rect, option.palette.brush(QPalette::Active, QPalette::Base));
    } else {
        painter->fillRect(rect, ToColor(cell.Fill));
        const QRect inner = rect.adjusted(1, 1, -1, -1);
        painter->setClipRect(inner);
        painter->setPen(ToColor(cell.TextColor));
        painter->drawText(inner, Qt::AlignRight | Qt::AlignVCenter, FromUtf8(cell.Text));
        painter->setClipping(false);
    }
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
        painter->drawRect(rect.adjusted(1, 1, -2, -2));
    }
    painter->restore();
}

QWidget* MainTblDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                       const QModelIndex& index) const {
    auto* editor = new CellEditor(parent);
    editor->setFrame(false);
    editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // textEdited, not textChanged: only the operator's changes are stored,
    // never the start text put in by setEditorData.
    const QPersistentModelIndex cell(index);
    MainTblModel* model = &model_;
    connect(editor, &QLineEdit::textEdited, editor, [model, cell](const QString& text) {
        Guarded([&] { model->SetEditText(cell, text); });
    });
    return editor;
}

void MainTblDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* cellEditor = static_cast<CellEditor*>(editor);
    if (cellEditor->Started)
        return;
    cellEditor->Started = true;
    cellEditor->setText(index.data(Qt::EditRole).toString());
    cellEditor->selectAll();
}

void MainTblDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {}
