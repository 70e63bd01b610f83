// The "Файл" menu and the standard sections file through the main window:
// the file dialogs answer from the test, the column window of the MathCAD
// export is the real one, driven as the operator drives it. The rules behind
// the commands are FileCommands' and are tested there.

#include "ModalDriver.h"

#include "document/CalibrN3Unit.h"
#include "document/testing/MessageRecorder.h"
#include "files/FileMenu.h"
#include "files/ProgramFiles.h"
#include "files/SelTxtExpDlg.h"
#include "files/StdSectFile.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The file dialogs, answering from lists the test fills; an empty list
// answers as a cancelled dialog.
class ScriptedDialogs final : public FileDialogs {
public:
    QString OpenFileName(QWidget*) override {
        ++OpenAsked;
        return Opens.isEmpty() ? QString() : Opens.takeFirst();
    }
    SaveTarget SaveFileName(QWidget*) override {
        ++SaveAsked;
        return Saves.isEmpty() ? SaveTarget{} : Saves.takeFirst();
    }

    QStringList Opens;
    QList<SaveTarget> Saves;
    int OpenAsked = 0;
    int SaveAsked = 0;
};

RecordedMessage Info(const char* text) {
    return {MessageKind::Info, text};
}

MeasurementRecord Measurement(double flow, double frequency) {
    MeasurementRecord record = NewMeasurement();
    record.EtalonFlow = flow;
    record.MeasuredFrequency = frequency;
    return record;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

QStringList Ticked(const QListWidget* list) {
    QStringList ticked;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked)
            ticked << list->item(i)->text();
    return ticked;
}

void TickOnly(QListWidget* list, const QStringList& items) {
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setCheckState(items.contains(list->item(i)->text()) ? Qt::Checked
                                                                           : Qt::Unchecked);
}

} // namespace

class FileWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void SavingAndOpeningACalibrationFile();
    void TheMathCadExportTakesTheColumnsOfTheColumnWindow();
    void StandardSectionsAreReadAtStartAndWrittenAtExit();

private:
    QAction* Item(const char* name) const {
        auto* item = form_->findChild<QAction*>(QString::fromUtf8(name));
        if (item == nullptr)
            qFatal("no item %s", name);
        return item;
    }
    QString Path(const char* name) const { return folder_->filePath(QString::fromUtf8(name)); }
    void AddMeasurements(std::initializer_list<MeasurementRecord> records);

    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<MessageRecorder> messages_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<TCalibrN3Form> form_;
};

void FileWindowsTest::init() {
    folder_ = std::make_unique<QTemporaryDir>();
    SetProgramFilesFolder(folder_->path());
    messages_ = std::make_unique<MessageRecorder>();
    dialogs_ = ScriptedDialogs{};
    InstallFileDialogs(&dialogs_);
    form_ = std::make_unique<TCalibrN3Form>();
}

void FileWindowsTest::cleanup() {
    if (form_ != nullptr)
        form_->Document().MarkSaved();
    form_.reset();
    InstallFileDialogs(nullptr);
    messages_.reset();
    SetProgramFilesFolder(QString());
    folder_.reset();
}

void FileWindowsTest::AddMeasurements(std::initializer_list<MeasurementRecord> records) {
    CalibrationDocument& doc = form_->Document();
    for (const MeasurementRecord& record : records)
        doc.CalibrationList().Add(record);
    doc.MeasurementsChanged(true);
    form_->ShowDocument();
}

