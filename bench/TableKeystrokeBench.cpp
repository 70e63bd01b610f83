// One keystroke in a cell of the measurement grid over 10 000 measurements:
// the in-place editor's text changes, the record is stored and its derived
// values renewed, and the grid repaints what changed. The goal is well under
// a frame (16 ms), whatever the length of the list.
//
//     QT_QPA_PLATFORM=offscreen build/bin/lgmguibench
//     xvfb-run -a build/bin/lgmguibench        (through a real X server)

#include "document/CalibrN3Unit.h"
#include "document/LgmApplication.h"

#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRecords = 10'000;
constexpr int kEditedRow = kRecords / 2;
constexpr int kPulsesColumn = 3; // "N1, имп": renews frequency, flow, line and deviation

MeasurementRecord Measurement(int i) {
    MeasurementRecord record = NewMeasurement();
    record.EtalonVolume = 100.0;
    record.EtalonTime = 60.0 + i % 7;
    record.EtalonFlow = 3.6 * record.EtalonVolume / record.EtalonTime;
    record.MeasuredPulses = 1001 + i % 13;
    record.MeasuredTime = 10.0;
    record.MeasuredFrequency = (record.MeasuredPulses - 1) / record.MeasuredTime;
    return record;
}

// Counts the grid's paints, so a run that painted nothing is not reported as fast.
class PaintCounter : public QObject {
public:
    using QObject::QObject;
    int Paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

void BM_KeystrokeInALongList(benchmark::State& state) {
    TCalibrN3Form form;
    CalibrationDocument& document = form.Document();
    for (int i = 0; i < kRecords; ++i)
        document.CalibrationList().Add(Measurement(i));
    document.MeasurementsChanged(true);
    form.ShowDocument();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        state.SkipWithError("the window was not shown");
        return;
    }

    auto* table = form.findChild<QTableView*>(QStringLiteral("MainTbl"));
    const QModelIndex cell = table->model()->index(kEditedRow, kPulsesColumn);
    table->setFocus();
    table->scrollTo(cell);
    table->setCurrentIndex(cell);
    table->edit(cell);
    auto* editor = table->findChild<QLineEdit*>();
    if (editor == nullptr) {
        state.SkipWithError("no cell editor");
        return;
    }
    PaintCounter paints;
    table->viewport()->installEventFilter(&paints);
    QCoreApplication::processEvents();

    // Alternately type a digit and take it back, so the text stays short.
    bool typed = false;
    for (auto _ : state) {
        QTest::keyClick(editor, typed ? Qt::Key_Backspace : Qt::Key_5);
        typed = !typed;
        QCoreApplication::processEvents(); // the repaint
    }
    if (paints.Paints < state.iterations())
        state.SkipWithError("the grid did not repaint at every keystroke");
    state.counters["records"] = document.CalibrationList().Count();
}
BENCHMARK(BM_KeystrokeInALongList)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    LgmApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
