// The main window driven through its real controls: what it shows at start,
// the top row's combos and edits, typing into the measurement grid, the
// approximation button and closing with unsaved measurements. The rules
// behind them are the document's and are tested there; these tests check
// that the window asks the document and shows what it answers.

#include "WidgetDriver.h"

#include "document/CalibrN3Unit.h"
#include "document/HandlerGuard.h"
#include "document/testing/MessageRecorder.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

namespace {

RecordedMessage Error(const char* text) {
    return {MessageKind::Error, text};
}

QStringList Headers(const QTableView* table) {
    QStringList headers;
    for (int column = 0; column < table->model()->columnCount(); ++column)
        headers << table->model()->headerData(column, Qt::Horizontal).toString();
    return headers;
}

QStringList RowTexts(const QTableView* table, int row) {
    QStringList texts;
    for (int column = 0; column < table->model()->columnCount(); ++column)
        texts << CellText(table, row, column);
    return texts;
}

MeasurementRecord Point(double frequency, double flow) {
    MeasurementRecord record = NewMeasurement();
    record.MeasuredFrequency = frequency;
    record.EtalonFlow = flow;
    return record;
}

} // namespace

class MainWindowWidgetTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void StartsWithTheDefaultDocument();
    void ChoosingAPriceAndATypeInTheCombos();
    void TypingIntoACellStoresItAndShowsTheDerivedValues();
    void TheContextMenuActsOnTheRowUnderThePointer();
    void ARefusedPulseDurationIsRestoredAndKeepsTheFocus();
    void TheApproximationButtonFillsTheLineTable();
    void ClosingWithUnsavedMeasurementsAsksFirst();
    void TypingLeftInAnEditWhenTheWindowGoesIsNotCommitted();
    void AnErrorEscapingACommandIsShown();

private:
    template <class T> T* Find(const char* name) const {
        T* child = form_->findChild<T*>(QString::fromUtf8(name));
        if (child == nullptr)
            qFatal("no control %s", name);
        return child;
    }
    QTableView* Table(const char* name) const { return Find<QTableView>(name); }
    void ShowActive();

    std::unique_ptr<MessageRecorder> messages_;
    std::unique_ptr<TCalibrN3Form> form_;
};

void MainWindowWidgetTest::init() {
    messages_ = std::make_unique<MessageRecorder>();
    form_ = std::make_unique<TCalibrN3Form>();
}

void MainWindowWidgetTest::cleanup() {
    if (form_ != nullptr)
        form_->Document().MarkSaved();
    form_.reset();
    messages_.reset();
}

