#include "files/FileCommands.h"

#include "document/testing/MessageRecorder.h"
#include "files/Calibrn3files.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

using namespace filetest;

namespace {

constexpr const char* kImported = "Данные импортированы успешно";
constexpr const char* kImportFailed = "Ошибка при импорте данных";
constexpr const char* kSaved = "Данные сохранены";
constexpr const char* kSaveFailed = "Ошибка при сохранении данных";
constexpr const char* kCannotCreate = "Не удалось открыть файл на запись";
constexpr const char* kUnsaved = "Измерения не сохранены. Продолжить без сохранения?";

RecordedMessage Info(const char* text) {
    return {MessageKind::Info, text};
}
RecordedMessage Error(const char* text) {
    return {MessageKind::Error, text};
}

// A calibration file on disk: three calibration records in two sections on
// one line, one verification record, its own settings and two lines.
struct SavedCalibration {
    MeterSettings Settings;
    TZorDataList Calibration;
    TZorDataList Verification;
    LineTable Lines{};
};

SavedCalibration SampleCalibration() {
    SavedCalibration s;
    s.Settings.DevType = 18;
    s.Settings.DuIndex = 2;
    s.Settings.SerNo = 4242;
    s.Settings.Tpriv = 18.5;
    s.Settings.ApproxMethod = ApproxMode::Automatic;
    for (int i = 0; i < 3; ++i) {
        MeasurementRecord r = Record(1.0 + i * 0.01 + (i == 2), 10.0 + 10 * (i == 2));
        r.Section = i == 2;
        r.SectionFlow = r.EtalonFlow;
        r.SectionFrequency = r.MeasuredFrequency;
        r.LineA = 0.1;
        s.Calibration.Add(r);
    }
    s.Verification.Add(Record(5.0, 50.0));
    s.Lines.LineCount = 2;
    s.Lines.A[0] = 0.11;
    s.Lines.A[1] = 0.12;
    s.Lines.Fmax[0] = 15.0;
    s.Lines.Fmax[1] = 1e200;
    return s;
}

void WriteSample(const std::string& path, const SavedCalibration& s) {
    ASSERT_EQ(WriteCalibrationFile(path, s.Settings, &s.Calibration, &s.Lines, &s.Verification),
              WriteOutcome::Written);
}

// A document in the middle of work: measurements typed, not saved.
void TypeMeasurements(CalibrationDocument& doc) {
    doc.CalibrationList().Add(Record(7.0, 70.0));
    doc.CalibrationList().Add(Record(8.0, 80.0));
    doc.VerificationList().Add(Record(9.0, 90.0));
    doc.MeasurementsChanged(true);
}

std::optional<ColumnChoice> Never(uint32_t, uint32_t) {
    ADD_FAILURE() << "the column window was not to be shown";
    return std::nullopt;
}

} // namespace

TEST(FileCommands, OpensACalibrationFile) {
    TempDir dir;
    const SavedCalibration sample = SampleCalibration();
    WriteSample(dir.Path("m1.srv"), sample);
    CalibrationDocument doc;
    FileCommands files(doc);
    MessageRecorder messages;

    EXPECT_EQ(files.FileOpenItemClick(dir.Path("m1.srv")), FileOutcome::Done);
    EXPECT_EQ(messages.Single(), Info(kImported));
    EXPECT_EQ(RecordBytes(doc.CalibrationList()), RecordBytes(sample.Calibration));
    EXPECT_EQ(doc.VerificationList().Count(), 1u);
    EXPECT_EQ(doc.Params().LineCount, 2u);
    EXPECT_EQ(doc.Params().A[1], 0.12);
    EXPECT_EQ(doc.Settings().DevType, 18);
    EXPECT_EQ(doc.Settings().SerNo, 4242);
    EXPECT_EQ(doc.Settings().Tpriv, 18.5);
    // The sections are summarised again from the current list.
    ASSERT_EQ(doc.ApproxData().Count, 2u);
    EXPECT_EQ(doc.ApproxData().Items[1].FirstIndex, 2u);
    EXPECT_TRUE(doc.HasFile());
    EXPECT_EQ(doc.FileName(), dir.Path("m1.srv"));
    EXPECT_NE(doc.Caption().find("файл: m1.srv"), std::string::npos);
    EXPECT_FALSE(doc.HasUnsavedChanges());
}

