#include "files/ProgramFiles.h"

#include "files/StdSectFile.h"

namespace {

QString& Folder() {
    static QString folder;
    return folder;
}

std::string StdSectFilePath() {
    return StdSectPath(Folder().toStdString());
}

} // namespace

QString ProgramFilesFolder() {
    return Folder();
}

void SetProgramFilesFolder(const QString& folder) {
    Folder() = folder;
}

void LoadStdSects(StdSectTable& table) {
    if (!Folder().isEmpty())
        LoadStdSectFile(StdSectFilePath(), table);
}

void SaveStdSects(const StdSectTable& table) {
    if (!Folder().isEmpty())
        SaveStdSectFile(StdSectFilePath(), table);
}
