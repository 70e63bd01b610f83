// Opening and saving a document from a subcommand, with the tool's own
// report when the core refused.
#pragma once

#include "files/FileCommands.h"

#include <string>

// "Открыть..." with path; false, reported on stderr, unless it was opened or
// imported.
bool OpenDocument(FileCommands& files, const std::string& path);

// "Сохранить как..." as a calibration file; false, reported, unless saved.
bool SaveDocument(FileCommands& files, const std::string& path);
