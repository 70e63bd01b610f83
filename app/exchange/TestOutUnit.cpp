#include "exchange/TestOutUnit.h"

#include "exchange/DialogParts.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QVBoxLayout>

TTestOutDlg::TTestOutDlg(QWidget* parent, std::function<bool()> start)
    : QDialog(parent), start_(std::move(start)) {
    SetUpDialog(this, "TTestOutDlg", "Тест выходного сигнала");
    auto* description = NamedControl<QLabel>(this, "DescrLab");
    description->setText(QString::fromUtf8(
        "Данное окно предназначено для контроля выходного сигнала ЛГМ. Подключите к выходу ЛГМ "
        "контрольную аппаратуру и нажмите кнопку \"Запуск\". В течение 15 секунд на выход будет "
        "транслироваться сигнал с частотой вихреобразования."));
    description->setWordWrap(true);
    GoBtn = NamedButton(this, "GoBtn", "Запуск");
    GoBtn->setDefault(true);
    TestProgressBar = NamedControl<QProgressBar>(this, "TestProgressBar");
    TestProgressBar->setRange(0, kProgressEnd);
    TestProgressBar->setTextVisible(false);
    CloseBtn = NamedButton(this, "CloseBtn", "Закрыть");
    connect(GoBtn, &QPushButton::clicked, this, [this] {
        if (start_())
            EnableButtons(false);
    });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(GoBtn);
    buttons->addWidget(TestProgressBar, 1);
    buttons->addWidget(CloseBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(description);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

void TTestOutDlg::Execute() {
    TestProgressBar->setValue(0);
    EnableButtons(true);
    exec();
}

void TTestOutDlg::ShowProgress(int value) {
    TestProgressBar->setValue(value);
}

void TTestOutDlg::TestEnded() {
    EnableButtons(true);
}

void TTestOutDlg::EnableButtons(bool enabled) {
    GoBtn->setEnabled(enabled);
    CloseBtn->setEnabled(enabled);
}
