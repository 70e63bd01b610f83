#include "files/Calibrn3files.h"
#include "files/FileFields.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace filetest;

namespace {

MeterSettings KnownSettings() {
    MeterSettings s;
    s.DevType = 19;
    s.DuIndex = 3;
    s.SerNo = 12345678;
    s.OutputType = 1;
    s.WeightIndex = 2;
    s.DivisionFactor = 5.0;
    s.PulseDuration = 2.5;
    s.SpreadLimit = 0.05;
    s.ErrorLimit = 0.01;
    s.Tpriv = 20.0;
    s.Reserved = 1.0;
    s.ApproxKind = 0;
    s.ApproxMethod = 1;
    return s;
}

// A record with a different value in every field, so a field written at the
// wrong offset cannot go unnoticed.
MeasurementRecord DistinctRecord(double base, uint32_t flags) {
    MeasurementRecord r{};
    r.EtalonMass = base + 0.1;
    r.Temperature = base + 0.2;
    r.EtalonVolume = base + 0.3;
    r.EtalonTime = base + 0.4;
    r.MeasuredTime = base + 0.5;
    r.EtalonFlow = base + 0.6;
    r.MeasuredFrequency = base + 0.7;
    r.SectionFrequency = base + 0.8;
    r.SectionFlow = base + 0.9;
    r.FlowDeviation = base + 1.0;
    r.MeasuredFlow = base + 1.1;
    r.ComparedVolume = base + 1.2;
    r.VolumeDeviation = base + 1.3;
    r.LineA = base + 1.4;
    r.LineB = base + 1.5;
    r.Flags = flags;
    r.MeasuredPulses = static_cast<int32_t>(base) + 16;
    r.ComparedPulses = static_cast<int32_t>(base) + 17;
    r.Section = 2;
    r.Line = 1;
    r.Reserved = 0x5A5A5A5A;
    return r;
}

// The 144 bytes of a record in the file, by the documented offsets.
void PutRecord(Bytes& b, size_t at, const MeasurementRecord& r, uint32_t tag) {
    const double reals[] = {
        r.EtalonMass,   r.Temperature,       r.EtalonVolume,     r.EtalonTime,  r.MeasuredTime,
        r.EtalonFlow,   r.MeasuredFrequency, r.SectionFrequency, r.SectionFlow, r.FlowDeviation,
        r.MeasuredFlow, r.ComparedVolume,    r.VolumeDeviation,  r.LineA,       r.LineB};
    for (size_t i = 0; i < std::size(reals); ++i)
        PutDouble(b, at + 8 * i, reals[i]);
    PutU32(b, at + 120, (r.Flags & 0x00FFFFFFu) | (tag << 24));
    PutU32(b, at + 124, static_cast<uint32_t>(r.MeasuredPulses));
    PutU32(b, at + 128, static_cast<uint32_t>(r.ComparedPulses));
    PutU32(b, at + 132, static_cast<uint32_t>(r.Section));
    PutU32(b, at + 136, static_cast<uint32_t>(r.Line));
    PutU32(b, at + 140, r.Reserved);
}

LineTable TwoLines() {
    LineTable lines{};
    lines.LineCount = 2;
    lines.A[0] = 0.12;
    lines.A[1] = 0.13;
    lines.B[0] = 0.01;
    lines.B[1] = -0.02;
    lines.Fmax[0] = 30.0;
    lines.Fmax[1] = 1e200;
    return lines;
}

// The golden file of KnownSettings, the lines (or none) and the records,
// built field by field from the layout.
Bytes GoldenFile(const LineTable* lines, const std::vector<MeasurementRecord>& calibration,
                 const std::vector<MeasurementRecord>& verification) {
    const size_t records = calibration.size() + verification.size();
    Bytes b(128 + (lines ? 512 : 0) + 144 * records, 0);
    const uint8_t magic[] = {0x33, 0x52, 0x4F, 0x5A};
    std::copy(std::begin(magic), std::end(magic), b.begin());
    PutU32(b, 4, lines ? 2 : 1);
    PutU32(b, 8, 19);
    PutU32(b, 12, 3);
    PutU64(b, 16, 12345678);
    PutU32(b, 24, 1);
    PutU32(b, 28, 2);
    PutU32(b, 32, 50000);  // n = 5
    PutU32(b, 36, 25000);  // τ = 2.5 ms
    PutU32(b, 40, 500);    // h = 0.05
    PutU32(b, 44, 100);    // δ = 0.01
    PutU32(b, 48, 200000); // Tприв = 20 °C
    PutU32(b, 52, 10000);  // the reserved 1.0
    PutU32(b, 56, 0);
    PutU32(b, 60, 1);
    PutU32(b, 124, static_cast<uint32_t>(records));
    size_t at = 128;
    if (lines) {
        PutU32(b, at, lines->LineCount);
        for (int i = 0; i < 16; ++i) {
            PutDouble(b, at + 16 + 8 * i, lines->A[i]);
            PutDouble(b, at + 144 + 8 * i, lines->B[i]);
            PutDouble(b, at + 272 + 8 * i, lines->Fmax[i]);
        }
        at += 512;
    }
    for (const MeasurementRecord& r : calibration) {
        PutRecord(b, at, r, 0x00);
        at += 144;
    }
    for (const MeasurementRecord& r : verification) {
        PutRecord(b, at, r, 0x80);
        at += 144;
    }
    return b;
}

struct Decoded {
    CalibrationReadStatus Status;
    TZorDataList Calibration;
    TZorDataList Verification;
    LineTable Lines{};
    MeterSettings Settings;
};

Decoded Decode(const Bytes& bytes) {
    Decoded d;
    d.Status = DecodeCalibrationFile(bytes, &d.Calibration, &d.Verification, &d.Lines, d.Settings);
    return d;
}

} // namespace

