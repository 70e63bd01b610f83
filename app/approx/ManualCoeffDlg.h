// The window "Ручной ввод коэффициентов" (TManualCoeffDlg): up to five lines
// typed as A, B and the frequencies at which one line ends and the next
// begins. ManualCoefficients holds the rules; the window shows them.
#pragma once

#include "files/ManualCoefficients.h"

#include <QDialog>

#include <array>

class CalibrationDocument;
class QCheckBox;
class QLineEdit;
class QPushButton;

class TManualCoeffDlg : public QDialog {
    Q_OBJECT
public:
    // Opens on the line table: maxLines rows can be ticked; bAllowed enables
    // the B edits. "Применить" stores the lines and closes with OK.
    TManualCoeffDlg(uint32_t maxLines, bool bAllowed, LineTable& lines, QWidget* parent = nullptr);

protected:
    // LineCheckEnter and LineCheckExit: the box with the focus says "<-".
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LineCheckClick(int row, bool checked);
    void ApplyBtnClick();
    ManualCoeffTexts Typed() const;
    void ShowRows();
    QLineEdit* Edit(const ManualCoeffEdit& edit) const;

    ManualCoefficients rules_;
    std::array<QCheckBox*, kManualLineRows> LineCheck{};  // Line1Check … Line5Check
    std::array<QLineEdit*, kManualLineRows> AEdit{};      // A1Edit … A5Edit
    std::array<QLineEdit*, kManualLineRows> BEdit{};      // B1Edit … B5Edit
    std::array<QLineEdit*, kManualFrequencyRows> FEdit{}; // F1Edit … F4Edit
    QPushButton* ApplyBtn = nullptr;                      // "Применить"
    QPushButton* CancelBtn = nullptr;                     // "Отмена"
};

// ManualBtnClick: the window on the document's line table, with as many
// lines as the meter type takes and B when its lines have one; afterwards,
// whatever the answer, every measurement is recomputed from the table. The
// main window then shows the document.
void ShowManualCoefficients(QWidget* parent, CalibrationDocument& document);
