// The files the program keeps beside its executable: "StdSect.dat", read
// once when the main window is made and written once when it goes (in the
// user's own folder when the program's cannot be written: StdSectStore).
#pragma once

#include "document/StdSect.h"

#include <QString>

// The folder of those files. The program sets its executable's folder
// (QCoreApplication::applicationDirPath()) and the user's settings folder
// (UserSettingsFolder) before it makes the main window; until a folder is set
// nothing is read or written, so a main window made by a test or a benchmark
// leaves the program's own file alone, and one given no user folder leaves
// the user's file alone too.
QString ProgramFilesFolder();
void SetProgramFilesFolder(const QString& folder, const QString& userFolder = QString());

// Reads the standard sections file into the table (StdSectStore::Load: a
// missing file is no error, a damaged one is shown and set aside).
void LoadStdSects(StdSectTable& table);
// Writes the table's defined entries to the file (StdSectStore::Save).
void SaveStdSects(const StdSectTable& table);
