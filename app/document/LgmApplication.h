// The application object of lgmservice and the process-wide choices it makes
// for the whole run: the application's title "ЛГМ-Сервис", Qt's own Russian
// texts for standard buttons, '.' as the decimal separator whatever the
// operator's regional settings say, and the message boxes behind the core's
// ShowError, ShowInfo and AskYesNo and behind ZorCommon's system-error
// message. The destructor restores what it changed.
#pragma once

#include "document/MessageBoxSink.h"

#include <QApplication>
#include <QTranslator>

#include <string>

class LgmApplication : public QApplication {
    Q_OBJECT
public:
    LgmApplication(int& argc, char** argv);
    ~LgmApplication() override;

private:
    QTranslator qtTexts_;
    MessageBoxSink messageBoxes_;
    MessageSink* previousSink_ = nullptr;
    std::string previousNumeric_;
};
