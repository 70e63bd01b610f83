// lgmtool export IN.srv -o OUT.txt [--columns T_,Q_,…] [--header]: the
// MathCAD export of "Сохранить как..." for a file's calibration list.
#include "Command.h"
#include "ConsoleMessages.h"
#include "DocumentFiles.h"

#include "document/CalibrationDocument.h"
#include "files/FileCommands.h"
#include "files/MathCadFiles.h"

#include <vector>

namespace {

class ExportCommand final : public Command {
public:
    CLI::App* Setup(CLI::App& app) override {
        CLI::App* sub =
            app.add_subcommand("export", "Export a file's calibration list as a MathCAD text file");
        sub->add_option("input", input_, "File to export (*.srv, or a file to import)")->required();
        sub->add_option("-o,--output", output_, "MathCAD data file to write")->required();
        std::string codes;
        for (const MathCadColumn& c : kMathCadColumns)
            codes += std::string(codes.empty() ? "" : ",") + c.Code;
        sub->add_option("--columns", columns_,
                        "Columns in any order, comma-separated (default T_,Q_,F_,dQ,A_,B_); "
                        "codes: " +
                            codes)
            ->delimiter(',')
            ->check([](const std::string& code) {
                return MathCadColumnOf(code) ? std::string() : "unknown column " + code;
            });
        sub->add_flag("--header", header_, "Also write the header file (.hdr)");
        return sub;
    }

    int Run() override {
        CalibrationDocument doc;
        FileCommands files(doc);
        if (!OpenDocument(files, input_))
            return kExitFailed;
        uint32_t mask = files.ExportMask();
        if (!columns_.empty()) {
            mask = 0;
            for (const std::string& code : columns_)
                mask |= 1u << *MathCadColumnOf(code);
        }
        const ColumnChoice choice{mask, header_};
        const auto chooser = [choice](uint32_t, uint32_t) { return std::optional(choice); };
        if (files.FileSaveAsItemClick(output_, kSaveFilterMathCad, chooser) != FileOutcome::Done) {
            ReportFailure(output_ + ": not exported");
            return kExitFailed;
        }
        return kExitOk;
    }

private:
    std::string input_;
    std::string output_;
    std::vector<std::string> columns_;
    bool header_ = false;
};

const CommandRegistration registration("export", [] { return std::make_unique<ExportCommand>(); });

} // namespace
