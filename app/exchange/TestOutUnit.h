// "Тест выходного сигнала": for 15 seconds the meter sends its vortex
// frequency to its output, so the operator can check the output with his own
// instruments; the meter's parameters are restored afterwards.
#pragma once

#include <QDialog>

#include <functional>

class QProgressBar;
class QPushButton;

class TTestOutDlg : public QDialog {
    Q_OBJECT
public:
    // start() starts the test; true when the thread took it.
    TTestOutDlg(QWidget* parent, std::function<bool()> start);

    // Shows the window modally, the bar at 0, both buttons enabled.
    void Execute();
    // The thread's progress, 0 … 1000.
    void ShowProgress(int value);
    // The test ended (or failed): the buttons come back.
    void TestEnded();

    static constexpr int kProgressEnd = 1000;

private:
    void EnableButtons(bool enabled);

    std::function<bool()> start_;
    QPushButton* GoBtn = nullptr;
    QPushButton* CloseBtn = nullptr;
    QProgressBar* TestProgressBar = nullptr;
};
