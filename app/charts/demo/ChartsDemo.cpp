// lgmchartsdemo: the graph windows on a sample calibration, for looking at
// them and for the screenshots of docs/ (scripts/screenshots-charts.sh).
//
//   lgmchartsdemo sample FILE.srv [DRIFT]   write a sample calibration file; DRIFT
//                                           (per mille) moves the meter's frequencies
//   lgmchartsdemo graph [TYPE] [--png FILE] "Графики" on the sample (TYPE 0 or 1)
//   lgmchartsdemo compare FILE... [--png FILE]
//                                           "Сравнительные графики" against files
//   lgmchartsdemo main [verification] [--png FILE]
//                                           the main window on the sample
//
// With --png the window saves a picture of itself once painted and closes.
#include "charts/ChartCommands.h"
#include "charts/CompDlg.h"
#include "charts/GraphDlg.h"
#include "document/CalibrN3Unit.h"
#include "document/CalibrationDocument.h"
#include "document/StateWidgets.h"
#include "files/Calibrn3files.h"

#include <QApplication>
#include <QTimer>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// A vortex meter of 50 mm: about 8.3 Hz per m³/h, a little faster at low
// flows, with the scatter of a real rig (deterministic, so pictures repeat).
MeasurementRecord Run(double flow, int repeat, double drift, double seconds = 60) {
    MeasurementRecord r = NewMeasurement();
    const double scatter = 0.0015 * std::sin(7.0 * flow + 2.3 * repeat);
    r.Temperature = 18.5 + 0.7 * repeat;
    r.EtalonTime = seconds;
    r.EtalonVolume = flow / 3.6 * r.EtalonTime;
    r.EtalonFlow = flow;
    r.MeasuredTime = seconds;
    const double frequency =
        flow * 8.3 * (1 + 0.06 * std::exp(-flow / 3) + scatter) * (1 + drift / 1000);
    r.MeasuredPulses = static_cast<int32_t>(std::lround(frequency * r.MeasuredTime)) + 1;
    r.MeasuredFrequency = (r.MeasuredPulses - 1) / r.MeasuredTime;
    return r;
}

// The sample document: 21 runs at seven flows, approximated automatically,
// and five verification runs checked against the characteristic.
void FillSample(CalibrationDocument& doc, double drift) {
    MeterSettings& s = doc.Settings();
    s.SerNo = 20240517;
    s.DuIndex = 5;
    s.WeightIndex = 2; // 0.001 m³ per pulse, as the verification runs count
    s.ApproxMethod = ApproxMode::Automatic;
    for (const double flow : {0.6, 1.2, 2.5, 5.0, 10.0, 20.0, 35.0})
        for (int repeat = 0; repeat < 3; ++repeat)
            doc.CalibrationList().Add(Run(flow, repeat, drift));
    doc.ApproxBtnClick();
    for (const double flow : {1.0, 3.0, 8.0, 16.0, 30.0}) {
        MeasurementRecord r = Run(flow, 1, drift + 0.8, 600);
        r.ComparedPulses = static_cast<int32_t>(std::lround(r.EtalonVolume / 1000 / 0.001 * 1.002));
        r.ComparedVolume = r.ComparedPulses * 1000 * 0.001;
        r.VolumeDeviation = (r.ComparedVolume - r.EtalonVolume) / r.EtalonVolume;
        doc.VerificationList().Add(r);
    }
    doc.ModeTestItemClick();
    doc.RecomputeMeasurements();
    doc.ModeGradItemClick();
}

// Shows the window; with a picture file, saves it once painted and closes.
int Show(QWidget& window, const QString& png) {
    window.show();
    if (png.isEmpty())
        return QApplication::exec();
    QTimer::singleShot(700, &window, [&] {
        window.grab().save(png);
        window.close();
    });
    return QApplication::exec();
}

QString TakeOption(QStringList& args, const QString& name) {
    const qsizetype at = args.indexOf(name);
    if (at < 0 || at + 1 >= args.size())
        return {};
    const QString value = args[at + 1];
    args.remove(at, 2);
    return value;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::setlocale(LC_ALL, "C");
    QStringList args = application.arguments().mid(1);
    const QString png = TakeOption(args, "--png");
    const QString command = args.value(0);

    CalibrationDocument doc;
    if (command == "sample" && args.size() >= 2) {
        FillSample(doc, args.value(2).toDouble());
        const WriteOutcome written =
            WriteCalibrationFile(args[1].toStdString(), doc.Settings(), &doc.CalibrationList(),
                                 &doc.Params(), &doc.VerificationList());
        return written == WriteOutcome::Written ? 0 : 1;
    }
    FillSample(doc, 0);
    if (command == "graph") {
        const std::optional<GraphStart> start = GraphBtnClick(doc);
        TGraphDlg window;
        window.ShowGraph(args.value(1, "1").toInt(), start->Data, FromUtf8(start->Title));
        return Show(window, png);
    }
    if (command == "main") {
        TCalibrN3Form window;
        FillSample(window.Document(), 0);
        if (args.value(1) == "verification")
            window.Document().ModeTestItemClick();
        window.Document().MarkSaved();
        window.ShowDocument();
        return Show(window, png);
    }
    if (command == "compare" && args.size() >= 2) {
        TCompDlgForm window;
        if (!window.Load(*CompChartItemClick(doc), args.mid(1), doc.Params(), doc.Settings().Tpriv))
            return 1;
        return Show(window, png);
    }
    std::fputs("usage: lgmchartsdemo sample FILE.srv [DRIFT] | graph [TYPE] [--png FILE] | "
               "compare FILE... [--png FILE] | main [verification] [--png FILE]\n",
               stderr);
    return 2;
}
