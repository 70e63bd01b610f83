// "Сервис - настройки адаптера": the adaptor's input threshold, set by hand
// or searched automatically, with the flash duration the adaptor measured.
#pragma once

#include "exchange/ServiceRules.h"

#include <QDialog>

#include <functional>

class QLabel;
class QSlider;

class TAdaptorDlg : public QDialog {
    Q_OBJECT
public:
    // tune(level, automatic) starts a tuning ("Ручная настройка" with the
    // track's level, "Автонастройка").
    TAdaptorDlg(QWidget* parent, std::function<void(int, bool)> tune);

    // Shows the window modally as it opens (AdaptorOpening).
    void Execute(const AdaptorView& opening);
    // Shows the outcome of a tuning.
    void Show(const AdaptorView& view);

private:
    std::function<void(int, bool)> tune_;
    QSlider* LevelTrack = nullptr;
    QLabel* VersionText = nullptr;
    QLabel* LedImage = nullptr;
};
