#include "DocumentFiles.h"

#include "ConsoleMessages.h"

bool OpenDocument(FileCommands& files, const std::string& path) {
    if (files.FileOpenItemClick(path) == FileOutcome::Done)
        return true;
    ReportFailure(path + ": not opened");
    return false;
}

bool SaveDocument(FileCommands& files, const std::string& path) {
    if (files.FileSaveAsItemClick(path, kSaveFilterCalibration, nullptr) == FileOutcome::Done)
        return true;
    ReportFailure(path + ": not saved");
    return false;
}
