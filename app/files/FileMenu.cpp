#include "files/FileMenu.h"

#include "document/StateWidgets.h"
#include "files/SelTxtExpDlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

#include <algorithm>

namespace {

// A filter entry as Qt reads it: the text, then the pattern in brackets
// unless the text ends with it already.
QString QtFilter(const FileFilter& filter) {
    const QString name = FromUtf8(filter.Name);
    const QString pattern = FromUtf8(filter.Pattern);
    if (name.endsWith(QStringLiteral("(") + pattern + QStringLiteral(")")))
        return name;
    return name + QStringLiteral(" (") + pattern + QStringLiteral(")");
}

template <size_t N> QStringList QtFilters(const std::array<FileFilter, N>& filters) {
    QStringList list;
    for (const FileFilter& filter : filters)
        list << QtFilter(filter);
    return list;
}

// The extension a pattern "*.srv" gives a name typed without one.
QString SuffixOf(const FileFilter& filter) {
    return FromUtf8(filter.Pattern).section(QLatin1Char('.'), 1);
}

class QtFileDialogs final : public FileDialogs {
public:
    QString OpenFileName(QWidget* parent) override {
        QFileDialog dialog(parent, FromUtf8(kOpenDialogTitle), folder_);
        dialog.setNameFilters(QtFilters(kOpenFilters));
        dialog.setFileMode(QFileDialog::ExistingFile);
        return Chosen(dialog);
    }

    SaveTarget SaveFileName(QWidget* parent) override {
        QFileDialog dialog(parent, QString(), folder_);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        const QStringList filters = QtFilters(kSaveFilters);
        dialog.setNameFilters(filters);
        // The dialog adds the entry's extension itself, so its question
        // before replacing a file is about the file that is written.
        const auto suffixFor = [&dialog, filters](const QString& filter) {
            const qsizetype index = std::max<qsizetype>(filters.indexOf(filter), 0);
            dialog.setDefaultSuffix(SuffixOf(kSaveFilters[static_cast<size_t>(index)]));
        };
        suffixFor(filters.front());
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, suffixFor);
        SaveTarget target{Chosen(dialog)};
        target.FilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
        return target;
    }

private:
    // The chosen file; the next dialog opens in its folder.
    QString Chosen(QFileDialog& dialog) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        folder_ = dialog.directory().absolutePath();
        return dialog.selectedFiles().front();
    }

    QString folder_;
};

QtFileDialogs qtDialogs;
FileDialogs* installed = &qtDialogs;

} // namespace

FileDialogs* InstallFileDialogs(FileDialogs* dialogs) {
    FileDialogs* previous = installed;
    installed = dialogs != nullptr ? dialogs : &qtDialogs;
    return previous == &qtDialogs ? nullptr : previous;
}

FileMenu::FileMenu(CalibrationDocument& document, QWidget* window, QWidget* focusHome)
    : commands_(document), window_(window), focusHome_(focusHome) {}

FileMenu::~FileMenu() = default;

void FileMenu::CommitTyping() {
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();
    focusHome_->setFocus(Qt::OtherFocusReason);
}

void FileMenu::FileOpenItemClick() {
    CommitTyping();
    const QString path = installed->OpenFileName(window_);
    if (!path.isEmpty())
        commands_.FileOpenItemClick(path.toStdString());
}

void FileMenu::FileSaveItemClick() {
    CommitTyping();
    if (commands_.FileSaveItemClick() == FileOutcome::NeedsName)
        FileSaveAsItemClick();
}

void FileMenu::FileSaveAsItemClick() {
    CommitTyping();
    const SaveTarget target = installed->SaveFileName(window_);
    if (target.Path.isEmpty())
        return;
    commands_.FileSaveAsItemClick(target.Path.toStdString(), target.FilterIndex,
                                  [this](uint32_t enabledMask, uint32_t checkedMask) {
                                      if (!columns_)
                                          columns_ = std::make_unique<TSelTxtExpDlg>(window_);
                                      return columns_->Run(enabledMask, checkedMask);
                                  });
}

void FileMenu::FileExportKItemClick() {
    commands_.FileExportKItemClick();
}
