// The main window's entries to the graph and report windows: "График",
// "Сравнительный график" and "Отчет". Each decides through the core whether
// there is anything to show, shows its messages and opens its window.
#pragma once

#include "document/CalibrationDocument.h"

class QWidget;

// "График": the calibration graph of the current list, type
// "Расход-погрешность". The window is made once per owner and kept, so its
// axis settings last for the run.
void OpenGraphWindow(QWidget* owner, const CalibrationDocument& doc);

// "Сравнительный график": the current list against files the operator
// chooses, evaluated with the document's characteristic and Tприв.
void OpenComparativeGraphs(QWidget* owner, const CalibrationDocument& doc);

// "Отчет": the report of the mode from the template in the program's folder,
// in the print preview.
void OpenReport(QWidget* owner, const CalibrationDocument& doc);
