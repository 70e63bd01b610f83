// lgmservice: the calibration and verification workstation.
//
// Set LGMSERVICE_EXIT_AFTER_SHOW=1 to end the program as soon as the main
// window has been painted the first time (start-up timing, bench/startup.sh).

#include "document/CalibrN3Unit.h"
#include "document/HandlerGuard.h"
#include "document/LgmApplication.h"
#include "document/StartUp.h"
#include "files/ProgramFiles.h"

#include <QTimer>

#include <cstdlib>
#include <memory>

namespace {

// Quits the application once the watched window has painted itself.
class QuitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    LgmApplication app(argc, argv);

    SetProgramFilesFolder(QCoreApplication::applicationDirPath(),
                          QString::fromStdString(UserSettingsFolder()));
    std::unique_ptr<TCalibrN3Form> mainWindow;
    try {
        mainWindow = std::make_unique<TCalibrN3Form>(ParseCommandLine(argc, argv));
    } catch (...) {
        ShowEscapedError();
        return 1;
    }

    const char* exitAfterShow = std::getenv("LGMSERVICE_EXIT_AFTER_SHOW");
    if (exitAfterShow != nullptr && *exitAfterShow != '\0' && *exitAfterShow != '0')
        mainWindow->installEventFilter(new QuitAfterFirstPaint(&app));

    mainWindow->show();
    return app.exec();
}
