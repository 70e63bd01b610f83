// lgmtool end to end: the built program on files the tests write, checked
// against the same operations run through the core in the test itself.
#include "document/CalibrationDocument.h"
#include "document/testing/MessageRecorder.h"
#include "files/Calibrn3files.h"
#include "files/FileCommands.h"
#include "files/StdSectFile.h"

#include "ZorComLgm.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace {

class LgmTool : public testing::Test {
protected:
    LgmTool() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lgmtool.XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
    }
    ~LgmTool() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    struct Result {
        int Status;
        std::string Out;
        std::string Err;
    };

    // Runs lgmtool with arguments (already quoted where needed) in the
    // folder of the test.
    Result Run(const std::string& arguments) const {
        const char* binary = std::getenv("LGM_BINARY_DIR");
        const std::string tool = std::string(binary ? binary : ".") + "/bin/lgmtool";
        const std::string command =
            "cd '" + dir_ + "' && '" + tool + "' " + arguments + " >stdout.txt 2>stderr.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("stdout.txt"),
                Read("stderr.txt")};
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    // Eight measurements in four sections at 20 °C.
    void WriteMeasurements(const std::string& name) const {
        Write(name, "1.0 8.3\r\n1.02 8.5\r\n2.0 16.6\r\n2.05 17.0\r\n"
                    "4.0 33.0\r\n4.1 33.9\r\n8.0 66.5\r\n8.1 67.4\r\n");
    }

private:
    std::string dir_;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(LgmTool, HelpAndUsageErrors) {
    const Result help = Run("--help");
    EXPECT_EQ(help.Status, 0);
    for (const char* command : {"show", "approx", "import", "export"})
        EXPECT_TRUE(Contains(help.Out, command)) << command;

    const Result none = Run("");
    EXPECT_NE(none.Status, 0);
    EXPECT_FALSE(none.Err.empty());
    const Result missing = Run("approx in.srv");
    EXPECT_NE(missing.Status, 0);
    EXPECT_TRUE(Contains(missing.Err, "--output")) << missing.Err;
}

TEST_F(LgmTool, ImportsAndShows) {
    WriteMeasurements("m.txt");
    const Result import = Run("import m.txt -o m.srv");
    ASSERT_EQ(import.Status, 0) << import.Err;
    EXPECT_EQ(import.Out, "Данные импортированы успешно\nДанные сохранены\n");

    const Result shown = Run("show m.srv --json");
    ASSERT_EQ(shown.Status, 0) << shown.Err;
    const nlohmann::json json = nlohmann::json::parse(shown.Out);
    EXPECT_EQ(json["settings"]["TypeName"], "ЛГМ-ЧИ2.xx-xxx");
    EXPECT_EQ(json["settings"]["SpreadLimit"], 0.05);
    ASSERT_EQ(json["calibration"].size(), 8u);
    EXPECT_EQ(json["calibration"][3]["EtalonFlow"], 2.05);
    EXPECT_EQ(json["calibration"][3]["MeasuredFrequency"], 17.0);
    EXPECT_EQ(json["verification"].size(), 0u);
    EXPECT_EQ(json["lines"].size(), 0u) << "an import carries no characteristic";

    const Result text = Run("show m.srv");
    ASSERT_EQ(text.Status, 0);
    EXPECT_TRUE(Contains(text.Out, "Тип: ЛГМ-ЧИ2.xx-xxx"));
    EXPECT_TRUE(Contains(text.Out, "Градуировка, измерений: 8"));

    const Result absent = Run("show absent.srv");
    EXPECT_EQ(absent.Status, 1);
    EXPECT_TRUE(Contains(absent.Err, "Ошибка при импорте данных"));
    EXPECT_TRUE(absent.Out.empty());

    const Result rcm = Run("import x.rcm -o x.srv");
    EXPECT_EQ(rcm.Status, 1);
    EXPECT_TRUE(Contains(rcm.Out, "Эта функция пока не реализована"));
    EXPECT_FALSE(std::filesystem::exists(Path("x.srv")));
}

