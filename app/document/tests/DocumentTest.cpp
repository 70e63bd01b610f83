// The document as a whole: start-up, caption, command line and log, "Новый",
// the exit question, unsaved changes and rig measurements.
#include "document/CalibrationDocument.h"
#include "document/StartUp.h"
#include "document/testing/MessageRecorder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char* kNew = "Удалить все измерения?";
constexpr const char* kExit = "Измерения не сохранены. Выйти без сохранения?";

class DocumentTest : public testing::Test {
protected:
    MessageRecorder messages;
    CalibrationDocument doc;
};

TEST_F(DocumentTest, StartsWithTheDefaultCaptionAndCharacteristic) {
    EXPECT_EQ(doc.Caption(), "градуировка, объемный, ручной ввод, порт: - - -, файл: - - -");
    const MeterParams& lines = doc.Params();
    ASSERT_EQ(lines.LineCount, 5u);
    const double limits[] = {10, 20, 30, 40, 1e200};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(lines.A[i], 0.12);
        EXPECT_EQ(lines.B[i], 0.0);
        EXPECT_EQ(lines.Fmax[i], limits[i]);
    }
    const GridState& table = doc.ApproxGroup().ApproxTbl;
    ASSERT_EQ(table.Rows.size(), 5u);
    EXPECT_EQ(table.Rows[0], (std::vector<std::string>{"1", "", "0.120000", "0.000000"}));
    EXPECT_EQ(table.Rows[4], (std::vector<std::string>{"5", "40.000", "0.120000", "0.000000"}));
    EXPECT_EQ(doc.ApproxGroup().DiapTbl.Rows,
              (std::vector<std::vector<std::string>>{{"", "", ""}}));
    EXPECT_EQ(doc.CalibrationList().Capacity(), 32u);
    EXPECT_EQ(doc.Table().SelectedRecord(), -1);
    EXPECT_EQ(doc.PortIndex(), -1);
    EXPECT_EQ(doc.AdaptorLevel(), 2);
    EXPECT_TRUE(doc.Menus().Polarity00.Checked);
    EXPECT_TRUE(doc.ViewState().TableEditable);
}

TEST_F(DocumentTest, CaptionShowsModeMethodSourcePortAndFileName) {
    doc.SetPortIndex(0);
    doc.SetFile("/home/lab/data/m1.srv", true);
    doc.MethodMassItemClick();
    ASSERT_TRUE(doc.GetBkltItemClick());
    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_EQ(doc.Caption(), "поверка, массовый, ввод с БКЛТ, порт: COM1, файл: m1.srv");
    doc.SetFile("m1.txt", false); // exported: no calibration file any more
    EXPECT_EQ(doc.Caption(), "поверка, массовый, ввод с БКЛТ, порт: COM1, файл: - - -");
    EXPECT_EQ(doc.ViewState().Caption, doc.Caption());
}

TEST_F(DocumentTest, RigInputNeedsAPort) {
    EXPECT_FALSE(doc.GetBkltItemClick());
    EXPECT_EQ(messages.Single(),
              (RecordedMessage{MessageKind::Error, "Не выбран рабочий COM-порт"}));
    EXPECT_EQ(doc.Settings().InputSource, 0);
    EXPECT_TRUE(doc.TableEditable());
    doc.SetPortIndex(2);
    ASSERT_TRUE(doc.GetBkltItemClick());
    EXPECT_TRUE(doc.Menus().GetBklt.Checked);
    doc.GetManualItemClick();
    EXPECT_TRUE(doc.Menus().GetManual.Checked);
    EXPECT_TRUE(doc.TableEditable());
}

TEST_F(DocumentTest, NewAnsweredNoChangesNothing) {
    doc.CalibrationList().Add(NewMeasurement());
    messages.Answer({false});
    EXPECT_FALSE(doc.FileNewItemClick());
    EXPECT_EQ(messages.Single(), (RecordedMessage{MessageKind::Question, kNew}));
    EXPECT_EQ(doc.CalibrationList().Count(), 1u);
    EXPECT_EQ(doc.Params().LineCount, 5u);
}

TEST_F(DocumentTest, NewEmptiesOnlyTheCurrentListAndTheCharacteristic) {
    doc.CalibrationList().Add(NewMeasurement());
    ASSERT_TRUE(doc.ModeTestItemClick());
    doc.VerificationList().Add(NewMeasurement());
    doc.ApproxData().Count = 2;
    doc.SetFile("m1.srv", true);
    messages.Answer({true});
    EXPECT_TRUE(doc.FileNewItemClick());
    EXPECT_EQ(doc.VerificationList().Count(), 0u);
    EXPECT_EQ(doc.CalibrationList().Count(), 1u);
    EXPECT_EQ(doc.Params().LineCount, 0u);
    EXPECT_EQ(doc.ApproxData().Count, 0u);
    EXPECT_FALSE(doc.HasFile());
    EXPECT_TRUE(doc.Caption().ends_with("файл: - - -"));
    // The characteristic is gone: verification can no longer be entered.
    doc.ModeGradItemClick();
    messages.Clear();
    EXPECT_FALSE(doc.ModeTestItemClick());
    EXPECT_EQ(doc.CalibrationList().Count(), 1u);
}

