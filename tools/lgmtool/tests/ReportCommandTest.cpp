// lgmtool report: the built program writes the report of a file as PDF; the
// text pdftotext reads back holds the file's values.
#include "files/Calibrn3files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace {

class ReportCommand : public testing::Test {
protected:
    ReportCommand() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "lgmreport.XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        WriteDocument();
    }
    ~ReportCommand() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    // Runs a command line in the test's folder; the exit status and stderr.
    std::pair<int, std::string> Shell(const std::string& command) const {
        const int status =
            std::system(("cd '" + dir_ + "' && " + command + " 2>stderr.txt").c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("stderr.txt")};
    }

    std::pair<int, std::string> Report(const std::string& arguments) const {
        const char* binary = std::getenv("LGM_BINARY_DIR");
        return Shell("'" + std::string(binary ? binary : ".") + "/bin/lgmtool' report " +
                     arguments + " >stdout.txt");
    }

    std::string PdfText(const std::string& pdf) const {
        Shell("pdftotext -layout '" + pdf + "' out.txt");
        return Read("out.txt");
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    // Serial number 777, two calibration records (one switched off) and one
    // verification record.
    void WriteDocument() const {
        MeterSettings settings;
        settings.SerNo = 777;
        TZorDataList calibration, verification;
        MeasurementRecord r = NewMeasurement();
        r.EtalonFlow = 12.5;
        r.FlowDeviation = -0.0042;
        calibration.Add(r);
        r.EtalonFlow = 99.75;
        r.Flags |= RecordFlag::Disabled;
        calibration.Add(r);
        MeasurementRecord v = NewMeasurement();
        v.ComparedVolume = 345.5;
        v.VolumeDeviation = 0.0031;
        verification.Add(v);
        LineTable lines{};
        lines.LineCount = 1;
        lines.A[0] = 0.0625;
        lines.Fmax[0] = 1e200;
        if (WriteCalibrationFile(Path("m.srv"), settings, &calibration, &lines, &verification) !=
            WriteOutcome::Written)
            ADD_FAILURE() << "cannot write the document";
    }

    std::string dir_;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(ReportCommand, WritesTheCalibrationReport) {
    const auto [status, err] = Report("m.srv -o grad.pdf");
    ASSERT_EQ(status, 0) << err;
    const std::string text = PdfText("grad.pdf");
    EXPECT_TRUE(Contains(text, "ПРОТОКОЛ ГРАДУИРОВКИ")) << text;
    EXPECT_TRUE(Contains(text, "00000777"));
    EXPECT_TRUE(Contains(text, "12.50000"));
    EXPECT_TRUE(Contains(text, "-0.42"));
    EXPECT_TRUE(Contains(text, "0.062500"));
    EXPECT_FALSE(Contains(text, "99.75"));
}

TEST_F(ReportCommand, WritesTheVerificationReport) {
    const auto [status, err] = Report("m.srv --mode verification -o pov.pdf");
    ASSERT_EQ(status, 0) << err;
    const std::string text = PdfText("pov.pdf");
    EXPECT_TRUE(Contains(text, "ПРОТОКОЛ ПОВЕРКИ")) << text;
    EXPECT_TRUE(Contains(text, "345.500"));
    EXPECT_TRUE(Contains(text, "0.31"));
    EXPECT_FALSE(Contains(text, "12.50000"));
}

TEST_F(ReportCommand, TakesAnotherTemplateAndRefusesADamagedOne) {
    std::ofstream(Path("own.frf")) << "<p>Записей: [NumOfRecords], [SerNo:%d]</p>";
    const auto [status, err] = Report("m.srv --template own.frf -o own.pdf");
    ASSERT_EQ(status, 0) << err;
    EXPECT_TRUE(Contains(PdfText("own.pdf"), "Записей: 1, 777"));

    std::ofstream(Path("bad.frf")) << "<p>[SerNo</p>";
    const auto [bad, why] = Report("m.srv --template bad.frf -o bad.pdf");
    EXPECT_EQ(bad, 1);
    EXPECT_TRUE(Contains(why, "Не найден файл параметров отчета")) << why;
    EXPECT_TRUE(Contains(why, "bad.frf: line 1: a field is not closed")) << why;
    EXPECT_FALSE(std::filesystem::exists(Path("bad.pdf")));

    EXPECT_NE(Report("m.srv --mode other -o x.pdf").first, 0);
    EXPECT_EQ(Report("absent.srv -o x.pdf").first, 1);
}
