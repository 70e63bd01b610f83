// lgmtool approx IN.srv -o OUT.srv [--mode …] [--h PCT] [--delta PCT]
// [--tpriv C] [--stdsect StdSect.dat]: "Выполнить аппроксимацию" on the
// calibration list of a file, with the window's rules and messages, and the
// result saved as a calibration file.
#include "Command.h"
#include "ConsoleMessages.h"
#include "DocumentFiles.h"

#include "document/CalibrationDocument.h"
#include "files/FileCommands.h"
#include "files/FileIo.h"
#include "files/StdSectFile.h"

#include <optional>

namespace {

class ApproxCommand final : public Command {
public:
    CLI::App* Setup(CLI::App& app) override {
        CLI::App* sub = app.add_subcommand(
            "approx", "Approximate a file's calibration list as \"Выполнить аппроксимацию\" "
                      "does and save the result");
        sub->add_option("input", input_, "Calibration file to approximate")->required();
        sub->add_option("-o,--output", output_, "Calibration file to write")->required();
        sub->add_option("--mode", mode_, "Approximation mode (default: the file's)")
            ->transform(CLI::CheckedTransformer(
                std::map<std::string, int>{{"standard", ApproxMode::Standard},
                                           {"auto", ApproxMode::Automatic},
                                           {"means", ApproxMode::ManualByMeans},
                                           {"all", ApproxMode::ManualByAll}}));
        sub->add_option("--h", spread_, "Spread limit h, % (0.1 … 10)");
        sub->add_option("--delta", error_, "Error limit δ, % (0.1 … 10)");
        sub->add_option("--tpriv", tpriv_, "Reference temperature, °C (5 … 30)");
        sub->add_option("--stdsect", stdSect_, "Standard sections file (StdSect.dat)")
            ->check(CLI::ExistingFile);
        return sub;
    }

    int Run() override {
        CalibrationDocument doc;
        FileCommands files(doc);
        if (!OpenDocument(files, input_))
            return kExitFailed;
        if (stdSect_ && LoadStdSectFile(*stdSect_, doc.StdSects()) != StdSectReadStatus::Ok)
            return kExitFailed;
        // The edits and the combo of the window, in the order an operator
        // would use them; each refusal was shown by the core.
        if (mode_ && !doc.ApproxMethodComboChange(*mode_).Accepted)
            return kExitFailed;
        if (spread_ && !doc.CommitDeviationEdit(*spread_).Accepted)
            return kExitFailed;
        if (error_ && !doc.CommitErrEdit(*error_).Accepted)
            return kExitFailed;
        if (tpriv_ && !doc.CommitTempEdit(*tpriv_).Accepted)
            return kExitFailed;
        switch (doc.ApproxBtnClick()) {
        case ApproxRun::Done:
            break;
        case ApproxRun::Empty:
            ReportFailure(input_ + ": the calibration list is empty");
            return kExitFailed;
        case ApproxRun::Refused:
        case ApproxRun::Failed:
            return kExitFailed;
        }
        return SaveDocument(files, output_) ? kExitOk : kExitFailed;
    }

private:
    std::string input_;
    std::string output_;
    std::optional<int> mode_;
    std::optional<std::string> spread_;
    std::optional<std::string> error_;
    std::optional<std::string> tpriv_;
    std::optional<std::string> stdSect_;
};

const CommandRegistration registration("approx", [] { return std::make_unique<ApproxCommand>(); });

} // namespace
