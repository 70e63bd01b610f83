#include "exchange/Bkltunit.h"

#include "document/EditCommitter.h"
#include "document/HandlerGuard.h"
#include "exchange/BkltConsole.h"
#include "exchange/DialogParts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* NumberEdit(QWidget* parent, const char* name) {
    auto* edit = NamedControl<QLineEdit>(parent, name);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000000")) + 10);
    return edit;
}

QLabel* ValueLabel(QWidget* parent, const char* name) {
    auto* label = NamedControl<QLabel>(parent, name);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00000000.000")));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

} // namespace

TBkltDlg::TBkltDlg(QWidget* parent, BkltConsole& console, std::function<void()> documentChanged)
    : QDialog(parent), console_(console), documentChanged_(std::move(documentChanged)) {
    SetUpDialog(this, "TBkltDlg", "Ввод данных из МН-4.6");
    setModal(false);

    // Settings of the run.
    FirstChCombo = NamedControl<QComboBox>(this, "FirstChCombo");
    SecondChCombo = NamedControl<QComboBox>(this, "SecondChCombo");
    ModeCombo = NamedControl<QComboBox>(this, "ModeCombo");
    CounterCombo = NamedControl<QComboBox>(this, "CounterCombo");
    ArgumLabel = NamedControl<QLabel>(this, "ArgumLabel");
    ArgumEdit = NumberEdit(this, "ArgumEdit");
    auto* settings = new QGridLayout;
    settings->addWidget(TextLabel(this, "Первый канал:"), 0, 0);
    settings->addWidget(FirstChCombo, 0, 1);
    settings->addWidget(TextLabel(this, "Второй канал:"), 1, 0);
    settings->addWidget(SecondChCombo, 1, 1);
    settings->addWidget(TextLabel(this, "Режим:"), 2, 0);
    settings->addWidget(ModeCombo, 2, 1);
    settings->addWidget(TextLabel(this, "Канал подсчета импульсов:"), 3, 0);
    settings->addWidget(CounterCombo, 3, 1);
    settings->addWidget(ArgumLabel, 4, 0);
    settings->addWidget(ArgumEdit, 4, 1);

    // What the operator measured.
    TempEdit = NumberEdit(this, "TempEdit");
    MassEdit = NumberEdit(this, "MassEdit");
    VolEdit = NumberEdit(this, "VolEdit");
    settings->addWidget(TextLabel(this, "Тизм, °C:"), 5, 0);
    settings->addWidget(TempEdit, 5, 1);
    settings->addWidget(TextLabel(this, "Mэт, кг:"), 6, 0);
    settings->addWidget(MassEdit, 6, 1);
    settings->addWidget(TextLabel(this, "Vэт, м3:"), 7, 0);
    settings->addWidget(VolEdit, 7, 1);

    // What the rig counted.
    auto* rig = new QGroupBox(QStringLiteral("Данные из МН-4.6"), this);
    TqStatic = ValueLabel(rig, "TqStatic");
    T1Static = ValueLabel(rig, "T1Static");
    N1Static = ValueLabel(rig, "N1Static");
    N2Static = ValueLabel(rig, "N2Static");
    auto* values = new QGridLayout(rig);
    const std::pair<const char*, QLabel*> rows[] = {
        {"tq, с:", TqStatic}, {"t1, с:", T1Static}, {"N1, имп:", N1Static}, {"N2, имп:", N2Static}};
    int row = 0;
    for (const auto& [caption, label] : rows) {
        values->addWidget(TextLabel(rig, caption), row, 0);
        values->addWidget(label, row++, 1);
    }
    values->setRowStretch(row, 1);

    GoBtn = NamedButton(this, "GoBtn", "Старт");
    StopBtn = NamedButton(this, "StopBtn", "Стоп");
    ApplyBtn = NamedButton(this, "ApplyBtn", "Принять");
    ReadyBtn = NamedButton(this, "ReadyBtn", "Завершить");
    ReadyBtn->setDefault(true);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {GoBtn, StopBtn, ApplyBtn, ReadyBtn})
        buttons->addWidget(button);

    auto* top = new QHBoxLayout;
    top->addLayout(settings);
    top->addWidget(rig, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    connect(FirstChCombo, &QComboBox::activated, this,
            [this](int channel) { Run([&] { console_.FirstChComboChange(channel); }); });
    connect(SecondChCombo, &QComboBox::activated, this,
            [this](int channel) { Run([&] { console_.SecondChComboChange(channel); }); });
    connect(ModeCombo, &QComboBox::activated, this,
            [this](int mode) { Run([&] { console_.ModeComboChange(mode); }); });
    connect(CounterCombo, &QComboBox::activated, this,
            [this](int channel) { Run([&] { console_.CounterComboChange(channel); }); });
    new EditCommitter(
        ArgumEdit, [this] { ArgumEditCommit(); }, [this] { ArgumEditCommit(); });
    connect(GoBtn, &QPushButton::clicked, this, [this] { Run([&] { console_.GoBtnClick(); }); });
    connect(StopBtn, &QPushButton::clicked, this,
            [this] { Run([&] { console_.StopBtnClick(); }); });
    connect(ApplyBtn, &QPushButton::clicked, this, &TBkltDlg::ApplyBtnClick);
    connect(ReadyBtn, &QPushButton::clicked, this, &TBkltDlg::ReadyBtnClick);
}

