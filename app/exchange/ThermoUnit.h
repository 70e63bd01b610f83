// "Термодатчик": the meter's temperature sensor and its calibration, read
// from and written into the meter.
#pragma once

#include "exchange/ServiceRules.h"

#include <QDialog>

class MeterExchange;
class QLabel;
class QLineEdit;

class TThermoDlg : public QDialog {
    Q_OBJECT
public:
    TThermoDlg(QWidget* parent, MeterExchange& exchange);

    // Shows the window modally with the calibration at 0.0.
    void Execute();
    // The meter's answers.
    void ShowSensorTemperature(double celsius);
    void ShowCompensation(double value);

private:
    void ShowCalibration();

    MeterExchange& exchange_;
    ThermoCalibration calibration_;
    QLabel* ValueStatic = nullptr;
    QLineEdit* TuneEdit = nullptr;
};
