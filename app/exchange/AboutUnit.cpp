#include "exchange/AboutUnit.h"

#include "exchange/DialogParts.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TAboutDlg::TAboutDlg(QWidget* parent) : QDialog(parent) {
    SetUpDialog(this, "TAboutDlg", "О программе...");
    auto* product = TextLabel(this, "ЛГМ-Сервис");
    QFont bold = product->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.5);
    product->setFont(bold);
    auto* version = NamedControl<QLabel>(this, "VersionLab");
    version->setText(QString::fromUtf8("Версия ПО: ") + QString::fromUtf8(kVersion));
    auto* description = NamedControl<QPlainTextEdit>(this, "DescriptionMemo");
    description->setReadOnly(true);
    description->setPlainText(
        QString::fromUtf8("Программа позволяет осуществлять ввод, модификацию, \n"
                          "хранение и визуализацию данных, получаемых при проведении \n"
                          "операции градуировки (поверки), производить расчет \n"
                          "градуировочных коэффициентов, а также выполнять ряд \n"
                          "сервисных функций в зависимости от типа преобразователя."));
    auto* close = NamedButton(this, "CloseBtn", "Закрыть");
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(product);
    layout->addWidget(version);
    layout->addWidget(description, 1);
    layout->addLayout(buttons);
    resize(460, 260);
}
