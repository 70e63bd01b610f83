// The report template reader on arbitrary text: a template that is accepted
// is filled from a document with measurements in both modes, its page fields
// numbered, and text without fields or comments comes out as it went in.
#include "charts/ReportBuilder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace {

// Two runs in each list, the default characteristic of five lines; the mode
// chooses the list the report's rows come from.
std::unique_ptr<CalibrationDocument> MakeDocument(int32_t mode) {
    auto doc = std::make_unique<CalibrationDocument>();
    for (TZorDataList* list : {&doc->CalibrationList(), &doc->VerificationList()})
        for (double q : {1.5, 12.0}) {
            MeasurementRecord r = NewMeasurement();
            r.Temperature = 20.0;
            r.EtalonTime = 100.0;
            r.EtalonVolume = q * 100.0 / 3.6;
            r.EtalonFlow = q;
            r.MeasuredPulses = 10001;
            r.MeasuredFrequency = 100.0;
            list->Add(r);
        }
    doc->RecomputeMeasurements();
    doc->Settings().Mode = mode;
    return doc;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::unique_ptr<CalibrationDocument> docs[] = {
        MakeDocument(WorkMode::Calibration), MakeDocument(WorkMode::Verification)};
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<ReportTemplate> report = ParseReportTemplate(text, &error);
    if (!report) {
        if (error.rfind("line ", 0) != 0)
            std::abort();
        return 0;
    }
    const bool plain = text.find('[') == std::string_view::npos &&
                       text.find("<!--") == std::string_view::npos &&
                       text.find(kPageMarkOpen) == std::string_view::npos;
    for (const auto& doc : docs) {
        const ExpandedReport expanded = ExpandReport(*report, ReportVariables(*doc, 0));
        for (const std::string* html : {&expanded.PageHeader, &expanded.Body, &expanded.PageFooter})
            FillPageFields(*html, PageNumbers{2, 3});
        // Plain text is its own report.
        if (plain && expanded.Body != text)
            std::abort();
    }
    return 0;
}
