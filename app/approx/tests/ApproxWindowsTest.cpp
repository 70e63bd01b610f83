// "Стандартные прямые..." and "Ручной ввод" through the main window: the two
// windows driven with the mouse and the keyboard as the operator drives
// them. Their rules are StdSectEditor's and ManualCoefficients' and are tested
// there; these tests check what the windows show and hand over.

#include "ModalDriver.h"

#include "approx/ManualCoeffDlg.h"
#include "approx/StdSectDlg.h"
#include "document/CalibrN3Unit.h"
#include "document/testing/MessageRecorder.h"
#include "files/ProgramFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

template <class T> T* Child(const QObject* parent, const char* name) {
    T* child = parent->findChild<T*>(QString::fromUtf8(name));
    if (child == nullptr)
        qFatal("no control %s", name);
    return child;
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

// A click on the box itself: a box without a caption takes no click beside it.
void ClickBox(QCheckBox* box) {
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect indicator =
        box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
    QTest::mouseClick(box, Qt::LeftButton, {}, indicator.center());
}

// Replaces the edit's text as typed into it.
void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus(Qt::MouseFocusReason);
    edit->clear();
    QTest::keyClicks(edit, text);
}

// The colour a cell is filled with, away from its text.
QColor ColourOf(StdSectGrid* grid, int column, int row) {
    return grid->grab().toImage().pixelColor(grid->CellRect(column, row).topLeft() + QPoint(2, 2));
}

} // namespace

class ApproxWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void TheStandardSectionsWindowDragsABreakAndSaves();
    void TheManualWindowAppliesTwoLines();

private:
    QTemporaryDir folder_;
    std::unique_ptr<MessageRecorder> messages_;
    std::unique_ptr<TCalibrN3Form> form_;
};

void ApproxWindowsTest::init() {
    // No test reads or replaces the program's own standard sections.
    SetProgramFilesFolder(folder_.path());
    messages_ = std::make_unique<MessageRecorder>();
    form_ = std::make_unique<TCalibrN3Form>();
}

void ApproxWindowsTest::cleanup() {
    form_->Document().MarkSaved();
    form_.reset();
    messages_.reset();
    SetProgramFilesFolder(QString());
}

void ApproxWindowsTest::TheStandardSectionsWindowDragsABreakAndSaves() {
    CalibrationDocument& doc = form_->Document();
    doc.Settings().DuIndex = 5; // 50 mm in the main window
    form_->ShowDocument();

    bool driven = false;
    WhenShown<TStdSectDlg>(&driven, [this](TStdSectDlg* window) {
        QCOMPARE(window->windowTitle(), QStringLiteral("Стандартные прямые"));
        auto* du = Child<QComboBox>(window, "DuCombo");
        QCOMPARE(du->currentText(), QStringLiteral("15"));
        QCOMPARE(du->count(), 12);
        auto* h = Child<QLineEdit>(window, "HMaxEdit");
        auto* delta = Child<QLineEdit>(window, "DeltaMaxEdit");
        auto* tpriv = Child<QLineEdit>(window, "TprivEdit");
        QCOMPARE(h->text(), QString());

        auto* grid = Child<StdSectGrid>(window, "LinesGrid");
        const auto at = [grid](int column) { return grid->CellRect(column, 1).center(); };
        QCOMPARE(ColourOf(grid, 0, 1), QColor(192, 192, 192));
        QCOMPARE(ColourOf(grid, 2, 1), QColor(255, 0, 0));
        QCOMPARE(ColourOf(grid, 2, 2), QColor(0, 0, 255));
        QCOMPARE(ColourOf(grid, 5, 5), QColor(255, 255, 0));
        const QColor face = grid->palette().color(QPalette::Button);
        QCOMPARE(ColourOf(grid, 3, 1), face);

        // The split cursor over a break, the default one elsewhere.
        QTest::mouseMove(grid, at(2));
        QCOMPARE(grid->cursor().shape(), Qt::SplitHCursor);
        QTest::mouseMove(grid, at(7));
        QCOMPARE(grid->cursor().shape(), Qt::ArrowCursor);

        // Dragging the first break to the right moves the free section to
        // the front: lines Q1–Q3, Q3–Q4, Q4–Q5, Q5–Q6, Q6–Q7.
        QTest::mousePress(grid, Qt::LeftButton, {}, at(2));
        QTest::mouseMove(grid, at(3));
        QCOMPARE(ColourOf(grid, 3, 1), QColor(255, 0, 0));
        QCOMPARE(ColourOf(grid, 2, 2), face);
        QCOMPARE(ColourOf(grid, 6, 5), QColor(255, 255, 0));
        QCOMPARE(ColourOf(grid, 5, 5), face);
        QTest::mouseRelease(grid, Qt::LeftButton, {}, at(3));

        // Saving takes the edits (a comma counts as the point) and the breaks.
        auto* save = Child<QPushButton>(window, "ChangeBitBtn");
        Type(h, QStringLiteral("5"));
        Type(delta, QStringLiteral("1,5"));
        Type(tpriv, QStringLiteral("30"));
        Click(save);
        QCOMPARE(messages_->Single(),
                 (RecordedMessage{MessageKind::Error, "Введено неверное/недопустимое значение"}));
        QCOMPARE(delta->text(), QStringLiteral("1.5"));
        QVERIFY(!form_->Document().StdSects()[0].IsDefined());
        Type(tpriv, QStringLiteral("20"));
        Click(save);
        QCOMPARE(delta->text(), QStringLiteral("1.50"));
        QCOMPARE(tpriv->text(), QStringLiteral("20.00"));

        // Another diameter shows its own entry; coming back shows the saved.
        du->setCurrentIndex(1);
        QCOMPARE(h->text(), QString());
        QCOMPARE(ColourOf(grid, 2, 2), QColor(0, 0, 255));
        du->setCurrentIndex(0);
        QCOMPARE(h->text(), QStringLiteral("5.00"));
        QCOMPARE(ColourOf(grid, 3, 1), QColor(255, 0, 0));
        Click(Child<QPushButton>(window, "CloseBtn"));
    });
    Child<QAction>(form_.get(), "StdSectionItem")->trigger();
    QVERIFY(driven);

    const StdSect& entry = doc.StdSects()[0];
    QVERIFY(entry.IsDefined());
    QCOMPARE(entry.Breaks, (StdSectBreaks{2, 3, 4, 5}));
    QCOMPARE(entry.ErrorLimit, 0.015);
    QCOMPARE(entry.SpreadLimit, 0.05);
    QCOMPARE(entry.Tpriv, 20.0);
    QCOMPARE(messages_->Messages().size(), size_t{1});
}