TEST(CalibrationFile, WritesBothVersionsByteForByte) {
    // The top byte of Flags in memory is replaced by the list's tag.
    const MeasurementRecord c1 = DistinctRecord(1.0, 0x40000001);
    const MeasurementRecord c2 = DistinctRecord(2.0, 0x00000002);
    const MeasurementRecord v1 = DistinctRecord(3.0, 0x00000003);
    const TZorDataList calibration = ListOf({c1, c2});
    const TZorDataList verification = ListOf({v1});
    const LineTable lines = TwoLines();
    TempDir dir;

    struct Case {
        const char* Name;
        const LineTable* Lines;
        size_t Size;
    };
    for (const Case& c :
         {Case{"v2.srv", &lines, 640 + 3 * 144}, Case{"v1.srv", nullptr, 128 + 3 * 144}}) {
        SCOPED_TRACE(c.Name);
        const Bytes golden = GoldenFile(c.Lines, {c1, c2}, {v1});
        ASSERT_EQ(golden.size(), c.Size);
        EXPECT_EQ(EncodeCalibrationFile(KnownSettings(), &calibration, c.Lines, &verification),
                  golden);
        ASSERT_EQ(WriteCalibrationFile(dir.Path(c.Name), KnownSettings(), &calibration, c.Lines,
                                       &verification),
                  WriteOutcome::Written);
        const Bytes written = ReadBytes(dir.Path(c.Name));
        ASSERT_EQ(written.size(), golden.size());
        EXPECT_EQ(written, golden);
    }
}

TEST(CalibrationFile, AbsentListsCountAsEmpty) {
    const Bytes bytes = EncodeCalibrationFile(KnownSettings(), nullptr, nullptr, nullptr);
    EXPECT_EQ(bytes, GoldenFile(nullptr, {}, {}));
}

TEST(CalibrationFile, RoundTripKeepsListsLinesAndRoundedSettings) {
    const MeasurementRecord c1 = DistinctRecord(1.0, 0x00000001);
    const MeasurementRecord c2 = DistinctRecord(2.0, 0x00000002);
    const MeasurementRecord v1 = DistinctRecord(3.0, 0x00000000);
    const TZorDataList calibration = ListOf({c1, c2});
    const TZorDataList verification = ListOf({v1});
    const LineTable lines = TwoLines();
    MeterSettings settings = KnownSettings();
    settings.PulseDuration = 1.23456; // kept to 1/10000
    settings.SpreadLimit = 0.123449;
    settings.Tpriv = 17.77775;              // half up
    settings.Mode = WorkMode::Verification; // not stored: the reader keeps its own

    const Decoded d = Decode(EncodeCalibrationFile(settings, &calibration, &lines, &verification));
    ASSERT_EQ(d.Status, CalibrationReadStatus::Ok);
    EXPECT_EQ(RecordBytes(d.Calibration), RecordBytes(calibration));
    // A verification record keeps its tag in memory, where nothing looks at it.
    ASSERT_EQ(d.Verification.Count(), 1u);
    EXPECT_EQ(d.Verification.Item(0)->Flags, 0x80000000u);
    MeasurementRecord untagged = *d.Verification.Item(0);
    untagged.Flags = 0;
    EXPECT_EQ(std::memcmp(&untagged, &v1, sizeof v1), 0);
    EXPECT_TRUE(d.Calibration.Ordered());

    EXPECT_EQ(d.Lines.LineCount, 2u);
    EXPECT_EQ(std::memcmp(d.Lines.A, lines.A, sizeof lines.A), 0);
    EXPECT_EQ(std::memcmp(d.Lines.B, lines.B, sizeof lines.B), 0);
    EXPECT_EQ(std::memcmp(d.Lines.Fmax, lines.Fmax, sizeof lines.Fmax), 0);

    EXPECT_EQ(d.Settings.DevType, 19);
    EXPECT_EQ(d.Settings.DuIndex, 3);
    EXPECT_EQ(d.Settings.SerNo, 12345678);
    EXPECT_EQ(d.Settings.OutputType, 1);
    EXPECT_EQ(d.Settings.WeightIndex, 2);
    EXPECT_EQ(d.Settings.DivisionFactor, 5.0);
    EXPECT_EQ(d.Settings.PulseDuration, 1.2346);
    EXPECT_EQ(d.Settings.SpreadLimit, 0.1234);
    EXPECT_EQ(d.Settings.ErrorLimit, 0.01);
    EXPECT_EQ(d.Settings.Tpriv, 17.7778);
    EXPECT_EQ(d.Settings.Reserved, 1.0);
    EXPECT_EQ(d.Settings.ApproxMethod, 1);
    EXPECT_EQ(d.Settings.Mode, WorkMode::Calibration);
}

