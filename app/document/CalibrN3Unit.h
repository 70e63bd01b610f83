// The main window of lgmservice: the meter settings in the top row, the
// measurement table, the group "Аппроксимация" and the menu bar, over the
// calibration document the window owns for the whole run.
//
// The window holds no rules. A handler reads its control, calls the
// document's operation of the same name and ends with ShowDocument(), which
// puts the document's view state into every control and lets the
// measurement table follow the document's revisions.
//
// Every command is a named QAction or button (object name = the name below,
// so tests find it). A command is enabled only when the rules allow it and a
// handler is bound to it with Bind(); the commands of windows that are not
// part of the program yet have no handler and so stay disabled.
#pragma once

#include "document/CalibrationDocument.h"
#include "document/StartUp.h"

#include <QMainWindow>
#include <QSet>

#include <functional>
#include <memory>
#include <string_view>

class ExchangeWindows;
class XClock;
class FileMenu;
class MainTblModel;
class MainTblView;
class QAbstractButton;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class StateGrid;

class TCalibrN3Form : public QMainWindow {
    Q_OBJECT
public:
    // Creates the document (throws ESimpleException when its lists cannot be
    // had), opens the exchange log the command line asks for, creates the
    // exchange thread (waiting by exchangeClock; null: real time) and shows
    // the start-up state.
    explicit TCalibrN3Form(const CommandLineOptions& options = {}, QWidget* parent = nullptr,
                           std::shared_ptr<XClock> exchangeClock = nullptr);
    ~TCalibrN3Form() override;

    CalibrationDocument& Document() { return *document_; }
    // Shows the document as it is now: caption, top row, approximation group,
    // menu marks and enabling, and the measurement table. Code that changed
    // the document directly calls it afterwards.
    void ShowDocument();

protected:
    // Closing the window by its frame or by "Выход": the document may ask
    // about unsaved measurements and keep the window open.
    void closeEvent(QCloseEvent* event) override;
    // The exchange thread's results arrive as posted events.
    bool event(QEvent* event) override;

private:
    using Handler = void (TCalibrN3Form::*)();
    using Command = std::function<void()>;
    using ComboChange = ComboOutcome (CalibrationDocument::*)(int);
    using EditCommit = EditOutcome (CalibrationDocument::*)(std::string_view);

    void CreateMenus();
    QWidget* CreateTopRow(QWidget* parent);
    QGroupBox* CreateApproxGroup(QWidget* parent);
    void CreateTablePopup();
    void BindHandlers();
    void CentreOnScreen();

    // Connects a command to its handler (run guarded) and marks it served.
    void Bind(QAction* item, Handler handler);
    void Bind(QAbstractButton* button, Handler handler);
    void Bind(QAction* item, Command command);
    void Bind(QAbstractButton* button, Command command);
    // A command served by the exchange windows, then the document shown.
    Command Exchange(void (ExchangeWindows::*handler)());
    void Bind(QComboBox* combo, Handler handler);
    void Bind(QLineEdit* edit, Handler onExit, Handler onEnter);
    bool Served(const QObject* command) const { return served_.contains(command); }

    void ChangeCombo(QComboBox* combo, ComboChange change);
    void CommitEdit(QLineEdit* edit, EditCommit commit, bool enter);
    void ShowTableMenuEnabling();

    // --- Handlers -----------------------------------------------------------
    // "Файл"
    void FileNewItemClick();
    void ExitItemClick();
    // "Режим", "Метод", "Способ"
    void ModeGradItemClick();
    void ModeTestItemClick();
    void MethodVolumeItemClick();
    void MethodMassItemClick();
    void GetManualItemClick();
    // "Сервис"
    void Polarity00ItemClick();
    void Polarity01ItemClick();
    void ColorizeSectionsItemClick();
    void ColorizeLinesItemClick();
    // Top row
    void TypeComboChange();
    void DuComboChange();
    void OutComboChange();
    void WeightComboChange();
    void SerNoEditExit();
    void TauEditExit();
    void TauEditKeyUp();
    void PulsesEditExit();
    void PulsesEditKeyUp();
    // Group "Аппроксимация"
    void ApproxKindComboChange();
    void ApproxMethodComboChange();
    void DeviationEditExit();
    void DeviationEditKeyUp();
    void ErrEditExit();
    void ErrEditKeyUp();
    void TempEditExit();
    void TempEditKeyUp();
    void ApproxBtnClick();
    void ReplaceBtnClick();
    void RepBtnClick();
    void GraphBtnClick();
    void CompChartItemClick();
    // Measurement table and its context menu
    void MainTblContextPopup(int row, int column, QPoint globalPos);
    void AddItemClick();
    void RemItemClick();
    void SortItemClick();
    void LineItemClick();
    void OnOffItemClick();
    // The file menu's commands, "Стандартные прямые..." and "Ручной ввод"
    void FileOpenItemClick();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    void FileExportKItemClick();
    void StdSectionItemClick();
    void ManualBtnClick();

