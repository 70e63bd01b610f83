// "Выбор COM-порта": the working serial port, COM1 … COM4, each shown with
// the device it stands for on this computer (a serial device or a network
// serial server, see NkComPort.h).
#pragma once

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;

class TTunePortDlg : public QDialog {
    Q_OBJECT
public:
    explicit TTunePortDlg(QWidget* parent = nullptr);

    // Shows the dialog modally with current selected (-1: none). The port
    // chosen with "Применить", nothing after "Отмена".
    std::optional<int> Choose(int current);

    static constexpr int kPorts = 4;

private:
    void ShowDevice();

    QComboBox* PortCombo = nullptr;
    QLabel* DeviceLabel = nullptr; // the device of the selected port
};
