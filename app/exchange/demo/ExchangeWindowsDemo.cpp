// Shows one exchange window alone, filled as in use, for the screenshots of
// docs/ (scripts/screenshots.sh):
//
//     lgmexchangedemo port|rig|adaptor [WIDTHxHEIGHT]
//
// The window is placed at the screen's corner in the size given (its own
// size when none is); nothing is sent to a device.
#include "document/LgmApplication.h"
#include "exchange/AdaptorUnit.h"
#include "exchange/Bkltunit.h"
#include "exchange/MeterExchange.h"
#include "exchange/TunePortUnit.h"
#include "exchange/XThreadLink.h"

#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

// Places the window once it is shown, and tells its natural size.
void Place(QWidget* window, const char* size) {
    QTimer::singleShot(0, window, [window, size] {
        int width = 0;
        int height = 0;
        if (size != nullptr && std::sscanf(size, "%dx%d", &width, &height) == 2)
            window->setGeometry(0, 0, width, height);
        else {
            std::printf("%dx%d\n", window->width(), window->height());
            std::fflush(stdout);
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    LgmApplication app(argc, argv);
    const char* which = argc > 1 ? argv[1] : "";
    const char* size = argc > 2 ? argv[2] : nullptr;

    if (std::strcmp(which, "port") == 0) {
        TTunePortDlg dialog;
        Place(&dialog, size);
        dialog.Choose(0);
        return 0;
    }
    if (std::strcmp(which, "adaptor") == 0) {
        TAdaptorDlg dialog(nullptr, [](int, bool) {});
        dialog.Show(AdaptorTuned(3, 17, 1, 50));
        Place(&dialog, size);
        dialog.exec();
        return 0;
    }
    if (std::strcmp(which, "rig") == 0) {
        CalibrationDocument document;
        document.SetPortIndex(1);
        TZorXThread thread; // never started: nothing goes to a device
        XThreadLink link(thread);
        BkltConsole console(link, document);
        TBkltDlg dialog(nullptr, console, [] {});
        dialog.Open();
        // A finished run of 100 s as the rig reports it.
        BkltState state{};
        state.Code = BKLT_CODE_TIME;
        state.Status = BKLT_STATUS_FINISHED;
        state.Measurement.ChannelTime[0] = 99.964;
        state.Measurement.ChannelCount[0] = 13889;
        state.Measurement.ChannelCount[1] = 2778;
        console.StateArrived(state);
        console.Stopped();
        dialog.ShowConsole();
        Place(&dialog, size);
        return app.exec();
    }
    std::fprintf(stderr, "usage: lgmexchangedemo port|rig|adaptor [WIDTHxHEIGHT]\n");
    return 2;
}