TEST_F(DocumentTest, ADocumentExchangeRefusesNewAndTheApproximation) {
    doc.CalibrationList().Add(NewMeasurement());
    doc.SetExchangeBusy(true);
    EXPECT_FALSE(doc.FileNewItemClick());
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Refused);
    const RecordedMessage busy{MessageKind::Error, "Не завершен предыдущий обмен"};
    EXPECT_EQ(messages.Messages(), (std::vector<RecordedMessage>{busy, busy}));
    EXPECT_EQ(doc.CalibrationList().Count(), 1u);
    EXPECT_EQ(doc.Params().LineCount, 5u);

    doc.SetExchangeBusy(false);
    messages.Clear();
    messages.Answer({true});
    EXPECT_TRUE(doc.FileNewItemClick());
    EXPECT_EQ(messages.Single(), (RecordedMessage{MessageKind::Question, kNew}));
}

TEST_F(DocumentTest, ExitAsksOnlyWithUnsavedChanges) {
    EXPECT_TRUE(doc.ConfirmExit());
    EXPECT_TRUE(messages.Empty());

    doc.Table().AddItemClick();
    messages.Answer({false, true});
    EXPECT_FALSE(doc.ConfirmExit());
    EXPECT_TRUE(doc.ConfirmExit());
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kExit, kExit}));

    doc.MarkSaved();
    messages.Clear();
    EXPECT_TRUE(doc.ConfirmExit());
    EXPECT_TRUE(messages.Empty());
}

TEST_F(DocumentTest, EveryKindOfChangeCountsAsUnsaved) {
    using Change = void (*)(CalibrationDocument&);
    const std::vector<std::pair<const char*, Change>> changes = {
        {"add", [](CalibrationDocument& d) { d.Table().AddItemClick(); }},
        {"serial number", [](CalibrationDocument& d) { d.SerNoEditExit("7"); }},
        {"diameter", [](CalibrationDocument& d) { d.DuComboChange(3); }},
        {"spread limit", [](CalibrationDocument& d) { d.CommitDeviationEdit("3"); }},
        {"approximation mode", [](CalibrationDocument& d) { d.ApproxMethodComboChange(2); }},
        {"rig measurement",
         [](CalibrationDocument& d) {
             d.AddBkltMeasurement(0, {20, 0, 100, 36, 36, 1001, 0});
         }},
        {"recompute", [](CalibrationDocument& d) { d.RecomputeMeasurements(); }},
    };
    for (const auto& [name, change] : changes) {
        CalibrationDocument fresh;
        change(fresh);
        EXPECT_TRUE(fresh.HasUnsavedChanges()) << name;
    }
    const std::vector<std::pair<const char*, Change>> views = {
        {"mode", [](CalibrationDocument& d) { d.ModeTestItemClick(); }},
        {"method", [](CalibrationDocument& d) { d.MethodMassItemClick(); }},
        {"port", [](CalibrationDocument& d) { d.SetPortIndex(1); }},
        {"same diameter", [](CalibrationDocument& d) { d.DuComboChange(0); }},
        {"refused duration", [](CalibrationDocument& d) { d.TauEditCommit("9"); }},
    };
    for (const auto& [name, view] : views) {
        CalibrationDocument fresh;
        view(fresh);
        EXPECT_FALSE(fresh.HasUnsavedChanges()) << name;
    }
}

TEST_F(DocumentTest, NewKeepsTheUnsavedMarkOfTheOtherList) {
    doc.CalibrationList().Add(NewMeasurement());
    doc.MarkModified();
    ASSERT_TRUE(doc.ModeTestItemClick());
    messages.Answer({true, true});
    doc.FileNewItemClick();
    EXPECT_TRUE(doc.HasUnsavedChanges()); // the calibration list was never saved
    doc.ModeGradItemClick();
    doc.FileNewItemClick();
    EXPECT_FALSE(doc.HasUnsavedChanges()); // nothing left to lose
}

TEST_F(DocumentTest, RigMeasurementByVolume) {
    doc.AddBkltMeasurement(0, {20.0, 0.0, 100.0, 36.0, 30.0, 1001, 5});
    ASSERT_EQ(doc.CalibrationList().Count(), 1u);
    const MeasurementRecord& r = *doc.CalibrationList().Item(0);
    EXPECT_DOUBLE_EQ(r.EtalonFlow, 10.0);
    EXPECT_DOUBLE_EQ(r.MeasuredFrequency, 1000.0 / 36.0);
    EXPECT_EQ(r.MeasuredTime, 30.0);
    EXPECT_DOUBLE_EQ(r.MeasuredFlow, 0.12 * 1000.0 / 36.0);
    EXPECT_EQ(r.ComparedPulses, 0); // calibration keeps no compared pulses
    EXPECT_FALSE(doc.CalibrationList().Ordered());
}