void MainWindowWidgetTest::ShowActive() {
    form_->show();
    QApplication::setActiveWindow(form_.get());
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void MainWindowWidgetTest::StartsWithTheDefaultDocument() {
    QCOMPARE(form_->windowTitle(),
             QStringLiteral("градуировка, объемный, ручной ввод, порт: - - -, файл: - - -"));
    QCOMPARE(form_->size(), QSize(779, 542));
    QCOMPARE(form_->minimumWidth(), 779);

    QCOMPARE(Find<QLineEdit>("SerNoEdit")->text(), QStringLiteral("00000001"));
    QCOMPARE(Find<QComboBox>("TypeCombo")->count(), 22);
    QCOMPARE(Find<QComboBox>("TypeCombo")->currentText(), QStringLiteral("ЛГМ-ЧИ2.xx-xxx"));
    QCOMPARE(Find<QComboBox>("DuCombo")->currentText(), QStringLiteral("15"));
    QCOMPARE(Find<QComboBox>("OutCombo")->currentText(), QStringLiteral("Импульсный Vp"));
    QCOMPARE(Find<QLabel>("ParamLab")->text(), QStringLiteral("м3/имп. :"));
    QCOMPARE(Find<QComboBox>("WeightCombo")->currentText(), QStringLiteral("0,0001"));
    QVERIFY(Find<QComboBox>("WeightCombo")->isVisibleTo(form_.get()));
    QVERIFY(!Find<QLineEdit>("PulsesEdit")->isVisibleTo(form_.get()));
    QCOMPARE(Find<QLineEdit>("TauEdit")->text(), QStringLiteral("1.000"));
    QCOMPARE(Find<QLineEdit>("DeviationEdit")->text(), QStringLiteral("5.00"));
    QCOMPARE(Find<QLineEdit>("ErrEdit")->text(), QStringLiteral("1.00"));
    QCOMPARE(Find<QLineEdit>("TempEdit")->text(), QStringLiteral("20.0"));

    QTableView* main = Table("MainTbl");
    QCOMPARE(Headers(main),
             (QStringList{"Tизм, °C", "Vэт, л", "tq, с", "N1, имп", "t1, с", "Qэт, м3/час",
                          "Fиэм, Гц", "бQ, %", "№ сечения", "№ прямой"}));
    QCOMPARE(main->model()->rowCount(), 1); // the empty row under the header
    QCOMPARE(main->columnWidth(0), 69);
    QCOMPARE(main->rowHeight(0), 18);
    QCOMPARE(RowTexts(Table("DiapTbl"), 0), (QStringList{"", "", ""}));
    QCOMPARE(Table("ApproxTbl")->model()->rowCount(), 5);
    QCOMPARE(RowTexts(Table("ApproxTbl"), 1), (QStringList{"2", "10.000", "0.120000", "0.000000"}));

    for (const char* marked : {"ModeGradItem", "MethodVolumeItem", "GetManualItem",
                               "ColorizeLinesItem", "Polarity00Item"})
        QVERIFY2(Find<QAction>(marked)->isChecked(), marked);
    for (const char* unmarked : {"ModeTestItem", "MethodMassItem", "GetBkltItem",
                                 "ColorizeSectionsItem", "Polarity01Item"})
        QVERIFY2(!Find<QAction>(unmarked)->isChecked(), unmarked);
    // The meter's commands wait for a port; "Расчет поправки..." is never
    // enabled.
    for (const char* disabled :
         {"ServiceAdaptorItem", "ServiceSupplyItem", "TestOutputItem", "CorrectionItem"})
        QVERIFY2(!Find<QAction>(disabled)->isEnabled(), disabled);
    for (const char* enabled :
         {"GetBkltItem", "ServicePortItem", "AboutItem", "FileOpenItem", "FileSaveItem",
          "FileSaveAsItem", "FileExportKItem", "StdSectionItem", "CompChartItem"})
        QVERIFY2(Find<QAction>(enabled)->isEnabled(), enabled);
    for (const char* disabled : {"RdParamBtn", "WrParamBtn"})
        QVERIFY2(!Find<QPushButton>(disabled)->isEnabled(), disabled);
    for (const char* enabled : {"ReportBtn", "GraphBtn", "ManualBtn"})
        QVERIFY2(Find<QPushButton>(enabled)->isEnabled(), enabled);
    QVERIFY(Find<QPushButton>("ApproxBtn")->isEnabled());
    QCOMPARE(Find<QPushButton>("ApproxBtn")->text(), QStringLiteral("Выполнить\nаппроксимацию"));
    QVERIFY(messages_->Empty());
}

void MainWindowWidgetTest::ChoosingAPriceAndATypeInTheCombos() {
    ShowActive();
    auto* weight = Find<QComboBox>("WeightCombo");
    ChooseComboItem(weight, "0,05"); // not allowed for Du 15: moved to the nearest
    QCOMPARE(messages_->Single(), Error("Данная цена импульса недопустима для выбранного Ду"));
    QCOMPARE(weight->currentText(), QStringLiteral("0,01"));

    messages_->Clear();
    ChooseComboItem(weight, "0,001");
    QVERIFY(messages_->Empty());
    QCOMPARE(Find<QLineEdit>("TauEdit")->text(), QStringLiteral("2.000"));

    ChooseComboItem(Find<QComboBox>("TypeCombo"), "ГКМС-ТИ1");
    QCOMPARE(weight->count(), 5); // every second price; the index stays
    QCOMPARE(weight->currentText(), QStringLiteral("0,01"));
    QCOMPARE(Find<QComboBox>("ApproxKindCombo")->count(), 2);
    QVERIFY(!Find<QComboBox>("ApproxMethodCombo")->isEnabled());
    QCOMPARE(Headers(Table("MainTbl")).size(), 8);
    QCOMPARE(RowTexts(Table("ApproxTbl"), 0), (QStringList{"", "", "", ""}));
    QVERIFY(messages_->Empty());
}

void MainWindowWidgetTest::TypingIntoACellStoresItAndShowsTheDerivedValues() {
    ShowActive();
    QTableView* table = Table("MainTbl");
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Insert, Qt::ControlModifier); // "Добавить измерение"
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(form_->Document().CurrentList().Count(), 1u);

    // The computed columns can't take the cursor.
    QVERIFY(!(table->model()->flags(table->model()->index(0, 5)) & Qt::ItemIsEnabled));

    QLineEdit* editor = TypeIntoCell(table, 0, 1, "100"); // "Vэт, л"
    QVERIFY(editor != nullptr);
    // Stored at every keystroke, before the editor is left.
    QCOMPARE(form_->Document().CurrentList().Item(0)->EtalonVolume, 100.0);

    QTest::keyClick(editor, Qt::Key_Tab); // on to "tq, с"
    QCOMPARE(table->currentIndex().column(), 2);
    editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, "60");
    QCOMPARE(CellText(table, 0, 5), QStringLiteral("6.000000")); // "Qэт, м3/час"
    QCOMPARE(editor->text(), QStringLiteral("60"));              // the editor keeps the typing

    // A click on a computed cell leaves the cursor where it was.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(0, 6)).center());
    QCOMPARE(table->currentIndex().column(), 2);

    // The grid's shortcuts work while a cell is being typed into.
    editor = TypeIntoCell(table, 0, 0, "25"); // "Tизм, °C"
    QVERIFY(editor != nullptr);
    QTest::keyClick(editor, Qt::Key_Insert, Qt::ControlModifier); // "Добавить измерение"
    QCOMPARE(form_->Document().CurrentList().Count(), 2u);
    QCOMPARE(form_->Document().CurrentList().Item(0)->Temperature, 25.0);
    QVERIFY(messages_->Empty());
}

