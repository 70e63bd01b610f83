// "Идет обмен данными": shown while a meter command runs, with
// "Прекратить" to break off the transfer the command waits in.
#pragma once

#include <QDialog>

#include <functional>

class QProgressBar;
class QPushButton;

class TXchgViewDlg : public QDialog {
    Q_OBJECT
public:
    // cancel runs on "Прекратить" (the window hides itself afterwards).
    TXchgViewDlg(QWidget* parent, std::function<void()> cancel);

    // Shows the window modeless with its animation running, above the window
    // the operator works in (a modal dialog, if one is open, so that
    // "Прекратить" stays usable).
    void ShowExchange();
    // Hides it and stops the animation.
    void HideExchange();

protected:
    // Escape and the frame's close box break off the exchange as well.
    void reject() override;

private:
    std::function<void()> cancel_;
    QWidget* home_; // the window it belongs to while no modal dialog is open
    QProgressBar* Animation = nullptr;
    QPushButton* CancelBtn = nullptr;
};