TEST_F(LgmTool, ApproximatesAsTheWindowDoes) {
    WriteMeasurements("m.txt");
    ASSERT_EQ(Run("import m.txt -o m.srv").Status, 0);
    const Result approx = Run("approx m.srv -o a.srv --mode means --h 3,5 --delta 0.5 --tpriv 19");
    ASSERT_EQ(approx.Status, 0) << approx.Err;

    // The same through the core.
    MessageRecorder messages;
    CalibrationDocument doc;
    FileCommands files(doc);
    ASSERT_EQ(files.FileOpenItemClick(Path("m.srv")), FileOutcome::Done);
    ASSERT_TRUE(doc.ApproxMethodComboChange(ApproxMode::ManualByMeans).Accepted);
    ASSERT_TRUE(doc.CommitDeviationEdit("3,5").Accepted);
    ASSERT_TRUE(doc.CommitErrEdit("0.5").Accepted);
    ASSERT_TRUE(doc.CommitTempEdit("19").Accepted);
    ASSERT_EQ(doc.ApproxBtnClick(), ApproxRun::Done);
    ASSERT_EQ(files.FileSaveAsItemClick(Path("expected.srv"), kSaveFilterCalibration, nullptr),
              FileOutcome::Done);
    const std::string written = Read("a.srv");
    ASSERT_EQ(written.size(), Read("expected.srv").size());
    EXPECT_EQ(written, Read("expected.srv"));
    EXPECT_EQ(doc.Params().LineCount, 1u);
    EXPECT_EQ(doc.Settings().Tpriv, 19.0);
}

TEST_F(LgmTool, ApproximationRefusalsGiveTheWindowsMessage) {
    WriteMeasurements("m.txt");
    ASSERT_EQ(Run("import m.txt -o m.srv").Status, 0);
    struct Case {
        const char* Arguments;
        const char* Message;
    };
    const Case cases[] = {
        {"--h 50", "Недопустимое значение максимального разброса"},
        {"--delta 0", "Недопустимое значение максимального погрешности"},
        {"--tpriv 31", "Недопустимое значение температуры приведения"},
        {"--mode standard", "Для выбранного Dу не определено стандартное разбиение"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Arguments);
        const Result result = Run(std::string("approx m.srv -o a.srv ") + c.Arguments);
        EXPECT_EQ(result.Status, 1);
        EXPECT_TRUE(Contains(result.Err, c.Message)) << result.Err;
        EXPECT_FALSE(std::filesystem::exists(Path("a.srv")));
    }

    Write("empty.txt", "");
    ASSERT_EQ(Run("import empty.txt -o empty.srv").Status, 0);
    const Result empty = Run("approx empty.srv -o a.srv");
    EXPECT_EQ(empty.Status, 1);
    EXPECT_TRUE(Contains(empty.Err, "empty")) << empty.Err;

    const Result bad = Run("approx m.srv -o a.srv --mode sideways");
    EXPECT_NE(bad.Status, 0);
    EXPECT_NE(bad.Status, 1) << "a usage error, not a refusal";
}