    std::unique_ptr<CalibrationDocument> document_;
    ExchangeLog log_;
    std::unique_ptr<ExchangeWindows> exchange_;
    std::unique_ptr<FileMenu> files_;
    QSet<const QObject*> served_;

    // --- Menu bar -------------------------------------------------------------
    QAction* FileNewItem = nullptr;          // "Новый"
    QAction* FileOpenItem = nullptr;         // "Открыть..."
    QAction* FileSaveItem = nullptr;         // "Сохранить"
    QAction* FileSaveAsItem = nullptr;       // "Сохранить как..."
    QAction* FileExportKItem = nullptr;      // "Экспорт в Ринком-2000"
    QAction* ExitItem = nullptr;             // "Выход"
    QAction* ModeGradItem = nullptr;         // "Градуировка"
    QAction* ModeTestItem = nullptr;         // "Поверка"
    QAction* MethodVolumeItem = nullptr;     // "Объемный"
    QAction* MethodMassItem = nullptr;       // "Массовый"
    QAction* GetManualItem = nullptr;        // "Ручной ввод"
    QAction* GetBkltItem = nullptr;          // "Ввод с МН-4.6"
    QAction* ServicePortItem = nullptr;      // "Настройки COM-порта..."
    QAction* ServiceAdaptorItem = nullptr;   // "Настройки адаптера..."
    QAction* ServiceSupplyItem = nullptr;    // "Тест питания..."
    QAction* ServiceTermoItem = nullptr;     // "Термодатчик..."
    QAction* TestOutputItem = nullptr;       // "Тест выходного сигнала..."
    QMenu* PolarityMenu = nullptr;           // "Полярность АЧХ"
    QAction* Polarity00Item = nullptr;       // "ПБ-7.2 318.00"
    QAction* Polarity01Item = nullptr;       // "ПБ-7.2 318.01"
    QAction* ColorizeSectionsItem = nullptr; // "Расцвечивать сечения"
    QAction* ColorizeLinesItem = nullptr;    // "Расцвечивать прямые"
    QAction* StdSectionItem = nullptr;       // "Стандартные прямые..."
    QAction* CompChartItem = nullptr;        // "Сравнительный график"
    QAction* CorrectionItem = nullptr;       // "Расчет поправки...": never enabled
    QAction* AboutItem = nullptr;            // "О программе..."

    // --- Top row --------------------------------------------------------------
    QLineEdit* SerNoEdit = nullptr;
    QComboBox* TypeCombo = nullptr;
    QComboBox* DuCombo = nullptr;
    QComboBox* OutCombo = nullptr;
    QLabel* ParamLab = nullptr;
    QComboBox* WeightCombo = nullptr; // in ParamLab's place with the pulse output
    QLineEdit* PulsesEdit = nullptr;  // in ParamLab's place with a frequency output
    QLineEdit* TauEdit = nullptr;

    // --- Measurement table ------------------------------------------------------
    MainTblModel* MainTblData = nullptr;
    MainTblView* MainTbl = nullptr;
    QMenu* MainTblPopup = nullptr;
    QAction* AddItem = nullptr;   // "Добавить измерение", Ctrl+Ins
    QAction* RemItem = nullptr;   // "Удалить измерение", Ctrl+Del
    QAction* SortItem = nullptr;  // "Cортировать по Q"
    QAction* LineItem = nullptr;  // "Поставить/удалить точку"
    QAction* OnOffItem = nullptr; // "Включить/отключить"

    // --- Group "Аппроксимация" ----------------------------------------------------
    QComboBox* ApproxKindCombo = nullptr;
    QComboBox* ApproxMethodCombo = nullptr;
    QLineEdit* DeviationEdit = nullptr;
    QLineEdit* ErrEdit = nullptr;
    QLineEdit* TempEdit = nullptr;
    QPushButton* ApproxBtn = nullptr;  // "Выполнить\nаппроксимацию"
    QPushButton* ReplaceBtn = nullptr; // "Заменить данные"
    QPushButton* ManualBtn = nullptr;  // "Ручной ввод"
    QPushButton* RdParamBtn = nullptr; // "Чтение параметров"
    QPushButton* WrParamBtn = nullptr; // "Запись параметров"
    QPushButton* ReportBtn = nullptr;  // "Отчет"
    QPushButton* GraphBtn = nullptr;   // "График"
    StateGrid* DiapTbl = nullptr;      // "Данные аппроксимации:"
    StateGrid* ApproxTbl = nullptr;    // "Коэффициенты аппроксимации:"
};
