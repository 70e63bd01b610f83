#include "files/ProgramFiles.h"

#include "files/StdSectFile.h"

namespace {

struct Folders {
    QString Program;
    QString User;
};

Folders& Current() {
    static Folders folders;
    return folders;
}

StdSectStore Store() {
    return StdSectStore(Current().Program.toStdString(), Current().User.toStdString());
}

} // namespace

QString ProgramFilesFolder() {
    return Current().Program;
}

void SetProgramFilesFolder(const QString& folder, const QString& userFolder) {
    Current() = {folder, userFolder};
}

void LoadStdSects(StdSectTable& table) {
    if (!Current().Program.isEmpty())
        Store().Load(table);
}

void SaveStdSects(const StdSectTable& table) {
    if (!Current().Program.isEmpty())
        Store().Save(table);
}
