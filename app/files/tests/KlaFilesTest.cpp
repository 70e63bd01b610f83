#include "files/KlaFiles.h"
#include "files/Extended80.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

using namespace filetest;

namespace {

using Ext = std::array<uint8_t, 10>;

Ext Extended(bool negative, uint32_t exponent, uint64_t significand) {
    Ext e{};
    for (int i = 0; i < 8; ++i)
        e[i] = static_cast<uint8_t>(significand >> (8 * i));
    const uint32_t top = (negative ? 0x8000u : 0u) | (exponent & 0x7FFF);
    e[8] = static_cast<uint8_t>(top);
    e[9] = static_cast<uint8_t>(top >> 8);
    return e;
}

std::optional<double> Decode(const Ext& e) {
    return DecodeExtended80(std::span<const uint8_t, 10>(e));
}

// The extended real nearest to a double (every double is one exactly).
Ext ExtendedOf(double value) {
    if (value == 0.0)
        return Extended(std::signbit(value), 0, 0);
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent); // [0.5, 1)
    const auto significand = static_cast<uint64_t>(std::ldexp(fraction, 64));
    return Extended(value < 0, static_cast<uint32_t>(exponent - 1 + 16383), significand);
}

constexpr bool kX87LongDouble = LDBL_MANT_DIG == 64;

// ---- .kla records ---------------------------------------------------------------

void PutExt(Bytes& b, size_t at, double value) {
    const Ext e = ExtendedOf(value);
    std::copy(e.begin(), e.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
}

void PutText(Bytes& b, size_t at, std::string_view text) {
    b[at] = static_cast<uint8_t>(text.size());
    std::copy(text.begin(), text.end(), b.begin() + static_cast<std::ptrdiff_t>(at + 1));
}

struct KlaRow {
    double Q, F;
    std::string Deviation, A, B;
    double Temperature = 20.0;
    uint8_t Mark = 0;
};

// A .kla file of version 1 or 2; version 2 stores tpriv and spreadPercent in
// its first record.
Bytes KlaFile(int version, const std::vector<KlaRow>& rows, double tpriv = 20.0,
              double spreadPercent = 5.0) {
    const size_t size = version == 1 ? 160 : 180;
    Bytes b(size * rows.size(), 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        const size_t at = i * size;
        const KlaRow& r = rows[i];
        b[at] = r.Mark;
        PutExt(b, at + 2, r.Q);
        PutExt(b, at + 12, r.F);
        PutExt(b, at + 22, 999.0); // section means: rebuilt by the import
        PutExt(b, at + 32, 999.0);
        PutText(b, at + 42, r.Deviation);
        PutText(b, at + 72, r.A);
        PutText(b, at + 106, r.B);
        if (version == 2) {
            PutExt(b, at + 140, r.Temperature);
            PutExt(b, at + 150, i == 0 ? tpriv : 99.0);
            PutExt(b, at + 160, i == 0 ? spreadPercent : 99.0);
            PutExt(b, at + 170, 12345.0);
        }
    }
    return b;
}

} // namespace