void TBkltDlg::Run(const std::function<void()>& command) {
    Guarded(command);
    ShowConsole();
}

void TBkltDlg::Open() {
    Guarded([&] {
        if (!console_.Open())
            return;
        TempEdit->setText(QString::fromUtf8(BkltConsole::kOpeningTemperature));
        ShowConsole();
        show();
        raise();
        activateWindow();
    });
    documentChanged_();
}

void TBkltDlg::CloseForManualInput() {
    Guarded([&] { console_.Close(); });
    ShowConsole();
    hide();
}

void TBkltDlg::ReadyBtnClick() {
    Guarded([&] { console_.ReadyBtnClick(); });
    ShowConsole();
    hide();
    documentChanged_();
}

void TBkltDlg::reject() {
    hide();
}

void TBkltDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        if (StopBtn->isEnabled())
            StopBtn->click();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (qobject_cast<QLineEdit*>(focusWidget()) != nullptr)
            return;
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}

void TBkltDlg::ArgumEditCommit() {
    Guarded([&] {
        ArgumEdit->setText(FromUtf8(console_.ArgumEditCommit(ArgumEdit->text().toStdString())));
        ArgumEdit->setModified(false);
    });
    ShowConsole();
}

void TBkltDlg::ApplyBtnClick() {
    BkltField focus = BkltField::None;
    Guarded([&] {
        focus =
            console_.ApplyBtnClick(MassEdit->text().toStdString(), VolEdit->text().toStdString(),
                                   TempEdit->text().toStdString());
    });
    switch (focus) {
    case BkltField::Mass:
        MassEdit->setFocus(Qt::OtherFocusReason);
        break;
    case BkltField::Volume:
        VolEdit->setFocus(Qt::OtherFocusReason);
        break;
    case BkltField::Temperature:
        TempEdit->setFocus(Qt::OtherFocusReason);
        break;
    case BkltField::None:
        break;
    }
    documentChanged_();
}

void TBkltDlg::ShowConsole() {
    const BkltView view = console_.View();
    ApplyComboState(FirstChCombo, view.FirstChCombo);
    ApplyComboState(SecondChCombo, view.SecondChCombo);
    ApplyComboState(ModeCombo, view.ModeCombo);
    ApplyComboState(CounterCombo, view.CounterCombo);
    ArgumLabel->setText(FromUtf8(view.ArgumLabel));
    ApplyEditState(ArgumEdit, view.ArgumEdit);
    MassEdit->setEnabled(view.MassEnabled);
    VolEdit->setEnabled(view.VolumeEnabled);
    TqStatic->setText(FromUtf8(view.TqText));
    T1Static->setText(FromUtf8(view.T1Text));
    N1Static->setText(FromUtf8(view.N1Text));
    N2Static->setText(FromUtf8(view.N2Text));
    GoBtn->setEnabled(view.GoEnabled);
    StopBtn->setEnabled(view.StopEnabled);
    ApplyBtn->setEnabled(view.ApplyEnabled);
}
