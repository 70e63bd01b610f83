#include "document/CalibrN3Unit.h"

#include "approx/ManualCoeffDlg.h"
#include "approx/StdSectDlg.h"
#include "charts/ChartActions.h"
#include "document/EditCommitter.h"
#include "document/HandlerGuard.h"
#include "document/MainTblModel.h"
#include "document/MainTblView.h"
#include "document/StateGrid.h"
#include "document/StateWidgets.h"
#include "exchange/ExchangeWindows.h"
#include "files/FileMenu.h"
#include "files/ProgramFiles.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QVBoxLayout>

namespace {

constexpr int kWindowWidth = 779;
constexpr int kWindowHeight = 542;

QAction* NewItem(QMenu* menu, const char* name, const char* text) {
    QAction* item = menu->addAction(QString::fromUtf8(text));
    item->setObjectName(QString::fromUtf8(name));
    return item;
}

// Items of one radio group: marking one unmarks the others.
void MakeRadio(QObject* owner, std::initializer_list<QAction*> items) {
    auto* group = new QActionGroup(owner);
    for (QAction* item : items) {
        item->setCheckable(true);
        group->addAction(item);
    }
}

QLabel* NewLabel(QWidget* parent, const char* text) {
    return new QLabel(QString::fromUtf8(text), parent);
}

template <class Control> Control* NewControl(QWidget* parent, const char* name) {
    auto* control = new Control(parent);
    control->setObjectName(QString::fromUtf8(name));
    return control;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* text) {
    auto* button = NewControl<QPushButton>(parent, name);
    button->setText(QString::fromUtf8(text));
    button->setAutoDefault(false);
    return button;
}

// A combo as wide as its longest item, so the top row stays in place when the
// items change and no item is cut.
QComboBox* NewCombo(QWidget* parent, const char* name) {
    auto* combo = NewControl<QComboBox>(parent, name);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return combo;
}

// An edit just wide enough for a number of widthInDigits digits.
QLineEdit* NewEdit(QWidget* parent, const char* name, int widthInDigits) {
    auto* edit = NewControl<QLineEdit>(parent, name);
    constexpr int kFrameAndMargins = 10;
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(widthInDigits, '0')) +
                        kFrameAndMargins);
    return edit;
}

} // namespace

TCalibrN3Form::TCalibrN3Form(const CommandLineOptions& options, QWidget* parent,
                             std::shared_ptr<XClock> exchangeClock)
    : QMainWindow(parent), document_(std::make_unique<CalibrationDocument>()), log_(options) {
    setObjectName(QStringLiteral("TCalibrN3Form"));
    CreateMenus();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(CreateTopRow(central));
    MainTblData = new MainTblModel(*document_, this);
    MainTbl = new MainTblView(*MainTblData, central);
    MainTbl->setObjectName(QStringLiteral("MainTbl"));
    layout->addWidget(MainTbl, 1);
    layout->addWidget(CreateApproxGroup(central));
    setCentralWidget(central);
    CreateTablePopup();
    exchange_ = std::make_unique<ExchangeWindows>(
        this, *document_, [this] { ShowDocument(); }, log_.Handle(), std::move(exchangeClock));

    BindHandlers();
    ShowTableMenuEnabling();
    ShowDocument();
    LoadStdSects(document_->StdSects());
    // WeightCombo and PulsesEdit take turns in one place: one width for both,
    // so the pulse duration does not move when the output changes.
    PulsesEdit->setFixedWidth(WeightCombo->sizeHint().width());

    resize(kWindowWidth, kWindowHeight);
    setMinimumWidth(kWindowWidth);
    CentreOnScreen();
}

TCalibrN3Form::~TCalibrN3Form() {
    SaveStdSects(document_->StdSects());
    // The exchange thread ends while the window it posts to is whole.
    exchange_.reset();
    // An edit that loses the focus because the window goes is not committed.
    qDeleteAll(findChildren<EditCommitter*>());
    // The controls read the document while they go (hiding the grid asks for
    // cells), so they go before it.
    delete takeCentralWidget();
    delete MainTblData;
}

