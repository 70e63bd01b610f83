#include "exchange/TunePortUnit.h"

#include "exchange/DialogParts.h"

#include "NkComPort.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

QString DeviceOf(int port) {
    char name[512];
    const int32_t length = NkComPortGetDeviceNameA(port, name, sizeof name);
    return length < 0 ? QString() : QString::fromUtf8(name, length);
}

} // namespace

TTunePortDlg::TTunePortDlg(QWidget* parent) : QDialog(parent) {
    SetUpDialog(this, "TTunePortDlg", "Выбор COM-порта");

    // The list shows each port's device in a second column; the closed combo
    // shows the port's name.
    PortCombo = NamedControl<QComboBox>(this, "PortCombo");
    auto* ports = new QStandardItemModel(kPorts, 2, PortCombo);
    PortCombo->setModel(ports);
    auto* list = new QTreeView(PortCombo);
    list->setHeaderHidden(true);
    list->setRootIsDecorated(false);
    list->setAllColumnsShowFocus(true);
    PortCombo->setView(list);
    DeviceLabel = NamedControl<QLabel>(this, "DeviceLabel");
    DeviceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(PortCombo, &QComboBox::currentIndexChanged, this, &TTunePortDlg::ShowDevice);

    auto* apply = NamedButton(this, "ApplyBtn", "Применить");
    apply->setDefault(true);
    auto* cancel = NamedButton(this, "CancelBtn", "Отмена");
    connect(apply, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(TextLabel(this, "COM-порт :"), 0, 0);
    grid->addWidget(PortCombo, 0, 1);
    grid->addWidget(DeviceLabel, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

std::optional<int> TTunePortDlg::Choose(int current) {
    // The devices are looked up now: the environment names them when a port
    // is opened.
    auto* ports = static_cast<QStandardItemModel*>(PortCombo->model());
    for (int port = 0; port < kPorts; ++port) {
        const QString device = DeviceOf(port);
        ports->setItem(port, 0, new QStandardItem(QStringLiteral("COM%1").arg(port + 1)));
        ports->setItem(port, 1, new QStandardItem(device));
        ports->item(port, 0)->setToolTip(device);
    }
    auto* list = static_cast<QTreeView*>(PortCombo->view());
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    PortCombo->setCurrentIndex(current >= 0 && current < kPorts ? current : -1);
    ShowDevice();
    if (exec() != QDialog::Accepted || PortCombo->currentIndex() < 0)
        return std::nullopt;
    return PortCombo->currentIndex();
}

void TTunePortDlg::ShowDevice() {
    const int port = PortCombo->currentIndex();
    DeviceLabel->setText(port < 0 ? QString() : DeviceOf(port));
}
