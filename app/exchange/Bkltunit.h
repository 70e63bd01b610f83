// "Ввод данных из МН-4.6": the operator's console at the rig. It chooses the
// counter channels and the stop criterion, starts and stops runs on the rig
// controller, shows the rig's time and pulse counts, and takes a finished
// run with the reference quantity and the water temperature into the
// current measurement list. Modeless; closing it only hides it.
#pragma once

#include <QDialog>

#include <functional>

class BkltConsole;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TBkltDlg : public QDialog {
    Q_OBJECT
public:
    // documentChanged runs after a run was taken or the window closed (the
    // main window shows the document again).
    TBkltDlg(QWidget* parent, BkltConsole& console, std::function<void()> documentChanged);

    // "Ввод с МН-4.6": opens the window unless the console refuses.
    void Open();
    // "Ручной ввод": stops a running run and hides the window.
    void CloseForManualInput();
    // Shows the console's state (after a rig result, a method change).
    void ShowConsole();

protected:
    // The frame's close box only hides the window.
    void reject() override;
    // Escape is "Стоп"; Enter in an edit belongs to the edit and does not
    // end the window through its default button.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ReadyBtnClick();
    void ApplyBtnClick();
    void ArgumEditCommit();
    // Runs an operator command guarded and shows the outcome.
    void Run(const std::function<void()>& command);

    BkltConsole& console_;
    std::function<void()> documentChanged_;

    QComboBox* FirstChCombo = nullptr;
    QComboBox* SecondChCombo = nullptr;
    QComboBox* ModeCombo = nullptr;
    QComboBox* CounterCombo = nullptr;
    QLabel* ArgumLabel = nullptr;
    QLineEdit* ArgumEdit = nullptr;
    QLineEdit* TempEdit = nullptr;
    QLineEdit* MassEdit = nullptr;
    QLineEdit* VolEdit = nullptr;
    QLabel* TqStatic = nullptr;
    QLabel* T1Static = nullptr;
    QLabel* N1Static = nullptr;
    QLabel* N2Static = nullptr;
    QPushButton* GoBtn = nullptr;
    QPushButton* StopBtn = nullptr;
    QPushButton* ApplyBtn = nullptr;
    QPushButton* ReadyBtn = nullptr;
};
