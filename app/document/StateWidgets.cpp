#include "document/StateWidgets.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

bool SameItems(const QComboBox* combo, const std::vector<std::string>& items) {
    if (combo->count() != static_cast<int>(items.size()))
        return false;
    for (int i = 0; i < combo->count(); ++i)
        if (combo->itemText(i) != FromUtf8(items[static_cast<size_t>(i)]))
            return false;
    return true;
}

} // namespace

void ApplyComboState(QComboBox* combo, const ComboState& state) {
    const QSignalBlocker quiet(combo);
    if (!SameItems(combo, state.Items)) {
        combo->clear();
        for (const std::string& item : state.Items)
            combo->addItem(FromUtf8(item));
    }
    combo->setCurrentIndex(state.Selection < combo->count() ? state.Selection : -1);
    combo->setEnabled(state.Enabled);
    combo->setVisible(state.Visible);
}

void ApplyEditState(QLineEdit* edit, const EditState& state) {
    if (!edit->isModified()) {
        const QString text = FromUtf8(state.Text);
        if (edit->text() != text)
            edit->setText(text);
    }
    edit->setEnabled(state.Enabled);
    edit->setVisible(state.Visible);
}

void ApplyControlState(QWidget* control, const ControlState& state, bool served) {
    control->setEnabled(state.Enabled && served);
    control->setVisible(state.Visible);
}

void ApplyMenuItemState(QAction* item, const MenuItemState& state, bool served) {
    item->setEnabled(state.Enabled && served);
    if (item->isCheckable())
        item->setChecked(state.Checked);
}