void TCalibrN3Form::CentreOnScreen() {
    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TCalibrN3Form::CreateMenus() {
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    FileNewItem = NewItem(file, "FileNewItem", "Новый");
    FileOpenItem = NewItem(file, "FileOpenItem", "Открыть...");
    FileSaveItem = NewItem(file, "FileSaveItem", "Сохранить");
    FileSaveAsItem = NewItem(file, "FileSaveAsItem", "Сохранить как...");
    file->addSeparator();
    FileExportKItem = NewItem(file, "FileExportKItem", "Экспорт в Ринком-2000");
    file->addSeparator();
    ExitItem = NewItem(file, "ExitItem", "Выход");

    QMenu* mode = bar->addMenu(QStringLiteral("Режим"));
    ModeGradItem = NewItem(mode, "ModeGradItem", "Градуировка");
    ModeTestItem = NewItem(mode, "ModeTestItem", "Поверка");
    MakeRadio(this, {ModeGradItem, ModeTestItem});

    QMenu* method = bar->addMenu(QStringLiteral("Метод"));
    MethodVolumeItem = NewItem(method, "MethodVolumeItem", "Объемный");
    MethodMassItem = NewItem(method, "MethodMassItem", "Массовый");
    MakeRadio(this, {MethodVolumeItem, MethodMassItem});

    QMenu* source = bar->addMenu(QStringLiteral("Способ"));
    GetManualItem = NewItem(source, "GetManualItem", "Ручной ввод");
    GetBkltItem = NewItem(source, "GetBkltItem", "Ввод с МН-4.6");
    MakeRadio(this, {GetManualItem, GetBkltItem});

    QMenu* service = bar->addMenu(QStringLiteral("Сервис"));
    ServicePortItem = NewItem(service, "ServicePortItem", "Настройки COM-порта...");
    ServiceAdaptorItem = NewItem(service, "ServiceAdaptorItem", "Настройки адаптера...");
    service->addSeparator();
    ServiceSupplyItem = NewItem(service, "ServiceSupplyItem", "Тест питания...");
    ServiceTermoItem = NewItem(service, "ServiceTermoItem", "Термодатчик...");
    TestOutputItem = NewItem(service, "TestOutputItem", "Тест выходного сигнала...");
    service->addSeparator();
    PolarityMenu = service->addMenu(QStringLiteral("Полярность АЧХ"));
    PolarityMenu->setObjectName(QStringLiteral("PolarityMenu"));
    PolarityMenu->menuAction()->setObjectName(QStringLiteral("PolarityItem"));
    Polarity00Item = NewItem(PolarityMenu, "Polarity00Item", "ПБ-7.2 318.00");
    Polarity01Item = NewItem(PolarityMenu, "Polarity01Item", "ПБ-7.2 318.01");
    MakeRadio(this, {Polarity00Item, Polarity01Item});
    service->addSeparator();
    ColorizeSectionsItem = NewItem(service, "ColorizeSectionsItem", "Расцвечивать сечения");
    ColorizeLinesItem = NewItem(service, "ColorizeLinesItem", "Расцвечивать прямые");
    MakeRadio(this, {ColorizeSectionsItem, ColorizeLinesItem});
    service->addSeparator();
    StdSectionItem = NewItem(service, "StdSectionItem", "Стандартные прямые...");
    CompChartItem = NewItem(service, "CompChartItem", "Сравнительный график");
    service->addSeparator();
    CorrectionItem = NewItem(service, "CorrectionItem", "Расчет поправки...");

    QMenu* help = bar->addMenu(QStringLiteral("Справка"));
    AboutItem = NewItem(help, "AboutItem", "О программе...");
}

QWidget* TCalibrN3Form::CreateTopRow(QWidget* parent) {
    // Tight spacing: the whole row fits the window's 779 pixels.
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto addLabelled = [&](const char* label, QWidget* control) {
        layout->addWidget(NewLabel(row, label));
        layout->addWidget(control);
        layout->addSpacing(4);
    };

    SerNoEdit = NewEdit(row, "SerNoEdit", 8);
    SerNoEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), SerNoEdit));
    addLabelled("Зав. №:", SerNoEdit);
    TypeCombo = NewCombo(row, "TypeCombo");
    addLabelled("Тип:", TypeCombo);
    DuCombo = NewCombo(row, "DuCombo");
    addLabelled("Dу:", DuCombo);
    OutCombo = NewCombo(row, "OutCombo");
    addLabelled("Выход V:", OutCombo);
    ParamLab = NewControl<QLabel>(row, "ParamLab");
    layout->addWidget(ParamLab);
    WeightCombo = NewCombo(row, "WeightCombo");
    PulsesEdit = NewEdit(row, "PulsesEdit", 2);
    layout->addWidget(WeightCombo);
    layout->addWidget(PulsesEdit);
    layout->addSpacing(4);
    TauEdit = NewEdit(row, "TauEdit", 5);
    addLabelled("Tимп, мс:", TauEdit);
    layout->addStretch(1);
    return row;
}

