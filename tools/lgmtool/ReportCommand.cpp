// lgmtool report FILE -o OUT.pdf [--mode calibration|verification]
// [--template FILE]: the calibration or verification report of a file, as
// "Отчет" prints it, written as PDF without a window.
#include "Command.h"
#include "ConsoleMessages.h"
#include "DocumentFiles.h"

#include "charts/ReportBuilder.h"
#include "charts/ReportRenderer.h"
#include "document/CalibrationDocument.h"
#include "document/StartUp.h"
#include "files/FileCommands.h"

#include <QGuiApplication>

#include <clocale>
#include <ctime>

namespace {

class ReportCommand final : public Command {
public:
    CLI::App* Setup(CLI::App& app) override {
        CLI::App* sub = app.add_subcommand(
            "report", "Write the calibration or verification report of a file as PDF");
        sub->add_option("file", path_, "Calibration file (*.srv), or a .kla or MathCAD file")
            ->required();
        sub->add_option("-o,--output", output_, "PDF file to write")->required();
        sub->add_option("--mode", mode_,
                        "Which report: calibration (GradRpt.frf) or verification "
                        "(PovRpt.frf)")
            ->check(CLI::IsMember({"calibration", "verification"}))
            ->capture_default_str();
        sub->add_option("--template", template_,
                        "Report template instead of the one installed with lgmtool");
        return sub;
    }

    int Run() override {
        CalibrationDocument doc;
        FileCommands files(doc);
        Console().SetInfoShown(false);
        if (!OpenDocument(files, path_))
            return kExitFailed;
        // The report of a mode needs nothing but its list: no characteristic
        // is asked for, as switching the window to "Поверка" would.
        doc.Settings().Mode =
            mode_ == "verification" ? WorkMode::Verification : WorkMode::Calibration;

        const std::string templatePath =
            template_.empty() ? ReportTemplatePath(ProgramFolder(), doc.Settings().Mode)
                              : template_;
        std::string why;
        const std::optional<ReportTemplate> report = LoadReportTemplate(templatePath, &why);
        if (!report) {
            ShowError(kNoReportTemplateText);
            ReportFailure(templatePath + ": " + why);
            return kExitFailed;
        }
        const ExpandedReport filled =
            ExpandReport(*report, ReportVariables(doc, std::time(nullptr)));

        // Pages are laid out by Qt's text engine, which needs a GUI
        // application but no screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        int argc = 1;
        char name[] = "lgmtool";
        char* argv[] = {name, nullptr};
        QGuiApplication application(argc, argv);
        std::setlocale(LC_ALL, "C");
        if (!WriteReportPdf(filled, QString::fromStdString(output_))) {
            ReportFailure(output_ + ": not written");
            return kExitFailed;
        }
        return kExitOk;
    }

private:
    std::string path_;
    std::string output_;
    std::string mode_ = "calibration";
    std::string template_;
};

const CommandRegistration registration("report", [] { return std::make_unique<ReportCommand>(); });

} // namespace
