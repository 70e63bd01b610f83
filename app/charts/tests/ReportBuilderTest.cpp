// Filling templates: bands per row, escaping, page fields, and the templates
// the program ships.
#include "charts/ReportBuilder.h"
#include "document/testing/MessageRecorder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

MeasurementRecord Row(double flow, bool disabled = false) {
    MeasurementRecord r = NewMeasurement();
    r.EtalonFlow = flow;
    r.FlowDeviation = 0.001 * flow;
    if (disabled)
        r.Flags |= RecordFlag::Disabled;
    return r;
}

ReportTemplate Parse(std::string_view text) {
    std::string error;
    std::optional<ReportTemplate> t = ParseReportTemplate(text, &error);
    EXPECT_TRUE(t) << error;
    return t.value_or(ReportTemplate{});
}

class ReportBuilderTest : public testing::Test {
protected:
    ReportBuilderTest() {
        doc.CalibrationList().Add(Row(1));
        doc.CalibrationList().Add(Row(2, true));
        doc.CalibrationList().Add(Row(3));
    }

    std::string Body(std::string_view text) const {
        return ExpandReport(Parse(text), ReportVariables(doc, 0)).Body;
    }

    MessageRecorder messages;
    CalibrationDocument doc;
};

TEST_F(ReportBuilderTest, TheBandIsWrittenOncePerEnabledRow) {
    EXPECT_EQ(Body("<p>[NumOfRecords]</p><!--band--><i>[EtalonFlow:%.1f] [FlowDeviation:%.1f]</i>"
                   "<!--/band--><p>[EtalonFlow]</p>"),
              "<p>2</p><i>1.0 0.1</i><i>3.0 0.3</i><p> </p>");
    doc.CalibrationList().Clear();
    EXPECT_EQ(Body("<table><tr><th>Q</th></tr><!--band--><tr><td>[EtalonFlow]</td></tr><!--/band-->"
                   "</table>"),
              "<table><tr><th>Q</th></tr></table>");
}

TEST_F(ReportBuilderTest, UnknownNamesGiveASpaceWhateverTheirFormat) {
    doc.Settings().DevType = 0;
    EXPECT_EQ(Body("[DevType] [Unknown:%.2f] [devtype]"), "ГКМС-Т    ");
}

TEST_F(ReportBuilderTest, PageFieldsWaitForThePages) {
    const ExpandedReport report = ExpandReport(
        Parse("<!--pageheader-->[SerNo:%08d]<!--/pageheader-->"
              "<p>[PAGE#:%03d]</p><!--pagefooter-->[PAGE#] из [TOTALPAGES]<!--/pagefooter-->"),
        ReportVariables(doc, 0));
    EXPECT_EQ(report.PageHeader, "00000001");
    EXPECT_EQ(FillPageFields(report.PageFooter, {2, 7}), "2 из 7");
    EXPECT_EQ(FillPageFields(report.Body, {12, 13}), "<p>012</p>");
    EXPECT_EQ(FillPageFields("no marks", {1, 1}), "no marks");
}

TEST_F(ReportBuilderTest, TemplatesComeFromTheFolderByMode) {
    const fs::path folder = fs::temp_directory_path() / ("lgm-report-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "GradRpt.frf") << "<p>Градуировка [NumOfRecords]</p>";
    std::ofstream(folder / "PovRpt.frf") << "<p>[SerNo</p>"; // damaged

    const std::optional<ExpandedReport> grad = RepBtnClick(doc, folder.string(), 0);
    ASSERT_TRUE(grad);
    EXPECT_EQ(grad->Body, "<p>Градуировка 2</p>");
    EXPECT_TRUE(messages.Empty());

    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_FALSE(RepBtnClick(doc, folder.string(), 0));
    fs::remove(folder / "PovRpt.frf");
    EXPECT_FALSE(RepBtnClick(doc, folder.string(), 0));
    fs::create_directory(folder / "PovRpt.frf"); // a folder is no template either
    EXPECT_FALSE(RepBtnClick(doc, folder.string(), 0));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(3, "Не найден файл параметров отчета"));
    fs::remove_all(folder);
}

// Installed, the program sits in bin/ and its templates in share/lgmservice/;
// a template beside the program still comes first.
TEST_F(ReportBuilderTest, AnInstalledProgramFindsItsTemplatesInItsDataFolder) {
    const fs::path root = fs::temp_directory_path() / ("lgm-install-" + std::to_string(getpid()));
    const fs::path bin = root / "bin";
    const fs::path data = root / "share" / "lgmservice";
    fs::create_directories(bin);
    fs::create_directories(data);
    std::ofstream(data / "GradRpt.frf") << "<p>shared</p>";

    EXPECT_EQ(fs::path(ReportTemplatePath(bin.string(), WorkMode::Calibration)),
              bin / "../share/lgmservice/GradRpt.frf");
    const std::optional<ExpandedReport> shared = RepBtnClick(doc, bin.string(), 0);
    ASSERT_TRUE(shared);
    EXPECT_EQ(shared->Body, "<p>shared</p>");

    std::ofstream(bin / "GradRpt.frf") << "<p>beside</p>";
    const std::optional<ExpandedReport> beside = RepBtnClick(doc, bin.string() + "/", 0);
    ASSERT_TRUE(beside);
    EXPECT_EQ(beside->Body, "<p>beside</p>");

    // Neither: the error names the place beside the program.
    EXPECT_EQ(ReportTemplatePath(bin.string(), WorkMode::Verification),
              (bin / "PovRpt.frf").string());
    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_FALSE(RepBtnClick(doc, bin.string(), 0));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Не найден файл параметров отчета"});
    fs::remove_all(root);
}

// The templates shipped with the program are whole and ask only for
// variables the program answers.
TEST_F(ReportBuilderTest, ShippedTemplatesAreWhole) {
    const char* source = std::getenv("LGM_SOURCE_DIR");
    ASSERT_TRUE(source);
    for (const char* name : {"GradRpt.frf", "PovRpt.frf"}) {
        std::string error;
        const std::optional<ReportTemplate> t =
            LoadReportTemplate(std::string(source) + "/app/charts/templates/" + name, &error);
        ASSERT_TRUE(t) << name << ": " << error;
        int bands = 0;
        std::vector<const ReportPieces*> sections = {&t->PageHeader, &t->PageFooter};
        for (const ReportBlock& block : t->Body) {
            bands += block.Band;
            sections.push_back(&block.Pieces);
        }
        for (const ReportPieces* section : sections)
            for (const ReportPiece& piece : *section) {
                if (piece.Field) {
                    EXPECT_TRUE(IsReportVariable(piece.Text)) << name << ": " << piece.Text;
                }
            }
        EXPECT_EQ(bands, 1) << name;
        EXPECT_FALSE(t->PageFooter.empty()) << name;
    }
}

} // namespace