QGroupBox* TCalibrN3Form::CreateApproxGroup(QWidget* parent) {
    auto* group = new QGroupBox(QStringLiteral("Аппроксимация"), parent);
    group->setObjectName(QStringLiteral("ApproxGroup"));
    auto* layout = new QGridLayout(group);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setHorizontalSpacing(10);
    layout->setVerticalSpacing(6);

    // Settings: the model and mode, then the three limits.
    auto* settings = new QGridLayout;
    settings->setHorizontalSpacing(4);
    settings->setVerticalSpacing(3);
    settings->addWidget(NewLabel(group, "Модель аппроксимации:"), 0, 0, 1, 3);
    ApproxKindCombo = NewCombo(group, "ApproxKindCombo");
    settings->addWidget(ApproxKindCombo, 1, 0, 1, 3);
    settings->addWidget(NewLabel(group, "Режим аппроксимации:"), 2, 0, 1, 3);
    ApproxMethodCombo = NewCombo(group, "ApproxMethodCombo");
    settings->addWidget(ApproxMethodCombo, 3, 0, 1, 3);
    auto addLimit = [&](int line, const char* label, QLineEdit* edit, const char* unit) {
        settings->addWidget(NewLabel(group, label), line, 0);
        settings->addWidget(edit, line, 1);
        settings->addWidget(NewLabel(group, unit), line, 2);
    };
    DeviationEdit = NewEdit(group, "DeviationEdit", 5);
    addLimit(4, "Макс. разброс  h = ±", DeviationEdit, "%");
    ErrEdit = NewEdit(group, "ErrEdit", 5);
    addLimit(5, "Макс.погрешность  б = ±", ErrEdit, "%");
    TempEdit = NewEdit(group, "TempEdit", 5);
    addLimit(6, "Tприв:", TempEdit, "°C");
    settings->setRowStretch(7, 1);
    layout->addLayout(settings, 0, 0);

    auto addGrid = [&](int column, const char* name, const char* title) {
        auto* grid = NewControl<StateGrid>(group, name);
        auto* box = new QVBoxLayout;
        box->setSpacing(2);
        box->addWidget(NewLabel(group, title));
        box->addWidget(grid, 1);
        layout->addLayout(box, 0, column);
        return grid;
    };
    DiapTbl = addGrid(1, "DiapTbl", "Данные аппроксимации:");
    ApproxTbl = addGrid(2, "ApproxTbl", "Коэффициенты аппроксимации:");
    layout->setColumnStretch(2, 1);

    // The buttons in one row under all: the approximation's own, the
    // meter's, then the report and the graph.
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    ApproxBtn = NewButton(group, "ApproxBtn", "Выполнить\nаппроксимацию");
    ReplaceBtn = NewButton(group, "ReplaceBtn", "Заменить данные");
    ManualBtn = NewButton(group, "ManualBtn", "Ручной ввод");
    RdParamBtn = NewButton(group, "RdParamBtn", "Чтение параметров");
    WrParamBtn = NewButton(group, "WrParamBtn", "Запись параметров");
    ReportBtn = NewButton(group, "ReportBtn", "Отчет");
    GraphBtn = NewButton(group, "GraphBtn", "График");
    for (QPushButton* button :
         {ApproxBtn, ReplaceBtn, ManualBtn, RdParamBtn, WrParamBtn, ReportBtn, GraphBtn}) {
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        buttons->addWidget(button);
    }
    layout->addLayout(buttons, 1, 0, 1, 3);
    return group;
}