TEST(FileCommands, OpeningADocumentOfAOneLineTypeKeepsNoSections) {
    TempDir dir;
    SavedCalibration sample = SampleCalibration();
    sample.Settings.DevType = 1; // ГКМС-ТИ1
    WriteSample(dir.Path("g.srv"), sample);
    CalibrationDocument doc;
    FileCommands files(doc);
    MessageRecorder messages;
    ASSERT_EQ(files.FileOpenItemClick(dir.Path("g.srv")), FileOutcome::Done);
    EXPECT_EQ(doc.ApproxData().Count, 0u);
    EXPECT_EQ(doc.Params().LineCount, 2u);
}

TEST(FileCommands, DispatchesByExtension) {
    TempDir dir;
    WriteSample(dir.Path("UPPER.SRV"), SampleCalibration());
    for (const char* name : {"x.rcm", "noextension", "a.srv.bak", "dir.srv/file"}) {
        SCOPED_TRACE(name);
        CalibrationDocument doc;
        FileCommands files(doc);
        const DocumentSnapshot before(doc);
        MessageRecorder messages;
        EXPECT_EQ(files.FileOpenItemClick(dir.Path(name)), FileOutcome::NotImplemented);
        EXPECT_EQ(messages.Single(), Info("Эта функция пока не реализована"));
        EXPECT_EQ(DocumentSnapshot(doc), before);
    }
    CalibrationDocument doc;
    FileCommands files(doc);
    MessageRecorder messages;
    EXPECT_EQ(files.FileOpenItemClick(dir.Path("UPPER.SRV")), FileOutcome::Done);
    EXPECT_EQ(doc.CalibrationList().Count(), 3u);
}

TEST(FileCommands, DamagedFilesLeaveTheDocumentUntouched) {
    TempDir dir;
    const SavedCalibration sample = SampleCalibration();
    WriteSample(dir.Path("good.srv"), sample);
    const Bytes good = ReadBytes(dir.Path("good.srv"));
    struct Case {
        const char* Name;
        const char* File;
        Bytes Contents;
        std::vector<RecordedMessage> Messages;
    };
    Bytes truncated(good.begin(), good.end() - 100);
    Bytes badIndex = good;
    PutU32(badIndex, 12, 40); // Du index 40
    Bytes badVersion = good;
    PutU32(badVersion, 4, 7);
    const Case cases[] = {
        {"truncated records", "t.srv", truncated, {Error(kImportFailed)}},
        {"a Du beyond its table", "d.srv", badIndex, {Error(kImportFailed)}},
        {"an unknown version", "v.srv", badVersion, {Error(kImportFailed)}},
        {"an empty .kla",
         "e.kla",
         {},
         {Error("Импорт данных невозможен - файл пуст"), Error(kImportFailed)}},
        {"a .kla of 100 bytes",
         "s.kla",
         Bytes(100, 1),
         {Error("Не могу распознать версию файла.\nОперация прервана"), Error(kImportFailed)}},
        {"a .kla with NaN reals", "n.kla", Bytes(160, 0xFF), {Error(kImportFailed)}},
        {"a short MathCAD line",
         "short.txt",
         Bytes{'1', ' ', '2', '\n', '3', '\n'},
         {Error(kImportFailed)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteBytes(dir.Path(c.File), c.Contents);
        CalibrationDocument doc;
        FileCommands files(doc);
        TypeMeasurements(doc);
        doc.SetFile("/work/earlier.srv", true);
        const DocumentSnapshot before(doc);
        MessageRecorder messages;
        EXPECT_EQ(files.FileOpenItemClick(dir.Path(c.File)), FileOutcome::Failed);
        EXPECT_EQ(messages.Messages(), c.Messages);
        EXPECT_EQ(DocumentSnapshot(doc), before);
    }

    // A header naming an unknown column, and a file that is not there.
    WriteText(dir.Path("h.txt"), "1 2\r\n");
    WriteText(dir.Path("h.hdr"), "Q_ q_");
    for (const char* file : {"h.txt", "missing.srv", "missing.kla"}) {
        SCOPED_TRACE(file);
        CalibrationDocument doc;
        FileCommands files(doc);
        TypeMeasurements(doc);
        const DocumentSnapshot before(doc);
        MessageRecorder messages;
        EXPECT_EQ(files.FileOpenItemClick(dir.Path(file)), FileOutcome::Failed);
        EXPECT_EQ(messages.Single(), Error(kImportFailed));
        EXPECT_EQ(DocumentSnapshot(doc), before);
    }
}

TEST(FileCommands, AsksBeforeReplacingUnsavedMeasurements) {
    TempDir dir;
    WriteSample(dir.Path("m1.srv"), SampleCalibration());
    WriteText(dir.Path("m1.txt"), "1 10\r\n");
    for (const char* file : {"m1.srv", "m1.txt"}) {
        SCOPED_TRACE(file);
        CalibrationDocument doc;
        FileCommands files(doc);
        TypeMeasurements(doc);
        const DocumentSnapshot before(doc);
        MessageRecorder messages;
        messages.Answer({false});
        EXPECT_EQ(files.FileOpenItemClick(dir.Path(file)), FileOutcome::Cancelled);
        EXPECT_EQ(messages.Single(), (RecordedMessage{MessageKind::Question, kUnsaved}));
        EXPECT_EQ(DocumentSnapshot(doc), before);

        messages.Clear();
        messages.Answer({true});
        EXPECT_EQ(files.FileOpenItemClick(dir.Path(file)), FileOutcome::Done);
        EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kUnsaved, kImported}));
    }

    // Nothing unsaved: nothing asked.
    CalibrationDocument doc;
    FileCommands files(doc);
    MessageRecorder messages;
    EXPECT_EQ(files.FileOpenItemClick(dir.Path("m1.srv")), FileOutcome::Done);
    EXPECT_EQ(messages.Single(), Info(kImported));
}

