// Timings of the document core on the operator's hot path: one keystroke in
// the measurement table of a long list, with and without painting a screen
// of cells, and the main window's view state after an action.
#include "document/CalibrationDocument.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

constexpr int kRecords = 10'000;
// A screen of the table: rows visible at 18 pixels in a maximised window.
constexpr int kVisibleRows = 40;

// A calibration list of plausible measurements, typed in the volume method.
void Fill(CalibrationDocument& doc, int records) {
    TZorDataList& list = doc.CalibrationList();
    for (int i = 0; i < records; ++i) {
        MeasurementRecord r = NewMeasurement();
        r.EtalonVolume = 100.0 + i % 50;
        r.EtalonTime = 60.0;
        r.MeasuredTime = 10.0;
        r.MeasuredPulses = 1001 + i % 400;
        r.EtalonFlow = 3.6 * r.EtalonVolume / r.EtalonTime;
        r.MeasuredFrequency = (r.MeasuredPulses - 1) / r.MeasuredTime;
        list.Add(r);
    }
}

int ColumnOf(const MeasurementTable& table, ColumnKind kind) {
    const auto columns = table.Columns();
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].Kind == kind)
            return static_cast<int>(c);
    return -1;
}

// The editor's text after each keystroke of typing "1234" and erasing it.
const std::string kKeystrokes[] = {"1", "12", "123", "1234", "123", "12", "1", ""};

void BM_Keystroke(benchmark::State& state) {
    CalibrationDocument doc;
    Fill(doc, kRecords);
    MeasurementTable& table = doc.Table();
    const int column = ColumnOf(table, ColumnKind::MeasuredPulses);
    const int row = kRecords / 2;
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.SetEditText(row, column, kKeystrokes[k]));
        k = (k + 1) % std::size(kKeystrokes);
    }
}
BENCHMARK(BM_Keystroke);

// A keystroke and the repaint of a screen of cells around the edited row:
// what the view asks the core for before the operator sees the new value.
void BM_KeystrokeAndRepaint(benchmark::State& state) {
    CalibrationDocument doc;
    Fill(doc, kRecords);
    MeasurementTable& table = doc.Table();
    const int column = ColumnOf(table, ColumnKind::MeasuredTime);
    const int row = kRecords / 2;
    const int columns = table.ColumnCount();
    size_t k = 0;
    for (auto _ : state) {
        table.SetEditText(row, column, kKeystrokes[k]);
        k = (k + 1) % std::size(kKeystrokes);
        for (int r = row - kVisibleRows / 2; r < row + kVisibleRows / 2; ++r)
            for (int c = 0; c < columns; ++c)
                benchmark::DoNotOptimize(table.Cell(r, c));
    }
}
BENCHMARK(BM_KeystrokeAndRepaint);

// The whole view state the window applies after any action.
void BM_ViewState(benchmark::State& state) {
    CalibrationDocument doc;
    Fill(doc, kRecords);
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.ViewState());
}
BENCHMARK(BM_ViewState);

} // namespace