void TCalibrN3Form::CreateTablePopup() {
    MainTblPopup = new QMenu(this);
    MainTblPopup->setObjectName(QStringLiteral("MainTblPopup"));
    AddItem = NewItem(MainTblPopup, "AddItem", "Добавить измерение");
    RemItem = NewItem(MainTblPopup, "RemItem", "Удалить измерение");
    SortItem = NewItem(MainTblPopup, "SortItem", "Cортировать по Q");
    LineItem = NewItem(MainTblPopup, "LineItem", "Поставить/удалить точку");
    OnOffItem = NewItem(MainTblPopup, "OnOffItem", "Включить/отключить");
    // The shortcuts work while the grid (or its cell editor) has the focus.
    AddItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
    RemItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    for (QAction* item : {AddItem, RemItem}) {
        item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        MainTbl->addAction(item);
    }
}

void TCalibrN3Form::BindHandlers() {
    Bind(FileNewItem, &TCalibrN3Form::FileNewItemClick);
    Bind(ExitItem, &TCalibrN3Form::ExitItemClick);
    Bind(ModeGradItem, &TCalibrN3Form::ModeGradItemClick);
    Bind(ModeTestItem, &TCalibrN3Form::ModeTestItemClick);
    Bind(MethodVolumeItem, &TCalibrN3Form::MethodVolumeItemClick);
    Bind(MethodMassItem, &TCalibrN3Form::MethodMassItemClick);
    Bind(GetManualItem, &TCalibrN3Form::GetManualItemClick);
    Bind(Polarity00Item, &TCalibrN3Form::Polarity00ItemClick);
    Bind(Polarity01Item, &TCalibrN3Form::Polarity01ItemClick);
    Bind(ColorizeSectionsItem, &TCalibrN3Form::ColorizeSectionsItemClick);
    Bind(ColorizeLinesItem, &TCalibrN3Form::ColorizeLinesItemClick);

    Bind(TypeCombo, &TCalibrN3Form::TypeComboChange);
    Bind(DuCombo, &TCalibrN3Form::DuComboChange);
    Bind(OutCombo, &TCalibrN3Form::OutComboChange);
    Bind(WeightCombo, &TCalibrN3Form::WeightComboChange);
    Bind(SerNoEdit, &TCalibrN3Form::SerNoEditExit, nullptr);
    Bind(TauEdit, &TCalibrN3Form::TauEditExit, &TCalibrN3Form::TauEditKeyUp);
    Bind(PulsesEdit, &TCalibrN3Form::PulsesEditExit, &TCalibrN3Form::PulsesEditKeyUp);

    Bind(ApproxKindCombo, &TCalibrN3Form::ApproxKindComboChange);
    Bind(ApproxMethodCombo, &TCalibrN3Form::ApproxMethodComboChange);
    Bind(DeviationEdit, &TCalibrN3Form::DeviationEditExit, &TCalibrN3Form::DeviationEditKeyUp);
    Bind(ErrEdit, &TCalibrN3Form::ErrEditExit, &TCalibrN3Form::ErrEditKeyUp);
    Bind(TempEdit, &TCalibrN3Form::TempEditExit, &TCalibrN3Form::TempEditKeyUp);
    Bind(ApproxBtn, &TCalibrN3Form::ApproxBtnClick);
    Bind(ReplaceBtn, &TCalibrN3Form::ReplaceBtnClick);
    Bind(ReportBtn, &TCalibrN3Form::RepBtnClick);
    Bind(GraphBtn, &TCalibrN3Form::GraphBtnClick);
    Bind(CompChartItem, &TCalibrN3Form::CompChartItemClick);

    connect(MainTbl, &MainTblView::ContextMenuRequested, this,
            [this](int row, int column, QPoint where) {
                Guarded([&] { MainTblContextPopup(row, column, where); });
            });
    Bind(AddItem, &TCalibrN3Form::AddItemClick);
    Bind(RemItem, &TCalibrN3Form::RemItemClick);
    Bind(SortItem, &TCalibrN3Form::SortItemClick);
    Bind(LineItem, &TCalibrN3Form::LineItemClick);
    Bind(OnOffItem, &TCalibrN3Form::OnOffItemClick);

    Bind(ServicePortItem, Exchange(&ExchangeWindows::ServicePortItemClick));
    Bind(ServiceAdaptorItem, Exchange(&ExchangeWindows::ServiceAdaptorItemClick));
    Bind(ServiceSupplyItem, Exchange(&ExchangeWindows::ServiceSupplyItemClick));
    Bind(ServiceTermoItem, Exchange(&ExchangeWindows::ServiceTermoItemClick));
    Bind(TestOutputItem, Exchange(&ExchangeWindows::TestOutputItemClick));
    Bind(GetBkltItem, Exchange(&ExchangeWindows::GetBkltItemClick));
    Bind(AboutItem, Exchange(&ExchangeWindows::AboutItemClick));
    Bind(RdParamBtn, Exchange(&ExchangeWindows::RdParamBtnClick));
    Bind(WrParamBtn, Exchange(&ExchangeWindows::WrParamBtnClick));
    files_ = std::make_unique<FileMenu>(*document_, this, SerNoEdit);
    Bind(FileOpenItem, &TCalibrN3Form::FileOpenItemClick);
    Bind(FileSaveItem, &TCalibrN3Form::FileSaveItemClick);
    Bind(FileSaveAsItem, &TCalibrN3Form::FileSaveAsItemClick);
    Bind(FileExportKItem, &TCalibrN3Form::FileExportKItemClick);
    Bind(StdSectionItem, &TCalibrN3Form::StdSectionItemClick);
    Bind(ManualBtn, &TCalibrN3Form::ManualBtnClick);

    // Items that are not in the view state are enabled exactly when served.
    for (QAction* item : {FileNewItem, FileOpenItem, FileSaveItem, FileSaveAsItem, FileExportKItem,
                          ExitItem, ServicePortItem, StdSectionItem, CompChartItem, AboutItem})
        item->setEnabled(Served(item));
}

