#include "files/SelTxtExpDlg.h"

#include "document/StateWidgets.h"
#include "files/MathCadFiles.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TSelTxtExpDlg::TSelTxtExpDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TSelTxtExpDlg"));
    setWindowTitle(QStringLiteral("Экспорт в MathCAD"));

    auto* layout = new QVBoxLayout(this);
    DataListBox = new QListWidget(this);
    DataListBox->setObjectName(QStringLiteral("DataListBox"));
    for (const MathCadColumn& column : kMathCadColumns)
        DataListBox->addItem(FromUtf8(column.Item));
    // Every item in view: the list never scrolls.
    DataListBox->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    DataListBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    DataListBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(DataListBox);

    HeaderCheckBox = new QCheckBox(QStringLiteral("Создать заголовочный файл"), this);
    HeaderCheckBox->setObjectName(QStringLiteral("HeaderCheckBox"));
    // A data file without its header is read back as the columns "Q_" and
    // "F_" only, so the header is written unless the operator says otherwise.
    HeaderCheckBox->setChecked(true);
    layout->addWidget(HeaderCheckBox);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    OkBtn = new QPushButton(QStringLiteral("Продолжить"), this);
    OkBtn->setObjectName(QStringLiteral("OkBtn"));
    OkBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Отмена"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    buttons->addWidget(OkBtn);
    buttons->addWidget(CancelBtn);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(OkBtn, &QPushButton::clicked, this, &TSelTxtExpDlg::OkBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<ColumnChoice> TSelTxtExpDlg::Run(uint32_t enabledMask, uint32_t checkedMask) {
    for (int i = 0; i < DataListBox->count(); ++i) {
        QListWidgetItem* item = DataListBox->item(i);
        const uint32_t bit = 1u << i;
        Qt::ItemFlags flags = Qt::ItemIsUserCheckable | Qt::ItemIsSelectable;
        if ((enabledMask & bit) != 0)
            flags |= Qt::ItemIsEnabled;
        item->setFlags(flags);
        item->setCheckState((checkedMask & bit) != 0 ? Qt::Checked : Qt::Unchecked);
    }
    DataListBox->setCurrentRow(0);
    OkBtn->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return ColumnChoice{TickedMask(), HeaderCheckBox->isChecked()};
}

void TSelTxtExpDlg::OkBtnClick() {
    if (TickedMask() != 0)
        accept();
}

uint32_t TSelTxtExpDlg::TickedMask() const {
    uint32_t mask = 0;
    for (int i = 0; i < DataListBox->count(); ++i) {
        const QListWidgetItem* item = DataListBox->item(i);
        if ((item->flags() & Qt::ItemIsEnabled) && item->checkState() == Qt::Checked)
            mask |= 1u << i;
    }
    return mask;
}