TEST(FileCommands, ImportsAKlaFileIntoTheCurrentList) {
    TempDir dir;
    // Two version 1 records on one line: 2 × 160 bytes.
    Bytes kla(320, 0);
    const uint8_t one[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};    // 1.0
    const uint8_t two[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0x40};    // 2.0
    const uint8_t ten[10] = {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x02, 0x40};    // 10.0
    const uint8_t twenty[10] = {0, 0, 0, 0, 0, 0, 0, 0xA0, 0x03, 0x40}; // 20.0
    std::copy(std::begin(one), std::end(one), kla.begin() + 2);
    std::copy(std::begin(ten), std::end(ten), kla.begin() + 12);
    std::copy(std::begin(two), std::end(two), kla.begin() + 160 + 2);
    std::copy(std::begin(twenty), std::end(twenty), kla.begin() + 160 + 12);
    for (size_t at : {size_t{72}, size_t{160 + 72}}) {
        kla[at] = 3;
        kla[at + 1] = '0';
        kla[at + 2] = ',';
        kla[at + 3] = '1';
    }
    WriteBytes(dir.Path("old.kla"), kla);

    CalibrationDocument doc;
    FileCommands files(doc);
    ASSERT_TRUE(doc.TypeComboChange(3).Accepted); // a ГКМС type
    doc.Settings().Tpriv = 25.0;
    doc.SetFile(dir.Path("before.srv"), true);
    doc.MarkSaved();
    MessageRecorder messages;
    EXPECT_EQ(files.FileOpenItemClick(dir.Path("old.kla")), FileOutcome::Done);
    EXPECT_EQ(messages.Single(), Info(kImported));
    EXPECT_EQ(doc.Settings().DevType, 17) << "a .kla file is of the piecewise family";
    EXPECT_EQ(doc.Settings().Tpriv, 20.0);
    ASSERT_EQ(doc.CalibrationList().Count(), 2u);
    EXPECT_EQ(doc.CalibrationList().Item(1)->MeasuredFrequency, 20.0);
    EXPECT_EQ(doc.ApproxData().Count, 2u);
    EXPECT_EQ(doc.Params().LineCount, 1u);
    EXPECT_EQ(doc.Params().A[0], 0.1);
    EXPECT_FALSE(doc.HasFile());
    EXPECT_TRUE(doc.HasUnsavedChanges()) << "the import is in no calibration file yet";
}

TEST(FileCommands, ImportsMathCadIntoTheCurrentListOnly) {
    TempDir dir;
    WriteText(dir.Path("m.txt"), "1.5 12 19.5\r\n2.5 20 19.5\r\n");
    WriteText(dir.Path("m.hdr"), "Q_ F_ T_ ");
    CalibrationDocument doc;
    FileCommands files(doc);
    doc.CalibrationList().Add(Record(7.0, 70.0));
    ASSERT_TRUE(doc.ModeTestItemClick()); // the verification list is current
    MessageRecorder messages;
    EXPECT_EQ(files.FileOpenItemClick(dir.Path("m.txt")), FileOutcome::Done);
    ASSERT_EQ(doc.VerificationList().Count(), 2u);
    EXPECT_EQ(doc.VerificationList().Item(0)->Temperature, 19.5);
    EXPECT_EQ(doc.CalibrationList().Count(), 1u);
    EXPECT_EQ(doc.Params().LineCount, 0u);
    EXPECT_EQ(doc.ApproxData().Count, 0u);
}

