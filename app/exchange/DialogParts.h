// Small builders shared by the exchange windows: every control gets the
// object name the window descriptions give it, so tests find it by name.
#pragma once

#include "document/StateWidgets.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

template <class Control> Control* NamedControl(QWidget* parent, const char* name) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromUtf8(name));
    return control;
}

inline QPushButton* NamedButton(QWidget* parent, const char* name, const char* text) {
    auto* button = NamedControl<QPushButton>(parent, name);
    button->setText(QString::fromUtf8(text));
    button->setAutoDefault(false);
    return button;
}

inline QLabel* TextLabel(QWidget* parent, const char* text) {
    return new QLabel(QString::fromUtf8(text), parent);
}

// A dialog window of the program: the caption, no "?" button.
inline void SetUpDialog(QWidget* dialog, const char* className, const char* caption) {
    dialog->setObjectName(QString::fromUtf8(className));
    dialog->setWindowTitle(QString::fromUtf8(caption));
    dialog->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}
