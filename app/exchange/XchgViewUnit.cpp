#include "exchange/XchgViewUnit.h"

#include "exchange/DialogParts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QVBoxLayout>

TXchgViewDlg::TXchgViewDlg(QWidget* parent, std::function<void()> cancel)
    : QDialog(parent), cancel_(std::move(cancel)), home_(parent) {
    SetUpDialog(this, "TXchgViewDlg", "Идет обмен данными");
    auto* text = TextLabel(
        this, "Выполняется обмен данными.\nЧтобы прервать, нажмите кнопку \"Прекратить\"");
    Animation = NamedControl<QProgressBar>(this, "Animation");
    Animation->setTextVisible(false);
    CancelBtn = NamedButton(this, "CancelBtn", "Прекратить");
    connect(CancelBtn, &QPushButton::clicked, this, &TXchgViewDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(CancelBtn);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(Animation);
    layout->addLayout(buttons);
}

void TXchgViewDlg::ShowExchange() {
    // A modal dialog blocks every window but its own children: the progress
    // window joins the dialog the operator is in.
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr || owner == this)
        owner = home_;
    if (parentWidget() != owner)
        setParent(owner, windowFlags());
    Animation->setRange(0, 0); // a range of 0 … 0 runs the busy animation
    show();
    raise();
}

void TXchgViewDlg::HideExchange() {
    Animation->setRange(0, 1);
    hide();
}

void TXchgViewDlg::reject() {
    cancel_();
}