TEST(FileCommands, SavesAndSavesAgain) {
    TempDir dir;
    CalibrationDocument doc;
    FileCommands files(doc);
    TypeMeasurements(doc);
    MessageRecorder messages;

    EXPECT_EQ(files.FileSaveItemClick(), FileOutcome::NeedsName);
    EXPECT_TRUE(messages.Empty());

    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("cal"), kSaveFilterCalibration, Never),
              FileOutcome::Done);
    EXPECT_EQ(messages.Single(), Info(kSaved));
    EXPECT_EQ(doc.FileName(), dir.Path("cal.srv"));
    EXPECT_TRUE(doc.HasFile());
    EXPECT_FALSE(doc.HasUnsavedChanges());
    // The start-up characteristic of five lines makes a version 2 file.
    EXPECT_EQ(ReadBytes(dir.Path("cal.srv")).size(), 640u + 3 * 144);

    doc.CalibrationList().Add(Record(10.0, 100.0));
    doc.Params().LineCount = 0;
    doc.MeasurementsChanged(true);
    messages.Clear();
    EXPECT_EQ(files.FileSaveItemClick(), FileOutcome::Done);
    EXPECT_EQ(messages.Single(), Info(kSaved));
    EXPECT_EQ(ReadBytes(dir.Path("cal.srv")).size(), 128u + 4 * 144) << "no lines: version 1";
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"cal.srv"}));

    // A name with an extension keeps it.
    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("cal.bin"), kSaveFilterCalibration, Never),
              FileOutcome::Done);
    EXPECT_EQ(doc.FileName(), dir.Path("cal.bin"));

    // Saved and opened again: the same document.
    CalibrationDocument reopened;
    FileCommands reopen(reopened);
    EXPECT_EQ(reopen.FileOpenItemClick(dir.Path("cal.srv")), FileOutcome::Done);
    EXPECT_EQ(RecordBytes(reopened.CalibrationList()), RecordBytes(doc.CalibrationList()));
    EXPECT_EQ(reopened.Settings(), doc.Settings());
}

TEST(FileCommands, AFailedSaveKeepsTheOldFileAndTheFileState) {
    TempDir dir;
    CalibrationDocument doc;
    FileCommands files(doc);
    TypeMeasurements(doc);
    MessageRecorder messages;
    ASSERT_EQ(files.FileSaveAsItemClick(dir.Path("cal.srv"), kSaveFilterCalibration, Never),
              FileOutcome::Done);
    const Bytes before = ReadBytes(dir.Path("cal.srv"));

    for (int i = 0; i < 20; ++i)
        doc.CalibrationList().Add(Record(20.0 + i, 200.0));
    doc.MeasurementsChanged(true);
    messages.Clear();
    {
        const ScopedFileSizeLimit full(before.size() + 100);
        EXPECT_EQ(files.FileSaveItemClick(), FileOutcome::Failed);
        EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("other.srv"), kSaveFilterCalibration, Never),
                  FileOutcome::Failed);
    }
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kSaveFailed, kSaveFailed}));
    EXPECT_EQ(ReadBytes(dir.Path("cal.srv")), before);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"cal.srv"}));
    EXPECT_EQ(doc.FileName(), dir.Path("cal.srv"));
    EXPECT_TRUE(doc.HasUnsavedChanges());

    // A folder that is a file: nothing can be created there.
    WriteText(dir.Path("plain"), "x");
    messages.Clear();
    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("plain/cal.srv"), kSaveFilterCalibration, Never),
              FileOutcome::Failed);
    EXPECT_EQ(messages.Single(), Error(kCannotCreate));
    EXPECT_EQ(doc.FileName(), dir.Path("cal.srv"));
    EXPECT_TRUE(doc.HasFile());
}

TEST(FileCommands, AWriteProtectedFileIsNotReplaced) {
    TempDir dir;
    CalibrationDocument doc;
    FileCommands files(doc);
    TypeMeasurements(doc);
    MessageRecorder messages;
    ASSERT_EQ(files.FileSaveAsItemClick(dir.Path("cal.srv"), kSaveFilterCalibration, Never),
              FileOutcome::Done);
    WriteText(dir.Path("m.txt"), "kept");
    const Bytes before = ReadBytes(dir.Path("cal.srv"));
    for (const char* name : {"cal.srv", "m.txt"})
        std::filesystem::permissions(dir.Path(name), std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::group_read |
                                                         std::filesystem::perms::others_read);

    doc.CalibrationList().Add(Record(30.0, 300.0));
    doc.MeasurementsChanged(true);
    messages.Clear();
    EXPECT_EQ(files.FileSaveItemClick(), FileOutcome::Failed);
    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("m.txt"), kSaveFilterMathCad,
                                        [](uint32_t, uint32_t) {
                                            return std::optional(ColumnChoice{0x3, false});
                                        }),
              FileOutcome::Failed);
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kCannotCreate, kCannotCreate}));
    EXPECT_EQ(ReadBytes(dir.Path("cal.srv")), before);
    EXPECT_EQ(ReadText(dir.Path("m.txt")), "kept");
    EXPECT_TRUE(doc.HasUnsavedChanges());
}