void MainWindowWidgetTest::TheContextMenuActsOnTheRowUnderThePointer() {
    ShowActive();
    QTableView* table = Table("MainTbl");
    auto* menu = Find<QMenu>("MainTblPopup");
    auto* remove = Find<QAction>("RemItem");
    auto openMenu = [&](QWidget* target, QPoint where) {
        QContextMenuEvent request(QContextMenuEvent::Mouse, where, target->mapToGlobal(where));
        QApplication::sendEvent(target, &request);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
    };
    for (int i = 0; i < 3; ++i)
        Find<QAction>("AddItem")->trigger();
    QCOMPARE(table->model()->rowCount(), 3);

    openMenu(table->horizontalHeader(), QPoint(10, 5));
    QVERIFY(!remove->isEnabled());
    QVERIFY(!Find<QAction>("SortItem")->isEnabled());

    openMenu(table->viewport(), table->visualRect(table->model()->index(1, 6)).center());
    QVERIFY(remove->isEnabled());
    QCOMPARE(table->currentIndex().row(), 1);
    QCOMPARE(table->currentIndex().column(), 0); // "Fиэм, Гц" can't hold the cursor
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Delete, Qt::ControlModifier); // "Удалить измерение"
    QCOMPARE(form_->Document().CurrentList().Count(), 2u);
    QVERIFY(messages_->Empty());
}

void MainWindowWidgetTest::ARefusedPulseDurationIsRestoredAndKeepsTheFocus() {
    ShowActive();
    auto* tau = Find<QLineEdit>("TauEdit");
    TypeAndEnter(tau, "1.5"); // above the maximum of 1 ms for the price 0,0001
    QCOMPARE(messages_->Single(), Error("Недопустимое значение длительности импульса"));
    QCOMPARE(tau->text(), QStringLiteral("1.000"));
    QVERIFY(tau->hasFocus());
    QCOMPARE(form_->Document().Settings().PulseDuration, 1.0);

    messages_->Clear();
    TypeAndEnter(tau, "0,5"); // a comma counts as the point; Enter moves on
    QVERIFY(messages_->Empty());
    QCOMPARE(tau->text(), QStringLiteral("0.500"));
    QVERIFY(!tau->hasFocus());
}

void MainWindowWidgetTest::TheApproximationButtonFillsTheLineTable() {
    ShowActive();
    ChooseComboItem(Find<QComboBox>("ApproxMethodCombo"), "Автоматический");
    CalibrationDocument& document = form_->Document();
    for (const MeasurementRecord& record :
         {Point(40, 4.4), Point(10, 1.0), Point(30, 3.0), Point(20, 2.0)})
        document.CalibrationList().Add(record);
    document.MeasurementsChanged(true);
    form_->ShowDocument();
    QCOMPARE(Table("MainTbl")->model()->rowCount(), 4);

    QTest::mouseClick(Find<QPushButton>("ApproxBtn"), Qt::LeftButton);
    QVERIFY(messages_->Empty());
    QTableView* lines = Table("ApproxTbl");
    QCOMPARE(lines->model()->rowCount(), 2);
    QCOMPARE(RowTexts(lines, 0), (QStringList{"1", "", "0.100000", "0.000000"}));
    QCOMPARE(RowTexts(lines, 1), (QStringList{"2", "30.000", "0.140000", "-1.200000"}));
    // The measurements are shown in frequency order with their line numbers.
    QTableView* table = Table("MainTbl");
    QCOMPARE(CellText(table, 0, 6), QStringLiteral("10.000000"));
    QCOMPARE(CellText(table, 3, 9), QStringLiteral("2"));
}

void MainWindowWidgetTest::ClosingWithUnsavedMeasurementsAsksFirst() {
    ShowActive();
    form_->Document().Table().AddItemClick();
    form_->ShowDocument();
    messages_->Answer({false});
    QVERIFY(!form_->close());
    QVERIFY(form_->isVisible());
    QCOMPARE(
        messages_->Single(),
        (RecordedMessage{MessageKind::Question, "Измерения не сохранены. Выйти без сохранения?"}));

    messages_->Answer({true});
    QVERIFY(form_->close());
}

void MainWindowWidgetTest::TypingLeftInAnEditWhenTheWindowGoesIsNotCommitted() {
    ShowActive();
    auto* tau = Find<QLineEdit>("TauEdit");
    tau->setFocus();
    tau->selectAll();
    QTest::keyClicks(tau, "9"); // refused if it were committed
    form_->Document().MarkSaved();
    form_.reset();
    QVERIFY(messages_->Empty());
}

void MainWindowWidgetTest::AnErrorEscapingACommandIsShown() {
    Guarded([] { throw ESimpleException("Ошибка изменения размера"); });
    QCOMPARE(messages_->Single(), Error("Ошибка изменения размера"));
}

QTEST_MAIN(MainWindowWidgetTest)
#include "MainWindowWidgetTest.moc"