void TCalibrN3Form::Bind(QAction* item, Handler handler) {
    Bind(item, Command([this, handler] { (this->*handler)(); }));
}

void TCalibrN3Form::Bind(QAbstractButton* button, Handler handler) {
    Bind(button, Command([this, handler] { (this->*handler)(); }));
}

void TCalibrN3Form::Bind(QAction* item, Command command) {
    connect(item, &QAction::triggered, this, [command] { Guarded(command); });
    served_.insert(item);
}

void TCalibrN3Form::Bind(QAbstractButton* button, Command command) {
    connect(button, &QAbstractButton::clicked, this, [command] { Guarded(command); });
    served_.insert(button);
}

TCalibrN3Form::Command TCalibrN3Form::Exchange(void (ExchangeWindows::*handler)()) {
    return [this, handler] {
        (exchange_.get()->*handler)();
        ShowDocument();
    };
}

void TCalibrN3Form::Bind(QComboBox* combo, Handler handler) {
    connect(combo, &QComboBox::activated, this,
            [this, handler] { Guarded([&] { (this->*handler)(); }); });
    served_.insert(combo);
}

void TCalibrN3Form::Bind(QLineEdit* edit, Handler onExit, Handler onEnter) {
    auto run = [this](Handler handler) -> std::function<void()> {
        if (handler == nullptr)
            return {};
        return [this, handler] { (this->*handler)(); };
    };
    new EditCommitter(edit, run(onExit), run(onEnter));
    served_.insert(edit);
}

