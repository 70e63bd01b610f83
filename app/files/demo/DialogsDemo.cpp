// Shows one of the windows of the files and the approximation alone, filled
// as in use, for the screenshots of docs/ (scripts/screenshots.sh):
//
//     lgmdialogsdemo stdsect|manual|columns [WIDTHxHEIGHT]
//
// The window is placed at the screen's corner in the size given (its own
// size when none is, printed); nothing is read or written.
#include "approx/ManualCoeffDlg.h"
#include "approx/StdSectDlg.h"
#include "document/CalibrationDocument.h"
#include "document/LgmApplication.h"
#include "files/MathCadFiles.h"
#include "files/SelTxtExpDlg.h"

#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

// Places the window once it is shown, or tells its natural size.
void Place(QWidget* window, const char* size) {
    QTimer::singleShot(0, window, [window, size] {
        int width = 0;
        int height = 0;
        if (size != nullptr && std::sscanf(size, "%dx%d", &width, &height) == 2) {
            window->setGeometry(0, 0, width, height);
        } else {
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
    CalibrationDocument document;

    if (std::strcmp(which, "stdsect") == 0) {
        // 15 mm defined, its free section moved to Q3–Q5.
        StdSect& entry = document.StdSects()[0];
        entry = {kStdSectDefined, 0.01, 0.05, 20.0, {1, 2, 4, 5}};
        TStdSectDlg dialog(document.StdSects());
        Place(&dialog, size);
        dialog.exec();
        return 0;
    }
    if (std::strcmp(which, "manual") == 0) {
        // The start-up characteristic: five lines.
        TManualCoeffDlg dialog(5, true, document.Params());
        Place(&dialog, size);
        dialog.exec();
        return 0;
    }
    if (std::strcmp(which, "columns") == 0) {
        TSelTxtExpDlg dialog;
        Place(&dialog, size);
        dialog.Run(kMathCadAllColumns, kMathCadInitialMask);
        return 0;
    }
    std::fprintf(stderr, "usage: lgmdialogsdemo stdsect|manual|columns [WIDTHxHEIGHT]\n");
    return 2;
}
