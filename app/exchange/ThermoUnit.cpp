#include "exchange/ThermoUnit.h"

#include "document/HandlerGuard.h"
#include "document/Numbers.h"
#include "exchange/DialogParts.h"
#include "exchange/MeterExchange.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* SpinButton(QWidget* parent, const char* name, Qt::ArrowType arrow) {
    auto* button = NamedControl<QToolButton>(parent, name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    return button;
}

} // namespace

TThermoDlg::TThermoDlg(QWidget* parent, MeterExchange& exchange)
    : QDialog(parent), exchange_(exchange) {
    SetUpDialog(this, "TThermoDlg", "Термодатчик");
    // The window closes only with its own button.
    setWindowFlag(Qt::WindowCloseButtonHint, false);

    auto* valueGroup = new QGroupBox(QStringLiteral("Значение температуры : "), this);
    ValueStatic = NamedControl<QLabel>(valueGroup, "ValueStatic");
    auto* readValue = NamedButton(valueGroup, "RdValueBtn", "Считать");
    auto* value = new QHBoxLayout(valueGroup);
    value->addWidget(TextLabel(valueGroup, "Текущее значение"));
    value->addWidget(ValueStatic, 1);
    value->addWidget(readValue);

    auto* tuneGroup = new QGroupBox(QStringLiteral("Калибровка : "), this);
    TuneEdit = NamedControl<QLineEdit>(tuneGroup, "TuneEdit");
    TuneEdit->setReadOnly(true);
    TuneEdit->setFixedWidth(TuneEdit->fontMetrics().horizontalAdvance(QStringLiteral("-0.00")) +
                            12);
    auto* up = SpinButton(tuneGroup, "TuneSpinUp", Qt::UpArrow);
    auto* down = SpinButton(tuneGroup, "TuneSpinDown", Qt::DownArrow);
    auto* spin = new QVBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(up);
    spin->addWidget(down);
    auto* read = NamedButton(tuneGroup, "RdBtn", "Считать");
    auto* write = NamedButton(tuneGroup, "WrBtn", "Записать");
    auto* tune = new QHBoxLayout(tuneGroup);
    tune->addWidget(TextLabel(tuneGroup, "Значение"));
    tune->addWidget(TuneEdit);
    tune->addLayout(spin);
    tune->addStretch(1);
    tune->addWidget(read);
    tune->addWidget(write);

    auto* ok = NamedButton(this, "OkBtn", "Закрыть");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(valueGroup);
    layout->addWidget(tuneGroup);
    layout->addLayout(buttons);

    connect(readValue, &QPushButton::clicked, this,
            [this] { Guarded([&] { exchange_.ReadThermoSensor(); }); });
    connect(read, &QPushButton::clicked, this,
            [this] { Guarded([&] { exchange_.ReadThermoCompensation(); }); });
    connect(write, &QPushButton::clicked, this,
            [this] { Guarded([&] { exchange_.WriteThermoCompensation(calibration_.Value()); }); });
    connect(up, &QToolButton::clicked, this, [this] {
        calibration_.Up();
        ShowCalibration();
    });
    connect(down, &QToolButton::clicked, this, [this] {
        calibration_.Down();
        ShowCalibration();
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TThermoDlg::Execute() {
    calibration_.Reset();
    ShowCalibration();
    exec();
}

void TThermoDlg::ShowSensorTemperature(double celsius) {
    ValueStatic->setText(QString::fromStdString(FormatFixed(celsius, 1)));
}

void TThermoDlg::ShowCompensation(double value) {
    calibration_.Set(value);
    ShowCalibration();
}

void TThermoDlg::ShowCalibration() {
    TuneEdit->setText(QString::fromStdString(calibration_.Text()));
}