void TCalibrN3Form::ShowDocument() {
    const MainWindowState state = document_->ViewState();
    setWindowTitle(FromUtf8(state.Caption));

    const TopRowState& top = state.TopRow;
    ApplyEditState(SerNoEdit, top.SerNoEdit);
    ApplyComboState(TypeCombo, top.TypeCombo);
    ApplyComboState(DuCombo, top.DuCombo);
    ApplyComboState(OutCombo, top.OutCombo);
    ParamLab->setText(FromUtf8(top.ParamLab));
    ApplyComboState(WeightCombo, top.WeightCombo);
    ApplyEditState(PulsesEdit, top.PulsesEdit);
    ApplyEditState(TauEdit, top.TauEdit);

    const ApproxGroupState& group = state.Approx;
    ApplyComboState(ApproxKindCombo, group.ApproxKindCombo);
    ApplyComboState(ApproxMethodCombo, group.ApproxMethodCombo);
    ApplyEditState(DeviationEdit, group.DeviationEdit);
    ApplyEditState(ErrEdit, group.ErrEdit);
    ApplyEditState(TempEdit, group.TempEdit);
    const std::pair<QPushButton*, const ControlState&> buttons[] = {
        {ApproxBtn, group.ApproxBtn},   {ReplaceBtn, group.ReplaceBtn},
        {ManualBtn, group.ManualBtn},   {RdParamBtn, group.RdParamBtn},
        {WrParamBtn, group.WrParamBtn}, {ReportBtn, group.ReportBtn},
        {GraphBtn, group.GraphBtn}};
    for (const auto& [button, control] : buttons)
        ApplyControlState(button, control, Served(button));
    DiapTbl->Apply(group.DiapTbl);
    ApproxTbl->Apply(group.ApproxTbl);

    const MenuState& menus = state.Menus;
    const std::pair<QAction*, const MenuItemState&> items[] = {
        {ModeGradItem, menus.ModeGrad},
        {ModeTestItem, menus.ModeTest},
        {MethodVolumeItem, menus.MethodVolume},
        {MethodMassItem, menus.MethodMass},
        {GetManualItem, menus.GetManual},
        {GetBkltItem, menus.GetBklt},
        {ServiceAdaptorItem, menus.ServiceAdaptor},
        {ServiceSupplyItem, menus.ServiceSupply},
        {ServiceTermoItem, menus.ServiceTermo},
        {TestOutputItem, menus.TestOutput},
        {Polarity00Item, menus.Polarity00},
        {Polarity01Item, menus.Polarity01},
        {ColorizeSectionsItem, menus.ColorizeSections},
        {ColorizeLinesItem, menus.ColorizeLines},
        {CorrectionItem, menus.Correction}};
    for (const auto& [item, itemState] : items)
        ApplyMenuItemState(item, itemState, Served(item));
    // The submenu is a container: its items carry the handlers.
    ApplyMenuItemState(PolarityMenu->menuAction(), menus.Polarity, true);

    MainTbl->SetEditable(state.TableEditable);
    MainTblData->Sync();
    exchange_->DocumentShown();
}

void TCalibrN3Form::ChangeCombo(QComboBox* combo, ComboChange change) {
    (document_.get()->*change)(combo->currentIndex());
    ShowDocument();
}

void TCalibrN3Form::CommitEdit(QLineEdit* edit, EditCommit commit, bool enter) {
    const EditOutcome outcome = (document_.get()->*commit)(edit->text().toStdString());
    edit->setText(FromUtf8(outcome.Text));
    ShowDocument();
    if (outcome.KeepFocus)
        edit->setFocus(Qt::OtherFocusReason);
    else if (enter && outcome.Accepted)
        focusNextChild();
}

