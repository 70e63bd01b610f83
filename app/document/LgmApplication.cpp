#include "document/LgmApplication.h"

#include <QFont>
#include <QLibraryInfo>
#include <QLocale>

#include <clocale>

namespace {
constexpr double kFontPointSize = 8.0;
} // namespace

LgmApplication::LgmApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("lgmservice"));
    setApplicationDisplayName(QString::fromUtf8(kApplicationTitle));
    // Lets the desktop match the windows with the menu entry and its icon.
    setDesktopFileName(QStringLiteral("lgmservice"));

    // The windows are laid out for the compact dialog font of a desktop
    // program (the main window is 779 pixels wide).
    QFont compact = font();
    if (compact.pointSizeF() > kFontPointSize) {
        compact.setPointSizeF(kFontPointSize);
        setFont(compact);
    }

    // The interface is Russian whatever the desktop's language, so the
    // standard buttons ("Да", "Нет", "Отмена") are too.
    if (qtTexts_.load(QStringLiteral("qtbase_ru"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(&qtTexts_);

    // QApplication has just taken the regional settings into the C library;
    // numbers are shown and written with '.', so set it back.
    if (const char* numeric = std::setlocale(LC_NUMERIC, nullptr))
        previousNumeric_ = numeric;
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());

    previousSink_ = InstallMessageSink(&messageBoxes_);
    InstallSystemErrorBoxes();
}

LgmApplication::~LgmApplication() {
    RemoveSystemErrorBoxes();
    InstallMessageSink(previousSink_);
    if (!previousNumeric_.empty())
        std::setlocale(LC_NUMERIC, previousNumeric_.c_str());
}
