#include "files/FileCommands.h"

#include "document/Messages.h"
#include "files/Calibrn3files.h"
#include "files/FileIo.h"
#include "files/KlaFiles.h"

#include <algorithm>
#include <utility>

namespace {

constexpr const char* kImportedText = "Данные импортированы успешно";
constexpr const char* kImportFailedText = "Ошибка при импорте данных";
constexpr const char* kSavedText = "Данные сохранены";
constexpr const char* kSaveFailedText = "Ошибка при сохранении данных";
constexpr const char* kCannotCreateText = "Не удалось открыть файл на запись";
constexpr const char* kUnsavedText = "Измерения не сохранены. Продолжить без сохранения?";

constexpr const char* kCalibrationExtension = ".srv";
constexpr const char* kKlaExtension = ".kla";
constexpr const char* kMathCadExtension = ".txt";

// A .kla file describes a piecewise meter; another family's type is replaced
// by this one ("ЛГМ-ЧИ2-xxx").
constexpr int32_t kKlaMeterType = 17;

// The line fields of source: the characteristic, not the rest of the meter's
// parameter record.
void CopyLines(LineTable& target, const LineTable& source) {
    target.LineCount = source.LineCount;
    std::copy(std::begin(source.A), std::end(source.A), std::begin(target.A));
    std::copy(std::begin(source.B), std::end(source.B), std::begin(target.B));
    std::copy(std::begin(source.Fmax), std::end(source.Fmax), std::begin(target.Fmax));
}

} // namespace

FileOutcome FileCommands::FileOpenItemClick(const std::string& path) {
    const std::string_view extension = PathExtension(path);
    if (SameExtension(extension, kKlaExtension))
        return ImportKla(path);
    if (SameExtension(extension, kMathCadExtension))
        return ImportMathCad(path);
    if (SameExtension(extension, kCalibrationExtension))
        return OpenCalibration(path);
    ShowNotImplemented();
    return FileOutcome::NotImplemented;
}

bool FileCommands::ConfirmReplace() {
    return !doc_.HasUnsavedChanges() || AskYesNo(kUnsavedText);
}

FileOutcome FileCommands::ImportFailed() {
    ShowError(kImportFailedText);
    return FileOutcome::Failed;
}

FileOutcome FileCommands::OpenCalibration(const std::string& path) {
    TZorDataList calibration;
    TZorDataList verification;
    LineTable lines = doc_.Params();
    MeterSettings settings = doc_.Settings();
    if (ReadCalibrationFile(path, &calibration, &verification, &lines, settings) !=
        CalibrationReadStatus::Ok)
        return ImportFailed();
    if (!ConfirmReplace())
        return FileOutcome::Cancelled;

    doc_.CalibrationList() = std::move(calibration);
    doc_.VerificationList() = std::move(verification);
    CopyLines(doc_.Params(), lines);
    doc_.ReplaceStoredSettings(settings);
    // The file keeps no sections; the mode, and with it the current list,
    // stays the one the operator is in.
    ApproxDataList& data = doc_.ApproxData();
    data.Count = IsPiecewise(doc_.Settings().DevType)
                     ? SummarizeSections(doc_.CurrentList(), data.Items)
                     : 0;
    doc_.MeasurementsChanged(true);
    // The full path, so that "Сохранить" writes back where the file came
    // from whatever the current folder is by then.
    doc_.SetFile(path, true);
    doc_.MarkSaved();
    ShowInfo(kImportedText);
    return FileOutcome::Done;
}

FileOutcome FileCommands::ImportKla(const std::string& path) {
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes)
        return ImportFailed();
    KlaImport kla;
    const KlaReadStatus status = ImportKlaFile(*bytes, doc_.Settings().SpreadLimit, kla);
    if (status != KlaReadStatus::Ok) {
        if (const char* text = KlaReadMessage(status))
            ShowError(text);
        return ImportFailed();
    }
    if (!ConfirmReplace())
        return FileOutcome::Cancelled;

    MeterSettings& settings = doc_.Settings();
    settings.Tpriv = kla.Tpriv;
    if (kla.SpreadLimit)
        settings.SpreadLimit = *kla.SpreadLimit;
    if (!IsPiecewise(settings.DevType)) {
        settings.DevType = kKlaMeterType;
        doc_.ApplyMeterType();
    }
    doc_.CurrentList() = std::move(kla.List);
    doc_.ApproxData().Count = kla.Data.Count;
    doc_.ApproxData().Items = kla.Data.Items;
    CopyLines(doc_.Params(), kla.Lines);
    FinishImport(path);
    return FileOutcome::Done;
}