void TCalibrN3Form::ShowTableMenuEnabling() {
    const TableMenuState& menu = document_->Table().MenuEnabling();
    AddItem->setEnabled(menu.Add);
    RemItem->setEnabled(menu.Remove);
    SortItem->setEnabled(menu.Sort);
    LineItem->setEnabled(menu.Mark);
    OnOffItem->setEnabled(menu.OnOff);
}

bool TCalibrN3Form::event(QEvent* event) {
    return (exchange_ && exchange_->Dispatch(event)) || QMainWindow::event(event);
}

void TCalibrN3Form::closeEvent(QCloseEvent* event) {
    bool mayClose = false;
    Guarded([&] { mayClose = document_->ConfirmExit(); });
    if (mayClose)
        event->accept();
    else
        event->ignore();
}

// --- "Файл" -------------------------------------------------------------------

void TCalibrN3Form::FileNewItemClick() {
    document_->FileNewItemClick();
    ShowDocument();
}

void TCalibrN3Form::ExitItemClick() {
    close();
}

// --- "Режим", "Метод", "Способ" --------------------------------------------------

void TCalibrN3Form::ModeGradItemClick() {
    document_->ModeGradItemClick();
    ShowDocument();
}

void TCalibrN3Form::ModeTestItemClick() {
    document_->ModeTestItemClick();
    ShowDocument();
}

void TCalibrN3Form::MethodVolumeItemClick() {
    document_->MethodVolumeItemClick();
    ShowDocument();
}

void TCalibrN3Form::MethodMassItemClick() {
    document_->MethodMassItemClick();
    ShowDocument();
}

void TCalibrN3Form::GetManualItemClick() {
    document_->GetManualItemClick();
    exchange_->CloseRigWindow();
    ShowDocument();
}

// --- "Сервис" -----------------------------------------------------------------

void TCalibrN3Form::Polarity00ItemClick() {
    document_->PolarityItemClick(false);
    ShowDocument();
}

void TCalibrN3Form::Polarity01ItemClick() {
    document_->PolarityItemClick(true);
    ShowDocument();
}

void TCalibrN3Form::ColorizeSectionsItemClick() {
    document_->Table().ColorizeItemClick(kColorizeSectionsTag);
    ShowDocument();
}

void TCalibrN3Form::ColorizeLinesItemClick() {
    document_->Table().ColorizeItemClick(kColorizeLinesTag);
    ShowDocument();
}

// --- Top row ------------------------------------------------------------------

void TCalibrN3Form::TypeComboChange() {
    ChangeCombo(TypeCombo, &CalibrationDocument::TypeComboChange);
}

void TCalibrN3Form::DuComboChange() {
    ChangeCombo(DuCombo, &CalibrationDocument::DuComboChange);
}

void TCalibrN3Form::OutComboChange() {
    ChangeCombo(OutCombo, &CalibrationDocument::OutComboChange);
}

void TCalibrN3Form::WeightComboChange() {
    ChangeCombo(WeightCombo, &CalibrationDocument::WeightComboChange);
}

void TCalibrN3Form::SerNoEditExit() {
    CommitEdit(SerNoEdit, &CalibrationDocument::SerNoEditExit, false);
}

void TCalibrN3Form::TauEditExit() {
    CommitEdit(TauEdit, &CalibrationDocument::TauEditCommit, false);
}

void TCalibrN3Form::TauEditKeyUp() {
    CommitEdit(TauEdit, &CalibrationDocument::TauEditCommit, true);
}

void TCalibrN3Form::PulsesEditExit() {
    CommitEdit(PulsesEdit, &CalibrationDocument::PulsesEditCommit, false);
}

void TCalibrN3Form::PulsesEditKeyUp() {
    CommitEdit(PulsesEdit, &CalibrationDocument::PulsesEditCommit, true);
}

// --- Group "Аппроксимация" --------------------------------------------------------

