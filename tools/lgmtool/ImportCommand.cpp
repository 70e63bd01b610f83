// lgmtool import IN.kla|IN.txt -o OUT.srv: "Открыть..." of a .kla or MathCAD
// file (with its .hdr, when there is one), saved as a calibration file.
#include "Command.h"
#include "DocumentFiles.h"

#include "document/CalibrationDocument.h"
#include "files/FileCommands.h"

namespace {

class ImportCommand final : public Command {
public:
    CLI::App* Setup(CLI::App& app) override {
        CLI::App* sub = app.add_subcommand(
            "import", "Import a .kla or MathCAD .txt file and save it as a calibration file");
        sub->add_option("input", input_, "File to import (*.kla, *.txt)")->required();
        sub->add_option("-o,--output", output_, "Calibration file to write")->required();
        return sub;
    }

    int Run() override {
        CalibrationDocument doc;
        FileCommands files(doc);
        return OpenDocument(files, input_) && SaveDocument(files, output_) ? kExitOk : kExitFailed;
    }

private:
    std::string input_;
    std::string output_;
};

const CommandRegistration registration("import", [] { return std::make_unique<ImportCommand>(); });

} // namespace