void ApproxWindowsTest::TheManualWindowAppliesTwoLines() {
    CalibrationDocument& doc = form_->Document();
    for (const double frequency : {10.0, 30.0}) {
        MeasurementRecord record = NewMeasurement();
        record.MeasuredFrequency = frequency;
        record.EtalonFlow = 2.0;
        doc.CalibrationList().Add(record);
    }
    doc.MeasurementsChanged(true);
    form_->ShowDocument();

    bool driven = false;
    WhenShown<TManualCoeffDlg>(&driven, [this](TManualCoeffDlg* window) {
        QCOMPARE(window->windowTitle(), QStringLiteral("Ручной ввод коэффициентов"));
        // The start-up characteristic: five lines.
        auto* third = Child<QCheckBox>(window, "Line3Check");
        QVERIFY(third->isChecked());
        QCOMPARE(Child<QLineEdit>(window, "F4Edit")->text(), QStringLiteral("40.000"));

        // Unticking line 3 leaves two lines.
        ClickBox(third);
        QVERIFY(!third->isChecked());
        QVERIFY(!Child<QLineEdit>(window, "A3Edit")->isEnabled());
        QCOMPARE(Child<QLineEdit>(window, "A3Edit")->text(), QString());
        QVERIFY(!Child<QLineEdit>(window, "F2Edit")->isEnabled());
        QVERIFY(Child<QLineEdit>(window, "F1Edit")->isEnabled());

        // The box with the focus points at its line.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto* first = Child<QCheckBox>(window, "Line1Check");
        first->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(first->text(), QStringLiteral("<-"));

        Type(Child<QLineEdit>(window, "A1Edit"), QStringLiteral("0,1"));
        Type(Child<QLineEdit>(window, "B1Edit"), QStringLiteral("0"));
        Type(Child<QLineEdit>(window, "F1Edit"), QStringLiteral("20"));
        Type(Child<QLineEdit>(window, "A2Edit"), QStringLiteral("37"));
        Type(Child<QLineEdit>(window, "B2Edit"), QStringLiteral("-0.5"));
        QCOMPARE(first->text(), QString());

        // A value out of range keeps the window open on its edit.
        auto* apply = Child<QPushButton>(window, "ApplyBtn");
        Click(apply);
        QVERIFY(window->isVisible());
        QCOMPARE(messages_->Single(),
                 (RecordedMessage{MessageKind::Error, "Неверное значение параметра"}));
        QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(window, "A2Edit"));
        QCOMPARE(Child<QLineEdit>(window, "A1Edit")->text(), QStringLiteral("0.1"));

        Type(Child<QLineEdit>(window, "A2Edit"), QStringLiteral("0.2"));
        Click(apply);
        QVERIFY(!window->isVisible());
    });
    QTest::mouseClick(Child<QPushButton>(form_.get(), "ManualBtn"), Qt::LeftButton);
    QVERIFY(driven);

    const LineTable& lines = doc.Params();
    QCOMPARE(lines.LineCount, 2u);
    QCOMPARE(lines.A[0], 0.1);
    QCOMPARE(lines.B[1], -0.5);
    QCOMPARE(lines.Fmax[0], 20.0);
    QCOMPARE(lines.Fmax[1], 1e200);
    // The main window shows the two lines and the measurements computed
    // from them: 0.1·10 and 0.2·30 − 0.5.
    QCOMPARE(Child<QTableView>(form_.get(), "ApproxTbl")->model()->rowCount(), 2);
    QCOMPARE(doc.CalibrationList().Item(0)->MeasuredFlow, 1.0);
    QCOMPARE(doc.CalibrationList().Item(1)->MeasuredFlow, 5.5);
}

QTEST_MAIN(ApproxWindowsTest)
#include "ApproxWindowsTest.moc"