void TCalibrN3Form::ApproxKindComboChange() {
    document_->ApproxKindComboChange(ApproxKindCombo->currentIndex());
    ShowDocument();
}

void TCalibrN3Form::ApproxMethodComboChange() {
    ChangeCombo(ApproxMethodCombo, &CalibrationDocument::ApproxMethodComboChange);
}

void TCalibrN3Form::DeviationEditExit() {
    CommitEdit(DeviationEdit, &CalibrationDocument::CommitDeviationEdit, false);
}

void TCalibrN3Form::DeviationEditKeyUp() {
    CommitEdit(DeviationEdit, &CalibrationDocument::CommitDeviationEdit, true);
}

void TCalibrN3Form::ErrEditExit() {
    CommitEdit(ErrEdit, &CalibrationDocument::CommitErrEdit, false);
}

void TCalibrN3Form::ErrEditKeyUp() {
    CommitEdit(ErrEdit, &CalibrationDocument::CommitErrEdit, true);
}

void TCalibrN3Form::TempEditExit() {
    CommitEdit(TempEdit, &CalibrationDocument::CommitTempEdit, false);
}

void TCalibrN3Form::TempEditKeyUp() {
    CommitEdit(TempEdit, &CalibrationDocument::CommitTempEdit, true);
}

void TCalibrN3Form::ApproxBtnClick() {
    document_->ApproxBtnClick();
    ShowDocument();
}

void TCalibrN3Form::ReplaceBtnClick() {
    const int row = document_->ReplaceBtnClick();
    ShowDocument();
    if (row >= 0)
        MainTbl->SelectRow(row);
}

void TCalibrN3Form::RepBtnClick() {
    OpenReport(this, *document_);
}

void TCalibrN3Form::GraphBtnClick() {
    OpenGraphWindow(this, *document_);
}

void TCalibrN3Form::CompChartItemClick() {
    OpenComparativeGraphs(this, *document_);
}

// --- Measurement table ----------------------------------------------------------

void TCalibrN3Form::MainTblContextPopup(int row, int column, QPoint globalPos) {
    MeasurementTable& table = document_->Table();
    table.ContextPopup(row);
    if (table.SelectedRecord() != -1)
        MainTbl->SelectRow(table.SelectedRecord(), column);
    ShowTableMenuEnabling();
    MainTblPopup->popup(globalPos);
}

void TCalibrN3Form::AddItemClick() {
    document_->Table().AddItemClick();
    ShowDocument();
}

void TCalibrN3Form::RemItemClick() {
    document_->Table().RemItemClick(MainTbl->currentIndex().row());
    ShowDocument();
}

void TCalibrN3Form::SortItemClick() {
    document_->Table().SortItemClick();
    ShowDocument();
}

void TCalibrN3Form::LineItemClick() {
    document_->Table().LineItemClick();
    ShowDocument();
}

void TCalibrN3Form::OnOffItemClick() {
    document_->Table().OnOffItemClick();
    ShowDocument();
}

// --- Files and the approximation windows ----------------------------------------

void TCalibrN3Form::FileOpenItemClick() {
    // A running meter exchange reads the characteristic and the data list.
    if (document_->RefuseDuringExchange())
        return;
    files_->FileOpenItemClick();
    ShowDocument();
}

void TCalibrN3Form::FileSaveItemClick() {
    files_->FileSaveItemClick();
    ShowDocument();
}

void TCalibrN3Form::FileSaveAsItemClick() {
    files_->FileSaveAsItemClick();
    ShowDocument();
}

void TCalibrN3Form::FileExportKItemClick() {
    files_->FileExportKItemClick();
}

void TCalibrN3Form::StdSectionItemClick() {
    TStdSectDlg(document_->StdSects(), this).exec();
}

void TCalibrN3Form::ManualBtnClick() {
    if (document_->RefuseDuringExchange())
        return;
    ShowManualCoefficients(this, *document_);
    ShowDocument();
}