TEST(CalibrationFile, ScaledSettingsRoundHalfUpAndNeverWrap) {
    struct Case {
        double Value;
        uint32_t Stored;
    };
    for (const Case& c :
         {Case{0.05, 500}, Case{20.0, 200000}, Case{1.0, 10000}, Case{0.00005, 1},
          Case{0.000049, 0}, Case{-1.0, 0}, Case{std::numeric_limits<double>::quiet_NaN(), 0},
          Case{1e12, 0xFFFFFFFFu}}) {
        SCOPED_TRACE(c.Value);
        EXPECT_EQ(ScaleSetting(c.Value), c.Stored);
    }
    EXPECT_EQ(UnscaleSetting(0xFFFFFFFFu), 429496.7295);
}

TEST(CalibrationFile, RefusesDamagedHeaders) {
    const Bytes good = GoldenFile(nullptr, {DistinctRecord(1.0, 0)}, {});
    struct Case {
        const char* Name;
        size_t At; // where to damage, or the length to cut to
        uint32_t Value;
        bool Cut;
        CalibrationReadStatus Status;
    };
    const Case cases[] = {
        {"empty", 0, 0, true, CalibrationReadStatus::ShortHeader},
        {"short header", 127, 0, true, CalibrationReadStatus::ShortHeader},
        {"magic", 0, 0x5A4F5253, false, CalibrationReadStatus::BadMagic},
        {"version 0", 4, 0, false, CalibrationReadStatus::BadVersion},
        {"version 3", 4, 3, false, CalibrationReadStatus::BadVersion},
        {"version 2 without its block", 4, 2, false, CalibrationReadStatus::ShortLineBlock},
        {"type 22", 8, 22, false, CalibrationReadStatus::BadIndex},
        {"type -1", 8, 0xFFFFFFFF, false, CalibrationReadStatus::BadIndex},
        {"Du 14", 12, 14, false, CalibrationReadStatus::BadIndex},
        {"output 3", 24, 3, false, CalibrationReadStatus::BadIndex},
        {"selector 9", 28, 9, false, CalibrationReadStatus::BadIndex},
        {"model 2", 56, 2, false, CalibrationReadStatus::BadIndex},
        {"mode 4", 60, 4, false, CalibrationReadStatus::BadIndex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes bytes = good;
        if (c.Cut)
            bytes.resize(c.At);
        else
            PutU32(bytes, c.At, c.Value);
        TZorDataList calibration = ListOf({Record(1, 1)});
        MeterSettings settings;
        settings.SerNo = 77;
        EXPECT_EQ(DecodeCalibrationFile(bytes, &calibration, nullptr, nullptr, settings), c.Status);
        EXPECT_EQ(calibration.Count(), 0u);
        if (c.Status != CalibrationReadStatus::ShortLineBlock) {
            EXPECT_EQ(settings.SerNo, 77) << "settings of a refused header stay";
        }
    }
}

TEST(CalibrationFile, SelectorIndexIsCheckedAgainstTheTypesOwnList) {
    // Five prices for a ГКМС type, nine for an ЛГМ type.
    Bytes bytes = GoldenFile(nullptr, {}, {});
    PutU32(bytes, 8, 1); // "ГКМС-ТИ1"
    PutU32(bytes, 28, 5);
    MeterSettings settings;
    EXPECT_EQ(DecodeCalibrationFile(bytes, nullptr, nullptr, nullptr, settings),
              CalibrationReadStatus::BadIndex);
    PutU32(bytes, 28, 4);
    EXPECT_EQ(DecodeCalibrationFile(bytes, nullptr, nullptr, nullptr, settings),
              CalibrationReadStatus::Ok);
}

TEST(CalibrationFile, SortsRecordsByTagAndSkipsOthers) {
    const MeasurementRecord a = DistinctRecord(1.0, 0);
    const MeasurementRecord b = DistinctRecord(2.0, 0);
    const MeasurementRecord c = DistinctRecord(3.0, 0);
    Bytes bytes = GoldenFile(nullptr, {a, b, c}, {});
    PutU32(bytes, 128 + 144 + 120, 0x80000000);
    PutU32(bytes, 128 + 288 + 120, 0x40000000);
    const Decoded d = Decode(bytes);
    EXPECT_EQ(d.Status, CalibrationReadStatus::Ok);
    ASSERT_EQ(d.Calibration.Count(), 1u);
    EXPECT_EQ(d.Calibration.Item(0)->EtalonFlow, a.EtalonFlow);
    ASSERT_EQ(d.Verification.Count(), 1u);
    EXPECT_EQ(d.Verification.Item(0)->EtalonFlow, b.EtalonFlow);

    // A target that is absent skips its records.
    TZorDataList calibration;
    MeterSettings settings;
    EXPECT_EQ(DecodeCalibrationFile(bytes, &calibration, nullptr, nullptr, settings),
              CalibrationReadStatus::Ok);
    EXPECT_EQ(calibration.Count(), 1u);
}

TEST(CalibrationFile, TruncatedRecordsKeepWhatWasRead) {
    const LineTable lines = TwoLines();
    Bytes bytes = GoldenFile(&lines, {DistinctRecord(1.0, 0), DistinctRecord(2.0, 0)},
                             {DistinctRecord(3.0, 0)});
    PutU32(bytes, 124, 5);          // claims five records
    bytes.resize(bytes.size() - 1); // and the third is cut short
    const Decoded d = Decode(bytes);
    EXPECT_EQ(d.Status, CalibrationReadStatus::ShortRecords);
    EXPECT_EQ(d.Calibration.Count(), 2u);
    EXPECT_EQ(d.Verification.Count(), 0u);
    EXPECT_EQ(d.Settings.SerNo, 12345678);
    EXPECT_EQ(d.Lines.LineCount, 2u);

    // A huge claimed count costs no more than the file holds.
    PutU32(bytes, 124, 0xFFFFFFFF);
    const Decoded huge = Decode(bytes);
    EXPECT_EQ(huge.Status, CalibrationReadStatus::ShortRecords);
    EXPECT_EQ(huge.Calibration.Count(), 2u);
}

TEST(CalibrationFile, StoredLineCountAboveSevenIsTakenAsSeven) {
    LineTable lines = TwoLines();
    lines.LineCount = 12;
    const Decoded d = Decode(GoldenFile(&lines, {}, {}));
    EXPECT_EQ(d.Status, CalibrationReadStatus::Ok);
    EXPECT_EQ(d.Lines.LineCount, 7u);
}

TEST(CalibrationFile, VersionOneRebuildsTheLinesFromTheRecords) {
    const int lineOf[] = {0, 0, 1, 1, 1, 2};
    std::vector<MeasurementRecord> records;
    for (int i = 0; i < 6; ++i) {
        MeasurementRecord r = Record(1.0 + i, 10.0 * (i + 1));
        r.Line = lineOf[i];
        r.LineA = 0.1 + 0.01 * lineOf[i];
        r.LineB = 0.5 + lineOf[i];
        records.push_back(r);
    }
    Decoded d = Decode(GoldenFile(nullptr, records, {}));
    ASSERT_EQ(d.Status, CalibrationReadStatus::Ok);
    ASSERT_EQ(d.Lines.LineCount, 3u);
    EXPECT_EQ(d.Lines.Fmax[0], 30.0); // the third record's frequency
    EXPECT_EQ(d.Lines.Fmax[1], 60.0); // the sixth's
    EXPECT_EQ(d.Lines.Fmax[2], 1e200);
    EXPECT_DOUBLE_EQ(d.Lines.A[1], 0.11);
    EXPECT_EQ(d.Lines.B[2], 2.5);

    // Without coefficients on the first record there was no characteristic.
    for (auto clear : {&MeasurementRecord::LineA, &MeasurementRecord::LineB}) {
        std::vector<MeasurementRecord> cleared = records;
        cleared[0].*clear = 0.0;
        EXPECT_EQ(Decode(GoldenFile(nullptr, cleared, {})).Lines.LineCount, 0u);
    }
    EXPECT_EQ(Decode(GoldenFile(nullptr, {}, {})).Lines.LineCount, 0u);
}

TEST(CalibrationFile, ReadingAMissingFileFails) {
    TempDir dir;
    TZorDataList calibration = ListOf({Record(1, 1)});
    MeterSettings settings;
    EXPECT_EQ(ReadCalibrationFile(dir.Path("none.srv"), &calibration, nullptr, nullptr, settings),
              CalibrationReadStatus::CannotOpen);
    EXPECT_EQ(calibration.Count(), 0u);
}