TEST(Extended80, DecodesHandBuiltValues) {
    struct Case {
        const char* Name;
        Ext Bytes;
        double Value;
    };
    const Case cases[] = {
        {"1", Extended(false, 16383, 0x8000000000000000), 1.0},
        {"-2.5", Extended(true, 16384, 0xA000000000000000), -2.5},
        {"0.75", Extended(false, 16382, 0xC000000000000000), 0.75},
        {"-0.001953125", Extended(true, 16374, 0x8000000000000000), -0.001953125},
        {"0.1 rounded", Extended(false, 16379, 0xCCCCCCCCCCCCCCCD), 0.1},
        {"+0", Extended(false, 0, 0), 0.0},
        {"largest double", Extended(false, 16383 + 1023, 0xFFFFFFFFFFFFF800), DBL_MAX},
        {"smallest normal", Extended(false, 16383 - 1022, 0x8000000000000000), DBL_MIN},
        {"smallest subnormal", Extended(false, 16383 - 1074, 0x8000000000000000),
         std::numeric_limits<double>::denorm_min()},
        {"below half the smallest subnormal", Extended(false, 16383 - 1076, 0xFFFFFFFFFFFFFFFF),
         0.0},
        {"extended denormal", Extended(false, 0, 0x0000000000000001), 0.0},
        {"pseudo-denormal", Extended(false, 0, 0x8000000000000000), 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::optional<double> value = Decode(c.Bytes);
        ASSERT_TRUE(value);
        EXPECT_EQ(*value, c.Value);
    }
    const std::optional<double> negativeZero = Decode(Extended(true, 0, 0));
    ASSERT_TRUE(negativeZero);
    EXPECT_TRUE(std::signbit(*negativeZero));
}

TEST(Extended80, RoundsToNearestEven) {
    // 1 + 2^-53 lies halfway between 1 and the next double: even wins.
    EXPECT_EQ(Decode(Extended(false, 16383, 0x8000000000000400)), 1.0);
    // 1 + 3·2^-53 lies halfway between two doubles whose upper one is even.
    EXPECT_EQ(Decode(Extended(false, 16383, 0x8000000000000C00)), 1.0 + 4 * DBL_EPSILON / 2);
    // Just above half way goes up.
    EXPECT_EQ(Decode(Extended(false, 16383, 0x8000000000000401)), 1.0 + DBL_EPSILON);
    // A carry out of the significand moves the exponent.
    EXPECT_EQ(Decode(Extended(false, 16383, 0xFFFFFFFFFFFFFFFF)), 2.0);
    // In the subnormal range the rounding happens once, at the right place.
    EXPECT_EQ(Decode(Extended(false, 16383 - 1075, 0xC000000000000000)),
              std::numeric_limits<double>::denorm_min());
}

TEST(Extended80, RefusesWhatNoDoubleHolds) {
    struct Case {
        const char* Name;
        Ext Bytes;
    };
    const Case cases[] = {
        {"+inf", Extended(false, 0x7FFF, 0x8000000000000000)},
        {"-inf", Extended(true, 0x7FFF, 0x8000000000000000)},
        {"NaN", Extended(false, 0x7FFF, 0xC000000000000000)},
        {"pseudo-infinity", Extended(false, 0x7FFF, 0)},
        {"beyond the largest double", Extended(false, 16383 + 1024, 0x8000000000000000)},
        {"rounds up past the largest double", Extended(false, 16383 + 1023, 0xFFFFFFFFFFFFFC00)},
        {"unnormal", Extended(false, 16383, 0x4000000000000000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_FALSE(Decode(c.Bytes));
    }
}

TEST(Extended80, AgreesWithTheHostsExtendedReals) {
    if (!kX87LongDouble)
        GTEST_SKIP() << "long double is not the 80-bit extended real here";
    std::mt19937_64 random(80);
    for (int i = 0; i < 200000; ++i) {
        // Exponents around the doubles' whole range, both signs, any bits.
        const auto exponent = static_cast<uint32_t>(16383 - 1100 + random() % 2200);
        const Ext e = Extended(random() & 1, exponent, random() | 0x8000000000000000);
        long double reference;
        std::memcpy(&reference, e.data(), 10);
        const std::optional<double> value = Decode(e);
        // Beyond 2^1024 the conversion itself would be undefined.
        if (std::fabs(reference) >= 0x1p1024L) {
            EXPECT_FALSE(value);
            continue;
        }
        const double expected = static_cast<double>(reference);
        if (std::isinf(expected)) {
            EXPECT_FALSE(value);
            continue;
        }
        ASSERT_TRUE(value) << i;
        ASSERT_EQ(std::bit_cast<uint64_t>(*value), std::bit_cast<uint64_t>(expected)) << i;
    }
}

TEST(KlaText, ReadsDecimalTexts) {
    struct Case {
        const char* Name;
        std::string Text;
        double Value;
    };
    const Case cases[] = {
        {"empty", "", 0.0},
        {"point", "1.25", 1.25},
        {"comma", "1,25", 1.25},
        {"negative below one with a comma", "-0,0345", -0.0345},
        {"only the first separator counts", "1,5,7", 1.5},
        {"a space before the comma keeps it", "1 ,5", 1.0},
        {"a semicolon first", "2;5,1", 2.0},
        {"not a number", "abc", 0.0},
        {"leading blanks", "  3,5", 3.0}, // the space comes first
        {"exponent", "1.5e-3", 0.0015},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes field(34, 0);
        PutText(field, 0, c.Text);
        EXPECT_DOUBLE_EQ(ReadKlaText(field), c.Value);
    }
    // A length beyond the field reads only the field.
    Bytes field(30, '7');
    field[0] = 200;
    EXPECT_EQ(ReadKlaText(field), 77777777777777777777777777777.0);
    // A length of 0 with text behind it is 0.
    Bytes zero(30, '5');
    zero[0] = 0;
    EXPECT_EQ(ReadKlaText(zero), 0.0);
}

TEST(KlaFile, RecognisesTheVersionBySize) {
    const KlaRow row{10.0, 100.0, "0,5", "0,1", "0,0"};
    struct Case {
        size_t Size;
        KlaReadStatus Status;
        int Version;
    };
    for (const Case& c : {Case{0, KlaReadStatus::Empty, 0},
                          Case{100, KlaReadStatus::UnknownSize, 0}, Case{320, KlaReadStatus::Ok, 1},
                          Case{360, KlaReadStatus::Ok, 2}, Case{2880, KlaReadStatus::Ok, 1}}) {
        SCOPED_TRACE(c.Size);
        Bytes bytes;
        if (c.Size % 160 == 0 && c.Size > 0)
            bytes = KlaFile(1, std::vector<KlaRow>(c.Size / 160, row));
        else if (c.Size % 180 == 0 && c.Size > 0)
            bytes = KlaFile(2, std::vector<KlaRow>(c.Size / 180, row));
        else
            bytes.assign(c.Size, 0);
        KlaImport kla;
        EXPECT_EQ(ImportKlaFile(bytes, 0.05, kla), c.Status);
        if (c.Status == KlaReadStatus::Ok) {
            EXPECT_EQ(kla.Version, c.Version);
            EXPECT_EQ(kla.List.Count(), c.Size / (c.Version == 1 ? 160 : 180));
        }
    }
    EXPECT_STREQ(KlaReadMessage(KlaReadStatus::Empty), "Импорт данных невозможен - файл пуст");
    EXPECT_STREQ(KlaReadMessage(KlaReadStatus::UnknownSize),
                 "Не могу распознать версию файла.\nОперация прервана");
    EXPECT_EQ(KlaReadMessage(KlaReadStatus::TooManyLines), nullptr);
}

TEST(KlaFile, VersionOneRecordsSectionsAndLines) {
    // Two lines over three sections; the file order is kept even where the
    // flows do not rise (the last record).
    const std::vector<KlaRow> rows = {
        {1.0, 10.0, "1,5", "0,1", "0,01", 20.0, 1},
        {1.02, 10.2, "-0,5", "0,1", "0,01"},
        {2.0, 20.0, "0", "0,1", "0,01"},
        {4.0, 40.0, "0", "0,098", "0,05"},
        {3.9, 39.0, "", "0,098", "0,05"},
    };
    KlaImport kla;
    ASSERT_EQ(ImportKlaFile(KlaFile(1, rows), 0.05, kla), KlaReadStatus::Ok);
    EXPECT_EQ(kla.Tpriv, 20.0);
    EXPECT_FALSE(kla.SpreadLimit);
    ASSERT_EQ(kla.List.Count(), 5u);
    const MeasurementRecord& first = *kla.List.Item(0);
    EXPECT_EQ(first.EtalonFlow, 1.0);
    EXPECT_EQ(first.MeasuredFrequency, 10.0);
    EXPECT_EQ(first.FlowDeviation, 0.015);
    EXPECT_EQ(first.LineA, 0.1);
    EXPECT_EQ(first.LineB, 0.01);
    EXPECT_EQ(first.Temperature, 20.0);
    EXPECT_EQ(first.Flags, 0u);
    EXPECT_EQ(kla.List.Item(4)->FlowDeviation, 0.0);
    EXPECT_FALSE(kla.List.Ordered());

    std::vector<int32_t> sections, lines;
    for (const MeasurementRecord& r : kla.List.Records()) {
        sections.push_back(r.Section);
        lines.push_back(r.Line);
    }
    EXPECT_EQ(sections, (std::vector<int32_t>{0, 0, 1, 2, 2}));
    EXPECT_EQ(lines, (std::vector<int32_t>{0, 0, 0, 1, 1}));
    EXPECT_DOUBLE_EQ(first.SectionFlow, 1.01);
    EXPECT_DOUBLE_EQ(kla.List.Item(3)->SectionFrequency, 39.5);

    ASSERT_EQ(kla.Data.Count, 3u);
    EXPECT_EQ(kla.Data.Items[2].FirstIndex, 3u);
    EXPECT_DOUBLE_EQ(kla.Data.Items[2].Q, 3.95);

    ASSERT_EQ(kla.Lines.LineCount, 2u);
    EXPECT_EQ(kla.Lines.A[1], 0.098);
    EXPECT_EQ(kla.Lines.B[1], 0.05);
    EXPECT_EQ(kla.Lines.Fmax[0], 40.0);
    EXPECT_EQ(kla.Lines.Fmax[1], 1e200);
}

TEST(KlaFile, VersionTwoTakesTemperaturesAndTheSpreadLimit) {
    const std::vector<KlaRow> rows = {
        {1.0, 10.0, "0", "0,1", "0", 18.0},
        {1.5, 15.0, "0", "0,1", "0", 21.0},
    };
    KlaImport kla;
    ASSERT_EQ(ImportKlaFile(KlaFile(2, rows, 15.5, 2.5), 0.05, kla), KlaReadStatus::Ok);
    EXPECT_EQ(kla.Tpriv, 15.5);
    ASSERT_TRUE(kla.SpreadLimit);
    EXPECT_EQ(*kla.SpreadLimit, 0.025);
    EXPECT_EQ(kla.List.Item(0)->Temperature, 18.0);
    EXPECT_EQ(kla.List.Item(1)->Temperature, 21.0);
    EXPECT_EQ(kla.Data.Count, 2u);
}

TEST(KlaFile, RefusesDamagedContents) {
    const KlaRow row{1.0, 10.0, "0", "0,1", "0"};
    struct Case {
        const char* Name;
        Bytes File;
        double SpreadLimit;
        KlaReadStatus Status;
    };
    Bytes infinite = KlaFile(1, {row, row});
    const Ext inf = Extended(false, 0x7FFF, 0x8000000000000000);
    std::copy(inf.begin(), inf.end(), infinite.begin() + 160 + 12);
    Bytes badTpriv = KlaFile(2, {row}, 200.0, 5.0);
    Bytes zeroFlow = KlaFile(1, {row, KlaRow{0.0, 10.0, "0", "0,1", "0"}});
    std::vector<KlaRow> manyLines;
    for (int i = 0; i < 17; ++i)
        manyLines.push_back({1.0 + i, 10.0 + 10 * i, "0", std::to_string(i + 1), "0"});
    const Case cases[] = {
        {"an infinite frequency", infinite, 0.05, KlaReadStatus::BadReal},
        {"a reference temperature no water has", badTpriv, 0.05, KlaReadStatus::BadMeasurements},
        {"no spread limit", KlaFile(2, {row}, 20.0, 0.0), 0.05, KlaReadStatus::BadMeasurements},
        {"the document's spread limit for version 1", KlaFile(1, {row}), 0.0,
         KlaReadStatus::BadMeasurements},
        {"a zero flow", zeroFlow, 0.05, KlaReadStatus::BadMeasurements},
        {"seventeen lines", KlaFile(1, manyLines), 0.05, KlaReadStatus::TooManyLines},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        KlaImport kla;
        EXPECT_EQ(ImportKlaFile(c.File, c.SpreadLimit, kla), c.Status);
    }
    // Sixteen lines fit.
    manyLines.pop_back();
    KlaImport kla;
    ASSERT_EQ(ImportKlaFile(KlaFile(1, manyLines), 0.05, kla), KlaReadStatus::Ok);
    EXPECT_EQ(kla.Lines.LineCount, 16u);
}
