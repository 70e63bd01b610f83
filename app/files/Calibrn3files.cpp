#include "files/Calibrn3files.h"

#include "files/FileFields.h"
#include "files/LineRuns.h"

#include <algorithm>

namespace {

// Header offsets.
constexpr size_t kMagicAt = 0;
constexpr size_t kVersionAt = 4;
constexpr size_t kDevTypeAt = 8;
constexpr size_t kDuIndexAt = 12;
constexpr size_t kSerNoAt = 16;
constexpr size_t kOutputTypeAt = 24;
constexpr size_t kWeightIndexAt = 28;
constexpr size_t kDivisionFactorAt = 32;
constexpr size_t kPulseDurationAt = 36;
constexpr size_t kSpreadLimitAt = 40;
constexpr size_t kErrorLimitAt = 44;
constexpr size_t kTprivAt = 48;
constexpr size_t kReservedAt = 52;
constexpr size_t kApproxKindAt = 56;
constexpr size_t kApproxMethodAt = 60;
constexpr size_t kCountAt = 124;

// Line block offsets.
constexpr size_t kLineCountAt = 0;
constexpr size_t kAAt = 16;
constexpr size_t kBAt = 144;
constexpr size_t kFmaxAt = 272;
constexpr size_t kLineArrayBytes = kMaxLines * sizeof(double);

constexpr uint32_t kVersionWithoutLines = 1;
constexpr uint32_t kVersionWithLines = 2;

constexpr int kTagShift = 24;

uint32_t CountOf(const TZorDataList* list) {
    return list ? list->Count() : 0;
}

void AppendRecords(std::vector<uint8_t>& out, const TZorDataList* list, uint32_t tag) {
    if (!list)
        return;
    for (MeasurementRecord record : list->Records()) {
        record.Flags = (record.Flags & ~RecordFlag::ListTagMask) | (tag << kTagShift);
        const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
        out.insert(out.end(), bytes, bytes + sizeof record);
    }
}

MeterSettings StoredSettings(std::span<const uint8_t> header, const MeterSettings& current) {
    MeterSettings s = current;
    s.DevType = LoadField<int32_t>(header, kDevTypeAt);
    s.DuIndex = LoadField<int32_t>(header, kDuIndexAt);
    s.SerNo = LoadField<int64_t>(header, kSerNoAt);
    s.OutputType = LoadField<int32_t>(header, kOutputTypeAt);
    s.WeightIndex = LoadField<int32_t>(header, kWeightIndexAt);
    s.DivisionFactor = UnscaleSetting(LoadField<uint32_t>(header, kDivisionFactorAt));
    s.PulseDuration = UnscaleSetting(LoadField<uint32_t>(header, kPulseDurationAt));
    s.SpreadLimit = UnscaleSetting(LoadField<uint32_t>(header, kSpreadLimitAt));
    s.ErrorLimit = UnscaleSetting(LoadField<uint32_t>(header, kErrorLimitAt));
    s.Tpriv = UnscaleSetting(LoadField<uint32_t>(header, kTprivAt));
    s.Reserved = UnscaleSetting(LoadField<uint32_t>(header, kReservedAt));
    s.ApproxKind = LoadField<int32_t>(header, kApproxKindAt);
    s.ApproxMethod = LoadField<int32_t>(header, kApproxMethodAt);
    return s;
}

void LoadLineBlock(std::span<const uint8_t> block, LineTable& lines) {
    lines.LineCount = std::min(LoadField<uint32_t>(block, kLineCountAt), kMaxStoredLineCount);
    std::memcpy(lines.A, block.data() + kAAt, kLineArrayBytes);
    std::memcpy(lines.B, block.data() + kBAt, kLineArrayBytes);
    std::memcpy(lines.Fmax, block.data() + kFmaxAt, kLineArrayBytes);
}

// A version 1 file keeps the characteristic only in the records' line
// coefficients; a first record without them means there was none.
void RebuildLines(const TZorDataList* calibration, LineTable& lines) {
    const MeasurementRecord* first = calibration ? calibration->Item(0) : nullptr;
    if (!first || first->LineA == 0.0 || first->LineB == 0.0) {
        lines.LineCount = 0;
        return;
    }
    LineTableFromRuns(*calibration, lines);
}

} // namespace

