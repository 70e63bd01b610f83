// Puts what the document says a control shows (MainWindowState.h) into the
// control. Windows call these after every operation; they only copy: the
// decisions were made by the document.
#pragma once

#include "document/MainWindowState.h"

#include <QString>

#include <string_view>

class QAction;
class QComboBox;
class QLineEdit;
class QWidget;

inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Items (refilled only when they differ, so an open popup is not disturbed),
// selection, enabling and visibility. Emits no signals.
void ApplyComboState(QComboBox* combo, const ComboState& state);
// Text, enabling and visibility. An edit holding the operator's uncommitted
// typing keeps it: the typing is committed or refused when the operator
// leaves the edit.
void ApplyEditState(QLineEdit* edit, const EditState& state);
// The control is enabled only when the rules allow it and its command is
// served; a command without a handler stays disabled.
void ApplyControlState(QWidget* control, const ControlState& state, bool served);
void ApplyMenuItemState(QAction* item, const MenuItemState& state, bool served);