FileOutcome FileCommands::ImportMathCad(const std::string& path) {
    TZorDataList list;
    if (!ImportMathCadFile(path, MathCadHeaderPath(path), list))
        return ImportFailed();
    if (!ConfirmReplace())
        return FileOutcome::Cancelled;

    // The text carries measurements only: no sections, no characteristic.
    doc_.CurrentList() = std::move(list);
    doc_.ApproxData().Count = 0;
    doc_.Params().LineCount = 0;
    FinishImport(path);
    return FileOutcome::Done;
}

void FileCommands::FinishImport(const std::string& path) {
    doc_.MeasurementsChanged(true);
    doc_.SetFile(path, false);
    ShowInfo(kImportedText);
}

FileOutcome FileCommands::FileSaveItemClick() {
    if (!doc_.HasFile())
        return FileOutcome::NeedsName;
    return SaveCalibration(doc_.FileName());
}

FileOutcome FileCommands::FileSaveAsItemClick(const std::string& path, int filterIndex,
                                              const ColumnChooser& chooseColumns) {
    if (filterIndex == kSaveFilterCalibration)
        return SaveCalibration(WithDefaultExtension(path, kCalibrationExtension));
    if (filterIndex != kSaveFilterMathCad) {
        ShowNotImplemented();
        return FileOutcome::NotImplemented;
    }
    const std::optional<ColumnChoice> choice =
        chooseColumns ? chooseColumns(kMathCadAllColumns, exportMask_) : std::nullopt;
    exportMask_ = choice ? choice->Mask & kMathCadAllColumns : kMathCadAllColumns;
    if (!choice || exportMask_ == 0)
        return FileOutcome::Cancelled;
    return ExportMathCad(WithDefaultExtension(path, kMathCadExtension),
                         {exportMask_, choice->WriteHeader});
}

void FileCommands::FileExportKItemClick() {
    ShowNotImplemented();
}

FileOutcome FileCommands::SaveCalibration(const std::string& path) {
    const LineTable* lines = doc_.Params().LineCount != 0 ? &doc_.Params() : nullptr;
    switch (WriteCalibrationFile(path, doc_.Settings(), &doc_.CalibrationList(), lines,
                                 &doc_.VerificationList())) {
    case WriteOutcome::CannotCreate:
        ShowError(kCannotCreateText);
        return FileOutcome::Failed;
    case WriteOutcome::WriteFailed:
        ShowError(kSaveFailedText);
        return FileOutcome::Failed;
    case WriteOutcome::Written:
        break;
    }
    doc_.SetFile(path, true);
    doc_.MarkSaved();
    ShowInfo(kSavedText);
    return FileOutcome::Done;
}

FileOutcome FileCommands::ExportMathCad(const std::string& path, const ColumnChoice& choice) {
    AtomicFileWriter data;
    if (!data.Open(path)) {
        ShowError(kCannotCreateText);
        return FileOutcome::Failed;
    }
    AtomicFileWriter header;
    bool written = !choice.WriteHeader || (header.Open(MathCadHeaderPath(path)) &&
                                           header.Write(MathCadHeaderLine(choice.Mask)));
    written = written && data.Write(MathCadDataText(doc_.CurrentList(), choice.Mask));
    written = written && (!choice.WriteHeader || header.Commit()) && data.Commit();
    if (!written) {
        ShowError(kSaveFailedText);
        return FileOutcome::Failed;
    }
    // A later "Сохранить" must ask for a name: the text is no calibration
    // file. The name stays for the caption of a later save.
    doc_.SetFile(doc_.FileName(), false);
    ShowInfo(kSavedText);
    return FileOutcome::Done;
}
