// The "Файл" menu's commands with their dialogs: "Открыть...", "Сохранить",
// "Сохранить как..." and "Экспорт в Ринком-2000". The dialogs ask for a
// name; FileCommands reads or writes the file and says everything that is
// to be said. The main window shows its document afterwards (the caption
// follows the file state).
#pragma once

#include "files/FileCommands.h"

#include <QString>

#include <memory>

class QWidget;
class TSelTxtExpDlg;

// What the save dialog answered: the name (empty: cancelled) and the entry
// of kSaveFilters that was chosen.
struct SaveTarget {
    QString Path;
    int FilterIndex = kSaveFilterCalibration;
};

// The file dialogs. The program shows Qt's; tests install answers of their
// own, so that no test waits on a real dialog.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // "Открытие файла" with kOpenFilters: the chosen file, or an empty name.
    virtual QString OpenFileName(QWidget* parent) = 0;
    // The save dialog with kSaveFilters. A name typed without extension gets
    // the chosen entry's, and an existing file is replaced only after the
    // operator agreed.
    virtual SaveTarget SaveFileName(QWidget* parent) = 0;
};

// Installs dialogs (null: Qt's) and returns the ones installed before. They
// must outlive their installation.
FileDialogs* InstallFileDialogs(FileDialogs* dialogs);

class FileMenu {
public:
    // window: the parent of the dialogs. focusHome takes the focus before a
    // file is read or written, so that typing left in another edit is
    // committed (or refused) first.
    FileMenu(CalibrationDocument& document, QWidget* window, QWidget* focusHome);
    ~FileMenu();
    FileMenu(const FileMenu&) = delete;
    FileMenu& operator=(const FileMenu&) = delete;

    void FileOpenItemClick();
    // Without a calibration file to write back to, runs "Сохранить как...".
    void FileSaveItemClick();
    // The first filter entry saves the calibration file, the second exports
    // the current list for MathCAD with the columns the column window gives.
    void FileSaveAsItemClick();
    void FileExportKItemClick();

private:
    // Leaving the edit that has the focus commits (or refuses) what was typed
    // there; the focus then rests on focusHome.
    void CommitTyping();

    FileCommands commands_;
    QWidget* window_;
    QWidget* focusHome_;
    // Made on the first export and kept, as the operator left it.
    std::unique_ptr<TSelTxtExpDlg> columns_;
};
