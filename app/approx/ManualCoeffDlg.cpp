#include "approx/ManualCoeffDlg.h"

#include "document/CalibrationDocument.h"
#include "document/StateWidgets.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr const char* kFocusMark = "<-";

QLineEdit* NewEdit(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-00.0000000")) + 10);
    return edit;
}

std::string TextOf(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

TManualCoeffDlg::TManualCoeffDlg(uint32_t maxLines, bool bAllowed, LineTable& lines,
                                 QWidget* parent)
    : QDialog(parent), rules_(maxLines, bAllowed, lines) {
    setObjectName(QStringLiteral("TManualCoeffDlg"));
    setWindowTitle(QStringLiteral("Ручной ввод коэффициентов"));

    // Each line takes two grid rows; an F edit spans the lower half of its
    // line and the upper half of the next, between the two lines it divides.
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(QStringLiteral("Коэфф. A"), this), 0, 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Коэфф. B"), this), 0, 2, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Частота F, Гц"), this), 0, 3, Qt::AlignCenter);
    for (int i = 0; i < kManualLineRows; ++i) {
        const int row = 1 + 2 * i;
        auto* check = new QCheckBox(this);
        check->setObjectName(QStringLiteral("Line%1Check").arg(i + 1));
        // Room for the mark, so the row does not move when it appears.
        check->setText(FromUtf8(kFocusMark));
        check->setMinimumWidth(check->sizeHint().width());
        check->setText(QString());
        check->installEventFilter(this);
        connect(check, &QCheckBox::clicked, this,
                [this, i](bool checked) { LineCheckClick(i + 1, checked); });
        LineCheck[i] = check;
        AEdit[i] = NewEdit(this, QStringLiteral("A%1Edit").arg(i + 1));
        BEdit[i] = NewEdit(this, QStringLiteral("B%1Edit").arg(i + 1));
        grid->addWidget(check, row, 0, 2, 1);
        grid->addWidget(AEdit[i], row, 1, 2, 1);
        grid->addWidget(BEdit[i], row, 2, 2, 1);
        if (i < kManualFrequencyRows) {
            FEdit[i] = NewEdit(this, QStringLiteral("F%1Edit").arg(i + 1));
            grid->addWidget(FEdit[i], row + 1, 3, 2, 1);
        }
    }

    ApplyBtn = new QPushButton(QStringLiteral("Применить"), this);
    ApplyBtn->setObjectName(QStringLiteral("ApplyBtn"));
    ApplyBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    connect(ApplyBtn, &QPushButton::clicked, this, &TManualCoeffDlg::ApplyBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ApplyBtn);
    buttons->addWidget(CancelBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ShowRows();
}

bool TManualCoeffDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
        if (auto* check = qobject_cast<QCheckBox*>(watched))
            check->setText(event->type() == QEvent::FocusIn ? FromUtf8(kFocusMark) : QString());
    }
    return QDialog::eventFilter(watched, event);
}

void TManualCoeffDlg::LineCheckClick(int row, bool checked) {
    rules_.LineCheckClick(row, checked, Typed());
    ShowRows();
}

void TManualCoeffDlg::ApplyBtnClick() {
    const std::optional<ManualCoeffEdit> bad = rules_.ApplyBtnClick(Typed());
    ShowRows();
    if (bad)
        Edit(*bad)->setFocus(Qt::OtherFocusReason);
    else
        accept();
}

ManualCoeffTexts TManualCoeffDlg::Typed() const {
    ManualCoeffTexts texts;
    for (size_t i = 0; i < kManualLineRows; ++i) {
        texts.A[i] = TextOf(AEdit[i]);
        texts.B[i] = TextOf(BEdit[i]);
    }
    for (size_t i = 0; i < kManualFrequencyRows; ++i)
        texts.F[i] = TextOf(FEdit[i]);
    return texts;
}

void TManualCoeffDlg::ShowRows() {
    const ManualCoeffTexts& texts = rules_.Texts();
    const auto show = [](QLineEdit* edit, bool enabled, const std::string& text) {
        edit->setEnabled(enabled);
        edit->setText(FromUtf8(text));
    };
    for (size_t i = 0; i < kManualLineRows; ++i) {
        const ManualCoeffRow& row = rules_.Rows()[i];
        LineCheck[i]->setEnabled(row.CheckEnabled);
        LineCheck[i]->setChecked(row.Checked);
        show(AEdit[i], row.AEnabled, texts.A[i]);
        show(BEdit[i], row.BEnabled, texts.B[i]);
        if (i < kManualFrequencyRows)
            show(FEdit[i], row.FEnabled, texts.F[i]);
    }
}

QLineEdit* TManualCoeffDlg::Edit(const ManualCoeffEdit& edit) const {
    const auto index = static_cast<size_t>(edit.Row - 1);
    switch (edit.Field) {
    case ManualCoeffField::A:
        return AEdit[index];
    case ManualCoeffField::B:
        return BEdit[index];
    case ManualCoeffField::F:
        break;
    }
    return FEdit[index];
}

void ShowManualCoefficients(QWidget* parent, CalibrationDocument& document) {
    const bool bAllowed = HasFeature(document.Settings().DevType, MeterFeature::InterceptB);
    TManualCoeffDlg dialog(document.MaxLineCount(), bAllowed, document.Params(), parent);
    dialog.exec();
    document.RecomputeMeasurements();
}