TEST_F(LgmTool, StandardModeWithAStandardSectionsFile) {
    // Seven sections on the diameter's standard flow sequence, Q = 0.12·F.
    int du = 0;
    while (du < kDuCount && !ZorComLgmIsSeqDefined(static_cast<uint32_t>(du)))
        ++du;
    ASSERT_LT(du, kDuCount);
    std::string data;
    for (uint32_t i = 0; i < 7; ++i) {
        const double q = ZorComLgmSeqItem(static_cast<uint32_t>(du), i);
        for (const double spread : {1.0, 1.01})
            data += std::to_string(q * spread) + " " + std::to_string(q * spread / 0.12) + "\r\n";
    }
    Write("s.txt", data);
    {
        MessageRecorder messages;
        CalibrationDocument doc;
        FileCommands files(doc);
        ASSERT_EQ(files.FileOpenItemClick(Path("s.txt")), FileOutcome::Done);
        ASSERT_TRUE(doc.DuComboChange(du).Accepted);
        ASSERT_EQ(files.FileSaveAsItemClick(Path("s.srv"), kSaveFilterCalibration, nullptr),
                  FileOutcome::Done);
    }
    StdSectTable table{};
    table[du].Flags = kStdSectDefined;
    table[du].ErrorLimit = 0.01;
    table[du].SpreadLimit = 0.03;
    table[du].Tpriv = 20.0;
    table[du].Breaks = {1, 2, 3, 4};
    {
        MessageRecorder messages;
        ASSERT_EQ(SaveStdSectFile(Path("StdSect.dat"), table), WriteOutcome::Written);
    }

    const Result result = Run("approx s.srv -o out.srv --mode standard --stdsect StdSect.dat");
    ASSERT_EQ(result.Status, 0) << result.Err;
    TZorDataList calibration;
    LineTable lines{};
    MeterSettings settings;
    ASSERT_EQ(ReadCalibrationFile(Path("out.srv"), &calibration, nullptr, &lines, settings),
              CalibrationReadStatus::Ok);
    EXPECT_EQ(lines.LineCount, 5u);
    EXPECT_EQ(settings.ApproxMethod, ApproxMode::Standard);
    EXPECT_EQ(settings.SpreadLimit, 0.03);

    Write("bad.dat", "not a standard sections file");
    const Result damaged = Run("approx s.srv -o out2.srv --mode standard --stdsect bad.dat");
    EXPECT_EQ(damaged.Status, 1);
    EXPECT_TRUE(Contains(damaged.Err, "Неподдерживаемый формат файла")) << damaged.Err;
}

TEST_F(LgmTool, Exports) {
    WriteMeasurements("m.txt");
    ASSERT_EQ(Run("import m.txt -o m.srv").Status, 0);

    const Result defaults = Run("export m.srv -o out --header");
    ASSERT_EQ(defaults.Status, 0) << defaults.Err;
    EXPECT_EQ(Read("out.hdr"), "T_ Q_ F_ dQ A_ B_ ");
    const std::string lines = Read("out.txt");
    EXPECT_EQ(lines.substr(0, lines.find('\n') + 1),
              "20.000000 1.000000 8.300000 0.000000 0.000000 0.000000 \r\n");

    const Result chosen = Run("export m.srv -o two.txt --columns F_,Q_");
    ASSERT_EQ(chosen.Status, 0) << chosen.Err;
    EXPECT_EQ(Read("two.txt").substr(0, 20), "1.000000 8.300000 \r\n");
    EXPECT_FALSE(std::filesystem::exists(Path("two.hdr")));

    const Result unknown = Run("export m.srv -o x.txt --columns Q_,q_");
    EXPECT_NE(unknown.Status, 0);
    EXPECT_TRUE(Contains(unknown.Err, "q_")) << unknown.Err;

    const Result nowhere = Run("export m.srv -o no/such/folder.txt");
    EXPECT_EQ(nowhere.Status, 1);
    EXPECT_TRUE(Contains(nowhere.Err, "Не удалось открыть файл на запись")) << nowhere.Err;
}

TEST_F(LgmTool, ImportsAKlaFile) {
    // One version 1 record: Q 2.0, F 16.0, A 0,125.
    std::string kla(160, '\0');
    const unsigned char two[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x40};
    const unsigned char sixteen[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x03, 0x40};
    std::copy(std::begin(two), std::end(two), kla.begin() + 2);
    std::copy(std::begin(sixteen), std::end(sixteen), kla.begin() + 12);
    kla.replace(72, 6,
                "\x05"
                "0,125");
    Write("old.kla", kla);
    const Result result = Run("import old.kla -o old.srv");
    ASSERT_EQ(result.Status, 0) << result.Err;
    const nlohmann::json json = nlohmann::json::parse(Run("show old.srv --json").Out);
    ASSERT_EQ(json["calibration"].size(), 1u);
    EXPECT_EQ(json["calibration"][0]["MeasuredFrequency"], 16.0);
    ASSERT_EQ(json["lines"].size(), 1u);
    EXPECT_EQ(json["lines"][0]["A"], 0.125);

    Write("short.kla", std::string(100, '\0'));
    const Result refused = Run("import short.kla -o short.srv");
    EXPECT_EQ(refused.Status, 1);
    EXPECT_TRUE(Contains(refused.Err, "Не могу распознать версию файла. Операция прервана"))
        << refused.Err;
}