TEST(FileCommands, ExportsTheCurrentListForMathCad) {
    TempDir dir;
    CalibrationDocument doc;
    FileCommands files(doc);
    MeasurementRecord r = Record(1.5, 12.0);
    r.FlowDeviation = 0.0123;
    doc.CalibrationList().Add(r);
    doc.SetFile(dir.Path("cal.srv"), true);
    MessageRecorder messages;

    std::vector<std::pair<uint32_t, uint32_t>> shown;
    auto choose = [&](std::optional<ColumnChoice> answer) {
        return [&shown, answer](uint32_t enabled, uint32_t checked) {
            shown.emplace_back(enabled, checked);
            return answer;
        };
    };
    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("m"), kSaveFilterMathCad,
                                        choose(ColumnChoice{kMathCadInitialMask, true})),
              FileOutcome::Done);
    EXPECT_EQ(messages.Single(), Info(kSaved));
    EXPECT_EQ(ReadText(dir.Path("m.txt")),
              "20.000000 1.500000 12.000000 1.230000 0.000000 0.000000 \r\n");
    EXPECT_EQ(ReadText(dir.Path("m.hdr")), "T_ Q_ F_ dQ A_ B_ ");
    EXPECT_FALSE(doc.HasFile()) << "a later Сохранить asks for a name";
    EXPECT_EQ(doc.FileName(), dir.Path("cal.srv"));

    // The column window remembers the last choice, and all columns after a
    // cancel; no column, or a cancel, exports nothing.
    messages.Clear();
    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("n.txt"), kSaveFilterMathCad,
                                        choose(ColumnChoice{0x3, false})),
              FileOutcome::Done);
    EXPECT_EQ(ReadText(dir.Path("n.txt")), "0.000000 20.000000 \r\n");
    EXPECT_FALSE(PathExists(dir.Path("n.hdr")));
    EXPECT_EQ(
        files.FileSaveAsItemClick(dir.Path("c.txt"), kSaveFilterMathCad, choose(std::nullopt)),
        FileOutcome::Cancelled);
    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("c.txt"), kSaveFilterMathCad,
                                        choose(ColumnChoice{0, true})),
              FileOutcome::Cancelled);
    EXPECT_FALSE(PathExists(dir.Path("c.txt")));
    const std::vector<std::pair<uint32_t, uint32_t>> expected = {
        {0x3FFF, 0x31C2}, {0x3FFF, 0x31C2}, {0x3FFF, 0x3}, {0x3FFF, 0x3FFF}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(files.ExportMask(), 0u);

    // Other entries of the save dialog and the Ринком export are not there.
    messages.Clear();
    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("r.rcm"), 2, Never), FileOutcome::NotImplemented);
    files.FileExportKItemClick();
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Эта функция пока не реализована",
                                                          "Эта функция пока не реализована"}));
}

TEST(FileCommands, AFailedExportKeepsTheOldFiles) {
    TempDir dir;
    CalibrationDocument doc;
    FileCommands files(doc);
    WriteText(dir.Path("m.txt"), "old data");
    WriteText(dir.Path("m.hdr"), "Q_ F_ ");
    for (int i = 0; i < 50; ++i)
        doc.CalibrationList().Add(Record(1.0 + i, 10.0 + i));
    MessageRecorder messages;
    const auto all = [](uint32_t, uint32_t) { return std::optional(ColumnChoice{0x3FFF, true}); };
    {
        const ScopedFileSizeLimit full(200);
        EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("m.txt"), kSaveFilterMathCad, all),
                  FileOutcome::Failed);
    }
    EXPECT_EQ(messages.Single(), Error(kSaveFailed));
    EXPECT_EQ(ReadText(dir.Path("m.txt")), "old data");
    EXPECT_EQ(ReadText(dir.Path("m.hdr")), "Q_ F_ ");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"m.hdr", "m.txt"}));

    messages.Clear();
    EXPECT_EQ(files.FileSaveAsItemClick(dir.Path("none/m.txt"), kSaveFilterMathCad, all),
              FileOutcome::Failed);
    EXPECT_EQ(messages.Single(), Error(kCannotCreate));
}