std::vector<uint8_t> EncodeCalibrationFile(const MeterSettings& settings,
                                           const TZorDataList* calibration, const LineTable* lines,
                                           const TZorDataList* verification) {
    std::vector<uint8_t> out(kCalibrationHeaderSize + (lines ? kCalibrationLineBlockSize : 0));
    const std::span<uint8_t> header(out.data(), kCalibrationHeaderSize);
    StoreField<uint32_t>(header, kMagicAt, kCalibrationMagic);
    StoreField<uint32_t>(header, kVersionAt, lines ? kVersionWithLines : kVersionWithoutLines);
    StoreField<int32_t>(header, kDevTypeAt, settings.DevType);
    StoreField<int32_t>(header, kDuIndexAt, settings.DuIndex);
    StoreField<int64_t>(header, kSerNoAt, settings.SerNo);
    StoreField<int32_t>(header, kOutputTypeAt, settings.OutputType);
    StoreField<int32_t>(header, kWeightIndexAt, settings.WeightIndex);
    StoreField<uint32_t>(header, kDivisionFactorAt, ScaleSetting(settings.DivisionFactor));
    StoreField<uint32_t>(header, kPulseDurationAt, ScaleSetting(settings.PulseDuration));
    StoreField<uint32_t>(header, kSpreadLimitAt, ScaleSetting(settings.SpreadLimit));
    StoreField<uint32_t>(header, kErrorLimitAt, ScaleSetting(settings.ErrorLimit));
    StoreField<uint32_t>(header, kTprivAt, ScaleSetting(settings.Tpriv));
    StoreField<uint32_t>(header, kReservedAt, ScaleSetting(settings.Reserved));
    StoreField<int32_t>(header, kApproxKindAt, settings.ApproxKind);
    StoreField<int32_t>(header, kApproxMethodAt, settings.ApproxMethod);
    StoreField<uint32_t>(header, kCountAt, CountOf(calibration) + CountOf(verification));
    if (lines) {
        const std::span<uint8_t> block(out.data() + kCalibrationHeaderSize,
                                       kCalibrationLineBlockSize);
        StoreField<uint32_t>(block, kLineCountAt, lines->LineCount);
        std::memcpy(block.data() + kAAt, lines->A, kLineArrayBytes);
        std::memcpy(block.data() + kBAt, lines->B, kLineArrayBytes);
        std::memcpy(block.data() + kFmaxAt, lines->Fmax, kLineArrayBytes);
    }
    out.reserve(out.size() +
                (size_t{CountOf(calibration)} + CountOf(verification)) * kCalibrationRecordSize);
    AppendRecords(out, calibration, kCalibrationTag);
    AppendRecords(out, verification, kVerificationTag);
    return out;
}

CalibrationReadStatus DecodeCalibrationFile(std::span<const uint8_t> bytes,
                                            TZorDataList* calibration, TZorDataList* verification,
                                            LineTable* lines, MeterSettings& settings) {
    if (calibration)
        calibration->Clear();
    if (verification)
        verification->Clear();
    if (bytes.size() < kCalibrationHeaderSize)
        return CalibrationReadStatus::ShortHeader;
    const std::span<const uint8_t> header = bytes.first(kCalibrationHeaderSize);
    if (LoadField<uint32_t>(header, kMagicAt) != kCalibrationMagic)
        return CalibrationReadStatus::BadMagic;
    const uint32_t version = LoadField<uint32_t>(header, kVersionAt);
    if (version != kVersionWithoutLines && version != kVersionWithLines)
        return CalibrationReadStatus::BadVersion;
    const MeterSettings stored = StoredSettings(header, settings);
    // An index beyond its table would select an entry that does not exist.
    // Files written by the program always hold valid ones, so this one is
    // damaged.
    if (!HasValidIndices(stored))
        return CalibrationReadStatus::BadIndex;
    settings = stored;
    std::span<const uint8_t> rest = bytes.subspan(kCalibrationHeaderSize);

    if (version == kVersionWithLines) {
        if (rest.size() < kCalibrationLineBlockSize)
            return CalibrationReadStatus::ShortLineBlock;
        if (lines)
            LoadLineBlock(rest.first(kCalibrationLineBlockSize), *lines);
        rest = rest.subspan(kCalibrationLineBlockSize);
    }

    const uint32_t count = LoadField<uint32_t>(header, kCountAt);
    const size_t present = std::min<size_t>(count, rest.size() / kCalibrationRecordSize);
    // One allocation for what the file can hold, not for what a damaged
    // count claims.
    for (TZorDataList* list : {calibration, verification})
        if (list && present > list->Capacity())
            list->Grow(static_cast<int64_t>(present), false);
    for (size_t i = 0; i < present; ++i) {
        MeasurementRecord record;
        std::memcpy(&record, rest.data() + i * kCalibrationRecordSize, sizeof record);
        const uint32_t tag = record.Flags >> kTagShift;
        TZorDataList* target = tag == kCalibrationTag    ? calibration
                               : tag == kVerificationTag ? verification
                                                         : nullptr;
        if (target)
            target->Add(record);
    }
    if (calibration)
        calibration->CheckOrder();
    if (version == kVersionWithoutLines && lines)
        RebuildLines(calibration, *lines);
    return present == count ? CalibrationReadStatus::Ok : CalibrationReadStatus::ShortRecords;
}

WriteOutcome WriteCalibrationFile(const std::string& path, const MeterSettings& settings,
                                  const TZorDataList* calibration, const LineTable* lines,
                                  const TZorDataList* verification) {
    return WriteWholeFile(path, EncodeCalibrationFile(settings, calibration, lines, verification));
}

CalibrationReadStatus ReadCalibrationFile(const std::string& path, TZorDataList* calibration,
                                          TZorDataList* verification, LineTable* lines,
                                          MeterSettings& settings) {
    const std::optional<std::vector<uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes) {
        if (calibration)
            calibration->Clear();
        if (verification)
            verification->Clear();
        return CalibrationReadStatus::CannotOpen;
    }
    return DecodeCalibrationFile(*bytes, calibration, verification, lines, settings);
}
