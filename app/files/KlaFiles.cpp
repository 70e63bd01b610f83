#include "files/KlaFiles.h"

#include "approx/Limits.h"
#include "approx/Water.h"
#include "document/Numbers.h"
#include "files/Extended80.h"
#include "files/LineRuns.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

// Record offsets.
constexpr size_t kMarkAt = 0;
constexpr size_t kFlowAt = 2;
constexpr size_t kFrequencyAt = 12;
constexpr size_t kSectionFlowAt = 22;
constexpr size_t kSectionFrequencyAt = 32;
constexpr size_t kDeviationAt = 42;
constexpr size_t kDeviationWidth = 30;
constexpr size_t kLineAAt = 72;
constexpr size_t kLineAWidth = 34;
constexpr size_t kLineBAt = 106;
constexpr size_t kLineBWidth = 34;
constexpr size_t kTemperatureAt = 140; // version 2
constexpr size_t kTprivAt = 150;       // version 2, first record
constexpr size_t kSpreadAt = 160;      // version 2, first record, per cent

// Reads the extended real at offset of the record.
bool LoadReal(std::span<const uint8_t> record, size_t offset, double& out) {
    const std::optional<double> value =
        DecodeExtended80(record.subspan(offset).first<kExtended80Size>());
    if (!value)
        return false;
    out = *value;
    return true;
}

bool LoadRecord(std::span<const uint8_t> record, int version, MeasurementRecord& r) {
    r = MeasurementRecord{};
    r.Section = record[kMarkAt] != 0 ? -1 : 0;
    r.Temperature = kKlaDefaultTpriv;
    r.FlowDeviation = ReadKlaText(record.subspan(kDeviationAt, kDeviationWidth)) / 100.0;
    r.LineA = ReadKlaText(record.subspan(kLineAAt, kLineAWidth));
    r.LineB = ReadKlaText(record.subspan(kLineBAt, kLineBWidth));
    return LoadReal(record, kFlowAt, r.EtalonFlow) &&
           LoadReal(record, kFrequencyAt, r.MeasuredFrequency) &&
           LoadReal(record, kSectionFlowAt, r.SectionFlow) &&
           LoadReal(record, kSectionFrequencyAt, r.SectionFrequency) &&
           (version == 1 || LoadReal(record, kTemperatureAt, r.Temperature));
}

// Groups the enabled records into sections in list order, as the sectioning
// of the engine does after its sort: a section takes records while their
// reduced flow stays less than h (relative) above its first record's. The
// older program wrote its records in the order its lines run, so the file
// order is kept; sorting would tear the runs of line coefficients apart.
void SectionInListOrder(TZorDataList& list, double h, double Tpriv) {
    const auto records = list.Records();
    int32_t section = 0;
    size_t first = 0;
    double q0 = 0.0, sumQ = 0.0, sumF = 0.0;
    uint32_t count = 0;
    const auto close = [&](size_t end) {
        for (size_t i = first; i < end; ++i) {
            records[i].SectionFlow = sumQ / count;
            records[i].SectionFrequency = sumF / count;
            records[i].Section = section;
        }
        ++section;
    };
    for (size_t i = 0; i < records.size(); ++i) {
        const double k = ViscosityRatio(records[i].Temperature, Tpriv);
        const double q = records[i].EtalonFlow * k;
        const double f = records[i].MeasuredFrequency * k;
        if (i == 0)
            q0 = q;
        if (std::fabs((q - q0) / q0) < h) {
            sumQ += q;
            sumF += f;
            ++count;
        } else {
            close(i);
            first = i;
            q0 = sumQ = q;
            sumF = f;
            count = 1;
        }
    }
    if (count > 0)
        close(records.size());
}

} // namespace

const char* KlaReadMessage(KlaReadStatus status) {
    switch (status) {
    case KlaReadStatus::Empty:
        return "Импорт данных невозможен - файл пуст";
    case KlaReadStatus::UnknownSize:
        return "Не могу распознать версию файла.\nОперация прервана";
    default:
        return nullptr;
    }
}

double ReadKlaText(std::span<const uint8_t> field) {
    if (field.empty())
        return 0.0;
    // The length byte cannot claim more than its field holds.
    const size_t length = std::min<size_t>(field[0], field.size() - 1);
    std::string text(reinterpret_cast<const char*>(field.data() + 1), length);
    if (const size_t stop = text.find_first_of(" .,;\r\n");
        stop != std::string::npos && text[stop] == ',')
        text[stop] = '.';
    return ReadReal(text).value_or(0.0);
}

KlaReadStatus ImportKlaFile(std::span<const uint8_t> bytes, double spreadLimit, KlaImport& out) {
    if (bytes.empty())
        return KlaReadStatus::Empty;
    // A size that both divide (2880 bytes) is version 1.
    size_t size;
    if (bytes.size() % kKlaRecordSizeV1 == 0) {
        out.Version = 1;
        size = kKlaRecordSizeV1;
    } else if (bytes.size() % kKlaRecordSizeV2 == 0) {
        out.Version = 2;
        size = kKlaRecordSizeV2;
    } else {
        return KlaReadStatus::UnknownSize;
    }

    const size_t count = bytes.size() / size;
    out.List.Clear();
    out.List.Grow(static_cast<int64_t>(std::max<size_t>(count, 1)), false);
    out.Tpriv = kKlaDefaultTpriv;
    out.SpreadLimit.reset();
    for (size_t i = 0; i < count; ++i) {
        const std::span<const uint8_t> record = bytes.subspan(i * size, size);
        if (out.Version == 2 && i == 0) {
            double spreadPercent = 0.0;
            if (!LoadReal(record, kTprivAt, out.Tpriv) ||
                !LoadReal(record, kSpreadAt, spreadPercent))
                return KlaReadStatus::BadReal;
            out.SpreadLimit = spreadPercent / 100.0;
        }
        MeasurementRecord r;
        if (!LoadRecord(record, out.Version, r))
            return KlaReadStatus::BadReal;
        out.List.Add(r);
    }
    out.List.CheckOrder();

    // What no section or line can be formed from would only make every later
    // approximation fail: such a file is damaged.
    const double h = out.SpreadLimit.value_or(spreadLimit);
    if (!IsSpreadLimit(h) || !IsWaterTemperature(out.Tpriv) ||
        FindUnusableMeasurement(out.List, out.Tpriv) >= 0)
        return KlaReadStatus::BadMeasurements;
    SectionInListOrder(out.List, h, out.Tpriv);
    out.List.AssignLineNumbers();
    out.Data = ApproxDataList{};
    out.Data.Count = SummarizeSections(out.List, out.Data.Items);
    out.Lines = LineTable{};
    if (LineTableFromRuns(out.List, out.Lines) > kMaxLines)
        return KlaReadStatus::TooManyLines;
    return KlaReadStatus::Ok;
}
