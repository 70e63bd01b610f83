// Drives real widgets the way the operator does, for the widget tests.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

// Opens the combo's popup and clicks the item with the text. The popup
// ignores clicks for a double-click interval after it opened (a coarse timer,
// which may fire a little late), so the click waits that long and a bit.
inline void ChooseComboItem(QComboBox* combo, const QString& text) {
    const int item = combo->findText(text);
    QVERIFY2(item >= 0, qPrintable(text));
    QTest::mouseClick(combo, Qt::LeftButton);
    QAbstractItemView* list = combo->view();
    QTRY_VERIFY(list->isVisible());
    QTest::qWait(QApplication::doubleClickInterval() + 100);
    const QModelIndex index = list->model()->index(item, combo->modelColumn());
    list->scrollTo(index);
    // A popup narrower than its items (a short combo) clips them: click the
    // part of the item that shows.
    const QRect shown = list->visualRect(index).intersected(list->viewport()->rect());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, shown.center());
    QTRY_VERIFY(!list->isVisible());
}

// Replaces the edit's text by typing and commits it with Enter.
inline void TypeAndEnter(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Types into the cell of a table as the operator does: the first key opens
// the in-place editor (replacing the cell's text), the others go to it.
// Returns the editor, which stays open.
inline QLineEdit* TypeIntoCell(QTableView* table, int row, int column, const QString& text) {
    table->setFocus();
    table->setCurrentIndex(table->model()->index(row, column));
    QTest::keyClick(table, text.at(0).toLatin1());
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (editor != nullptr)
        QTest::keyClicks(editor, text.mid(1));
    return editor;
}

// The text a table shows in a cell.
inline QString CellText(const QAbstractItemView* table, int row, int column) {
    return table->model()->index(row, column).data().toString();
}
