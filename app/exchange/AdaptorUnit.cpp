#include "exchange/AdaptorUnit.h"

#include "exchange/DialogParts.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr int kLedSize = 20;

// The indicator: grey before a measurement, red out of range, green in range.
QPixmap LedPicture(AdaptorPicture picture) {
    static const QColor colours[] = {Qt::gray, Qt::red, Qt::green};
    QPixmap pixmap(kLedSize, kLedSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::darkGray);
    painter.setBrush(colours[static_cast<int>(picture)]);
    painter.drawEllipse(1, 1, kLedSize - 2, kLedSize - 2);
    return pixmap;
}

} // namespace

TAdaptorDlg::TAdaptorDlg(QWidget* parent, std::function<void(int, bool)> tune)
    : QDialog(parent), tune_(std::move(tune)) {
    SetUpDialog(this, "TAdaptorDlg", "Сервис - настройки адаптера");

    LevelTrack = NamedControl<QSlider>(this, "LevelTrack");
    LevelTrack->setOrientation(Qt::Horizontal);
    LevelTrack->setRange(0, kMaxAdaptorLevel);
    LevelTrack->setPageStep(1);
    LevelTrack->setTickPosition(QSlider::TicksBelow);
    LevelTrack->setTickInterval(1);
    VersionText = NamedControl<QLabel>(this, "VersionText");
    LedImage = NamedControl<QLabel>(this, "LedImage");
    LedImage->setFixedSize(kLedSize, kLedSize);

    auto* manual = NamedButton(this, "SetBtn", "Ручная настройка");
    auto* automatic = NamedButton(this, "AutoSetBtn", "Автонастройка");
    auto* close = NamedButton(this, "CloseBtn", "Закрыть");
    connect(manual, &QPushButton::clicked, this, [this] { tune_(LevelTrack->value(), false); });
    connect(automatic, &QPushButton::clicked, this, [this] { tune_(LevelTrack->value(), true); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(TextLabel(this, "Порог выделения :"), 0, 0);
    auto* track = new QHBoxLayout;
    track->addWidget(TextLabel(this, "min"));
    track->addWidget(LevelTrack, 1);
    track->addWidget(TextLabel(this, "max"));
    track->addWidget(LedImage);
    grid->addLayout(track, 0, 1);
    grid->addWidget(TextLabel(this, "Версия адаптера :"), 1, 0);
    grid->addWidget(VersionText, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(manual);
    buttons->addWidget(automatic);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void TAdaptorDlg::Execute(const AdaptorView& opening) {
    Show(opening);
    exec();
}

void TAdaptorDlg::Show(const AdaptorView& view) {
    VersionText->setText(FromUtf8(view.VersionText));
    // A failed search ends below the lowest level: the track shows its end.
    LevelTrack->setValue(view.Level);
    LedImage->setPixmap(LedPicture(view.Picture));
    LedImage->setToolTip(FromUtf8(view.Hint));
}