TEST_F(DocumentTest, RigMeasurementInVerificationCountsTheComparedVolume) {
    doc.WeightComboChange(2); // 0.001 m³ per pulse
    const BkltResult result{20.0, 0.0, 9000.0, 36.0, 36.0, 1001, 10000};
    doc.AddBkltMeasurement(BkltFlag::Verification, result);
    const MeasurementRecord& r = *doc.VerificationList().Item(0);
    EXPECT_EQ(r.ComparedVolume, 10000.0);
    EXPECT_NEAR(r.VolumeDeviation, 1000.0 / 9000.0, 1e-12);

    doc.OutComboChange(1);
    doc.AddBkltMeasurement(BkltFlag::Verification, result);
    EXPECT_EQ(doc.VerificationList().Item(1)->ComparedVolume, 0.0);
    EXPECT_EQ(doc.CalibrationList().Count(), 0u);
}

TEST_F(DocumentTest, RigMeasurementWithoutTimeOrPulsesHasNoFrequency) {
    doc.AddBkltMeasurement(BkltFlag::Mass, {20.0, 100.0, 0.0, 0.0, 0.0, 0, 0});
    const MeasurementRecord& r = *doc.CalibrationList().Item(0);
    EXPECT_EQ(r.MeasuredFrequency, 0.0);
    EXPECT_EQ(r.EtalonFlow, 0.0);
    EXPECT_GT(r.EtalonVolume, 99.0);
    EXPECT_EQ(r.EtalonMass, 100.0);
}

struct CommandLineCase {
    std::vector<std::string_view> arguments;
    CommandLineOptions expected;
};

TEST(CommandLineTest, OptionsByTheirFirstLetters) {
    const std::vector<CommandLineCase> cases = {
        {{}, {false, false}},
        {{"/L"}, {true, false}},
        {{"-l"}, {true, false}},
        {{"-lc"}, {true, true}},
        {{"/LC"}, {true, true}},
        {{"/Lx"}, {true, false}},
        {{"/X", "file.srv", "L"}, {false, false}},
        {{"/", "-"}, {false, false}},
        {{"/LC", "/L"}, {true, false}},
    };
    for (const CommandLineCase& c : cases)
        EXPECT_EQ(ParseCommandLine(c.arguments), c.expected)
            << (c.arguments.empty() ? "" : c.arguments[0]);
    const char* argv[] = {"/usr/bin/lgmservice", "-Lc"};
    EXPECT_EQ(ParseCommandLine(2, argv), (CommandLineOptions{true, true}));
}

class ExchangeLogTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("lgm-log-" + std::to_string(getpid()));
        fs::create_directories(folder_);
        path_ = (folder_ / kExchangeLogName).string();
    }
    void TearDown() override { fs::remove_all(folder_); }
    std::string Contents() {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    fs::path folder_;
    std::string path_;
};

TEST_F(ExchangeLogTest, NoOptionCreatesNoLog) {
    ExchangeLog log({}, path_.c_str());
    EXPECT_FALSE(log.IsOpen());
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ExchangeLogTest, LAppendsAndLcStartsAnew) {
    std::ofstream(path_) << "old\r\n";
    {
        ExchangeLog log({true, false}, path_.c_str());
        ASSERT_TRUE(log.IsOpen());
        ZorLogTextA(log.Handle(), "new\r\n");
    }
    EXPECT_EQ(Contents(), "old\r\nnew\r\n");
    {
        ExchangeLog log({true, true}, path_.c_str());
        ZorLogTextA(log.Handle(), "fresh\r\n");
    }
    EXPECT_EQ(Contents(), "fresh\r\n");
}

TEST_F(ExchangeLogTest, ALogThatCannotBeCreatedIsNotWritten) {
    ExchangeLog log({true, false}, (folder_ / "missing" / "x.log").c_str());
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.Handle(), ZOR_INVALID_HANDLE);
}

TEST(ProgramFolderTest, IsTheFolderOfTheRunningExecutable) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(UserSettingsFolderTest, FollowsTheConfigurationHomeOrTheHomeFolder) {
    const auto saved = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const std::optional<std::string> config = saved("XDG_CONFIG_HOME");
    const std::optional<std::string> home = saved("HOME");
    const struct {
        const char* Config;
        const char* Home;
        const char* Folder;
    } cases[] = {
        {"/cfg", "/home/op", "/cfg/lgmservice"},
        {nullptr, "/home/op", "/home/op/.config/lgmservice"},
        {"", "/home/op", "/home/op/.config/lgmservice"},
        {"relative/cfg", "/home/op", "/home/op/.config/lgmservice"},
        {nullptr, nullptr, ""},
        {nullptr, "op", ""},
    };
    const auto set = [](const char* name, const char* value) {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    };
    for (const auto& c : cases) {
        set("XDG_CONFIG_HOME", c.Config);
        set("HOME", c.Home);
        EXPECT_EQ(UserSettingsFolder(), c.Folder)
            << (c.Config ? c.Config : "(unset)") << ", " << (c.Home ? c.Home : "(unset)");
    }
    set("XDG_CONFIG_HOME", config ? config->c_str() : nullptr);
    set("HOME", home ? home->c_str() : nullptr);
}

} // namespace
