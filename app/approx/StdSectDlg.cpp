#include "approx/StdSectDlg.h"

#include "document/MeterSettings.h"
#include "document/StateWidgets.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <tuple>

namespace {

constexpr int kHeaderWidth = 28;
constexpr int kColumnWidth = 40;
constexpr int kRowHeight = 22;
constexpr int kGridLine = 1;

// The diameters the standard mode knows: 15 … 200 mm.
constexpr int kStdSectDiameters = 12;

const QColor kHeaderColor(192, 192, 192);
const std::array<QColor, 5> kLineColors{QColor(255, 0, 0), QColor(0, 0, 255), QColor(128, 0, 128),
                                        QColor(0, 128, 0), QColor(255, 255, 0)};

QLineEdit* NewEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromUtf8(name));
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 10);
    return edit;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

// --- LinesGrid ------------------------------------------------------------------

StdSectGrid::StdSectGrid(StdSectEditor& editor, QWidget* parent)
    : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("LinesGrid"));
    setMouseTracking(true);
    setFixedSize(sizeHint());
}

QRect StdSectGrid::CellRect(int column, int row) const {
    const int x = column == 0 ? 0 : kHeaderWidth + (column - 1) * kColumnWidth;
    const int width = column == 0 ? kHeaderWidth : kColumnWidth;
    return {x, row * kRowHeight, width - kGridLine, kRowHeight - kGridLine};
}

QSize StdSectGrid::sizeHint() const {
    return {kHeaderWidth + (kStdSectGridColumns - 1) * kColumnWidth, kStdSectGridRows * kRowHeight};
}

int StdSectGrid::ColumnAt(int x) const {
    if (x < 0)
        return -1;
    if (x < kHeaderWidth)
        return 0;
    return std::min(1 + (x - kHeaderWidth) / kColumnWidth, kStdSectGridColumns);
}

void StdSectGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The grid lines show through the gaps between the cells.
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    for (int row = 0; row < kStdSectGridRows; ++row)
        for (int column = 0; column < kStdSectGridColumns; ++column)
            DrawCell(painter, column, row);
}

void StdSectGrid::DrawCell(QPainter& painter, int column, int row) const {
    const QRect cell = CellRect(column, row);
    if (column == 0 || row == 0) {
        painter.fillRect(cell, kHeaderColor);
        const QString text = row == 0
                                 ? (column == 0 ? QString() : QStringLiteral("Q%1").arg(column))
                                 : QString::number(row);
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(cell, Qt::AlignCenter, text);
        return;
    }
    painter.fillRect(cell, editor_.CellFilled(column, row) ? kLineColors[row - 1]
                                                           : palette().color(QPalette::Button));
}

void StdSectGrid::mousePressEvent(QMouseEvent* event) {
    editor_.MouseDown(ColumnAt(event->position().toPoint().x()));
}

void StdSectGrid::mouseMoveEvent(QMouseEvent* event) {
    const int column = ColumnAt(event->position().toPoint().x());
    if (editor_.Dragging()) {
        if (editor_.MouseMove(column))
            update();
    } else if (editor_.IsBreakColumn(column)) {
        setCursor(Qt::SplitHCursor);
    } else {
        unsetCursor();
    }
}

void StdSectGrid::mouseReleaseEvent(QMouseEvent*) {
    editor_.MouseUp();
}

// --- The window -----------------------------------------------------------------

TStdSectDlg::TStdSectDlg(StdSectTable& table, QWidget* parent) : QDialog(parent), editor_(table) {
    setObjectName(QStringLiteral("TStdSectDlg"));
    setWindowTitle(QStringLiteral("Стандартные прямые"));

    TypeCombo = new QComboBox(this);
    TypeCombo->setObjectName(QStringLiteral("TypeCombo"));
    TypeCombo->addItem(QStringLiteral("ЛГМ-ЧИx.xx-xxx"));
    DuCombo = new QComboBox(this);
    DuCombo->setObjectName(QStringLiteral("DuCombo"));
    for (int du = 0; du < kStdSectDiameters; ++du)
        DuCombo->addItem(QString::number(DuTable[static_cast<size_t>(du)]));
    auto* selectors = new QHBoxLayout;
    selectors->addWidget(new QLabel(QStringLiteral("Тип :"), this));
    selectors->addWidget(TypeCombo);
    selectors->addSpacing(12);
    selectors->addWidget(new QLabel(QStringLiteral("Dу :"), this));
    selectors->addWidget(DuCombo);
    selectors->addStretch(1);

    auto* parameters = new QGroupBox(QStringLiteral("Параметры : "), this);
    auto* edits = new QGridLayout(parameters);
    HMaxEdit = NewEdit(parameters, "HMaxEdit");
    DeltaMaxEdit = NewEdit(parameters, "DeltaMaxEdit");
    TprivEdit = NewEdit(parameters, "TprivEdit");
    const std::array<std::tuple<const char*, QLineEdit*, const char*>, 3> rows{{
        {"hmax:", HMaxEdit, "%"},
        {"бmax:", DeltaMaxEdit, "%"},
        {"Tприв:", TprivEdit, "°C"},
    }};
    int line = 0;
    for (const auto& [label, edit, unit] : rows) {
        edits->addWidget(new QLabel(QString::fromUtf8(label), parameters), line, 0);
        edits->addWidget(edit, line, 1);
        edits->addWidget(new QLabel(QString::fromUtf8(unit), parameters), line, 2);
        ++line;
    }
    edits->setRowStretch(line, 1);

    LinesGrid = new StdSectGrid(editor_, this);
    auto* middle = new QHBoxLayout;
    middle->addWidget(parameters);
    middle->addWidget(LinesGrid, 0, Qt::AlignTop);

    ChangeBitBtn = NewButton(this, "ChangeBitBtn", "Сохранить");
    CloseBtn = NewButton(this, "CloseBtn", "Закрыть");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ChangeBitBtn);
    buttons->addWidget(CloseBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(selectors);
    layout->addLayout(middle);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    ShowEdits(editor_.Show(DuCombo->currentIndex()));
    connect(TypeCombo, &QComboBox::currentIndexChanged, this, &TStdSectDlg::DuComboChange);
    connect(DuCombo, &QComboBox::currentIndexChanged, this, &TStdSectDlg::DuComboChange);
    connect(ChangeBitBtn, &QPushButton::clicked, this, &TStdSectDlg::ChangeBitBtnClick);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TStdSectDlg::DuComboChange() {
    ShowEdits(editor_.Show(DuCombo->currentIndex()));
}

void TStdSectDlg::ChangeBitBtnClick() {
    ShowEdits(editor_.Save({HMaxEdit->text().toStdString(), DeltaMaxEdit->text().toStdString(),
                            TprivEdit->text().toStdString()}));
}

void TStdSectDlg::ShowEdits(const StdSectEdits& edits) {
    HMaxEdit->setText(FromUtf8(edits.HMax));
    DeltaMaxEdit->setText(FromUtf8(edits.DeltaMax));
    TprivEdit->setText(FromUtf8(edits.Tpriv));
    LinesGrid->update();
}