void FileWindowsTest::SavingAndOpeningACalibrationFile() {
    for (const char* name : {"FileOpenItem", "FileSaveItem", "FileSaveAsItem", "FileExportKItem"})
        QVERIFY2(Item(name)->isEnabled(), name);
    AddMeasurements({Measurement(1.5, 12.5), Measurement(3.0, 25.0)});
    QTableView* table = form_->findChild<QTableView*>(QStringLiteral("MainTbl"));

    // "Сохранить" without a file asks for a name; a cancelled dialog does
    // nothing.
    Item("FileSaveItem")->trigger();
    QCOMPARE(dialogs_.SaveAsked, 1);
    QVERIFY(messages_->Empty());
    QVERIFY(form_->windowTitle().endsWith(QStringLiteral("файл: - - -")));

    // A name without extension is saved as a calibration file.
    dialogs_.Saves = {{Path("first"), kSaveFilterCalibration}};
    Item("FileSaveItem")->trigger();
    QCOMPARE(messages_->Single(), Info("Данные сохранены"));
    QVERIFY(form_->windowTitle().endsWith(QStringLiteral("файл: first.srv")));
    const QByteArray saved = FileBytes(Path("first.srv"));
    QCOMPARE(saved.size(), 640 + 2 * 144);

    // Now "Сохранить" writes back without asking.
    messages_->Clear();
    AddMeasurements({Measurement(6.0, 50.0)});
    Item("FileSaveItem")->trigger();
    QCOMPARE(dialogs_.SaveAsked, 2);
    QCOMPARE(messages_->Single(), Info("Данные сохранены"));
    QCOMPARE(FileBytes(Path("first.srv")).size(), 640 + 3 * 144);

    // Opening the first version over unsaved measurements asks first.
    QFile file(Path("first.srv"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(saved);
    file.close();
    AddMeasurements({Measurement(9.0, 75.0)});
    messages_->Clear();
    messages_->Answer({true});
    dialogs_.Opens = {Path("first.srv")};
    Item("FileOpenItem")->trigger();
    QCOMPARE(messages_->Texts(),
             (std::vector<std::string>{"Измерения не сохранены. Продолжить без сохранения?",
                                       "Данные импортированы успешно"}));
    QCOMPARE(form_->Document().CalibrationList().Count(), 2u);
    QCOMPARE(table->model()->rowCount(), 2);
    QVERIFY(form_->windowTitle().endsWith(QStringLiteral("файл: first.srv")));
    QVERIFY(!form_->Document().HasUnsavedChanges());

    // A cancelled open dialog does nothing; "Экспорт в Ринком-2000" only
    // says it is not there.
    messages_->Clear();
    Item("FileOpenItem")->trigger();
    QCOMPARE(dialogs_.OpenAsked, 2);
    QVERIFY(messages_->Empty());
    Item("FileExportKItem")->trigger();
    QCOMPARE(messages_->Single(), Info("Эта функция пока не реализована"));
}

void FileWindowsTest::TheMathCadExportTakesTheColumnsOfTheColumnWindow() {
    MeasurementRecord record = Measurement(1.5, 10.0);
    record.FlowDeviation = 0.0123;
    AddMeasurements({record});

    bool driven = false;
    WhenShown<TSelTxtExpDlg>(&driven, [](TSelTxtExpDlg* window) {
        auto* list = window->findChild<QListWidget*>(QStringLiteral("DataListBox"));
        QCOMPARE(list->count(), 14);
        QCOMPARE(Ticked(list), (QStringList{"T (Температура)", "Qэт", "Fизм", "бQ", "A", "B"}));
        QVERIFY(window->findChild<QCheckBox*>(QStringLiteral("HeaderCheckBox"))->isChecked());
        auto* ok = window->findChild<QPushButton*>(QStringLiteral("OkBtn"));
        QCOMPARE(ok->text(), QStringLiteral("Продолжить"));
        // With no column ticked the window stays.
        TickOnly(list, {});
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(window->isVisible());
        TickOnly(list, {"Qэт", "бQ"});
        QTest::mouseClick(ok, Qt::LeftButton);
        QVERIFY(!window->isVisible());
    });
    dialogs_.Saves = {{Path("export"), kSaveFilterMathCad}};
    Item("FileSaveAsItem")->trigger();
    QVERIFY(driven);
    QCOMPARE(messages_->Single(), Info("Данные сохранены"));
    QCOMPARE(FileBytes(Path("export.txt")), QByteArray("1.500000 1.230000 \r\n"));
    QCOMPARE(FileBytes(Path("export.hdr")), QByteArray("Q_ dQ "));
    QVERIFY(!form_->Document().HasFile());

    // The next export offers what was ticked; "Отмена" writes nothing.
    messages_->Clear();
    WhenShown<TSelTxtExpDlg>(&driven, [](TSelTxtExpDlg* window) {
        auto* list = window->findChild<QListWidget*>(QStringLiteral("DataListBox"));
        QCOMPARE(Ticked(list), (QStringList{"Qэт", "бQ"}));
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("CancelBtn")),
                          Qt::LeftButton);
    });
    dialogs_.Saves = {{Path("second"), kSaveFilterMathCad}};
    Item("FileSaveAsItem")->trigger();
    QVERIFY(driven);
    QVERIFY(messages_->Empty());
    QVERIFY(!QFile::exists(Path("second.txt")));
}

void FileWindowsTest::StandardSectionsAreReadAtStartAndWrittenAtExit() {
    form_.reset();
    StdSectTable table{};
    table[1] = {kStdSectDefined, 0.01, 0.05, 20.0, {1, 2, 4, 5}};
    const std::string file = StdSectPath(folder_->path().toStdString());
    QCOMPARE(SaveStdSectFile(file, table), WriteOutcome::Written);

    form_ = std::make_unique<TCalibrN3Form>();
    const StdSect& read = form_->Document().StdSects()[1];
    QVERIFY(read.IsDefined());
    QCOMPARE(read.Breaks, (std::array<int32_t, 4>{1, 2, 4, 5}));
    QVERIFY(!form_->Document().StdSects()[2].IsDefined());

    form_->Document().StdSects()[2] = {kStdSectDefined, 0.02, 0.04, 15.0, {1, 2, 3, 4}};
    form_.reset();
    StdSectTable written{};
    QCOMPARE(LoadStdSectFile(file, written), StdSectReadStatus::Ok);
    QVERIFY(written[1].IsDefined());
    QVERIFY(written[2].IsDefined());
    QCOMPARE(written[2].Tpriv, 15.0);
    QVERIFY(messages_->Empty());
}

QTEST_MAIN(FileWindowsTest)
#include "FileWindowsTest.moc"
