// "О программе...": the program's name and version.
#pragma once

#include <QDialog>

class TAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDlg(QWidget* parent = nullptr);

    static constexpr const char* kVersion = "1.0.0.5";
};
