// The "Файл" menu of the main window without its dialogs: "Открыть...",
// "Сохранить", "Сохранить как..." and "Экспорт в Ринком-2000".
//
// The window shows the file dialog and hands the chosen name (and the save
// dialog's filter entry) to the command here, which reads or writes the file,
// updates the document and its file state and shows every message. After a
// command the window applies the document's ViewState() as after any other
// operation (the caption follows the file state).
//
// Opening reads the file into fresh objects and puts them into the document
// only when the whole file was read: a damaged or unreadable file leaves the
// lists, the settings and the line table as they were. A document with
// unsaved changes is replaced only after "Измерения не сохранены.
// Продолжить без сохранения?" was answered Yes.
//
// Saving replaces a file as a whole (AtomicFileWriter): a failed write leaves
// the previous file intact.
#pragma once

#include "document/CalibrationDocument.h"
#include "files/MathCadFiles.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// Entries of the file dialogs: the text the operator sees and the pattern.
struct FileFilter {
    const char* Name;
    const char* Pattern;
};
inline constexpr const char* kOpenDialogTitle = "Открытие файла";
inline constexpr std::array<FileFilter, 5> kOpenFilters{{
    {"Файлы ЛГМ-Сервис (*.srv)", "*.srv"},
    {"Файлы Rincom2000 (*.rcm)", "*.rcm"},
    {"Файлы Кусочно-линейной аппроксимации (*.kla)", "*.kla"},
    {"Файлы данных MathCAD (*.txt)", "*.txt"},
    {"Все файлы (*.*)", "*.*"},
}};
// "Сохранить как...": entry 0 the calibration file, entry 1 the MathCAD
// export. The dialog asks before overwriting a file.
inline constexpr std::array<FileFilter, 2> kSaveFilters{{
    {"Файлы ЛГМ Сервис", "*.srv"},
    {"Файл для MathCAD(*.txt)", "*.txt"},
}};
inline constexpr int kSaveFilterCalibration = 0;
inline constexpr int kSaveFilterMathCad = 1;

// What a file command did. Every message was shown already.
enum class FileOutcome {
    Done,           // opened, imported, saved or exported
    Failed,         // the error was shown; the document is as it was
    Cancelled,      // the operator declined (a question, the column window)
    NotImplemented, // "Эта функция пока не реализована" was shown
    NeedsName, // "Сохранить" without a calibration file: run "Сохранить как..."
};

// The choice of the column window TSelTxtExpDlg: the ticked columns (bit i =
// column i of kMathCadColumns) and "Создать заголовочный файл".
struct ColumnChoice {
    uint32_t Mask = 0;
    bool WriteHeader = false;
};
// Shows the column window with the columns of enabledMask offered and those
// of checkedMask ticked; nullopt when it was cancelled. The window stays open
// while no column is ticked.
using ColumnChooser =
    std::function<std::optional<ColumnChoice>(uint32_t enabledMask, uint32_t checkedMask)>;

class FileCommands {
public:
    explicit FileCommands(CalibrationDocument& document) : doc_(document) {}

    // "Открыть..." with the chosen file: by its extension, in any case,
    // ".kla" and ".txt" are imported into the current list, ".srv" is opened
    // as the document; any other shows "Эта функция пока не реализована".
    // Success shows "Данные импортированы успешно"; a failure "Ошибка при
    // импорте данных" (a .kla file first says why).
    FileOutcome FileOpenItemClick(const std::string& path);

    // "Сохранить": writes the calibration file under the document's name, or
    // NeedsName when the document is not a calibration file yet.
    FileOutcome FileSaveItemClick();

    // "Сохранить как..." with the chosen name and filter entry:
    // kSaveFilterCalibration writes a calibration file (".srv" appended to a
    // name without extension) and makes it the document's file;
    // kSaveFilterMathCad asks chooseColumns for the columns (the remembered
    // mask ticked) and exports the current list (".txt" appended likewise);
    // any other entry shows "Эта функция пока не реализована".
    FileOutcome FileSaveAsItemClick(const std::string& path, int filterIndex,
                                    const ColumnChooser& chooseColumns);

    // "Экспорт в Ринком-2000".
    void FileExportKItemClick();

    // The columns ticked when the column window opens next: initially
    // kMathCadInitialMask, then what it returned (all columns after a cancel).
    uint32_t ExportMask() const { return exportMask_; }

private:
    FileOutcome OpenCalibration(const std::string& path);
    FileOutcome ImportKla(const std::string& path);
    FileOutcome ImportMathCad(const std::string& path);
    FileOutcome ImportFailed();
    // Whether the document may be replaced: no unsaved changes, or the
    // operator agrees to lose them.
    bool ConfirmReplace();
    // After an import into the current list: the document is not a
    // calibration file and holds what no file holds yet.
    void FinishImport(const std::string& path);
    FileOutcome SaveCalibration(const std::string& path);
    FileOutcome ExportMathCad(const std::string& path, const ColumnChoice& choice);

    CalibrationDocument& doc_;
    uint32_t exportMask_ = kMathCadInitialMask;
};
