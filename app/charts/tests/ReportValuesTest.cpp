// The report variables and how their values are written.
#include "charts/ReportValues.h"

#include <gtest/gtest.h>

namespace {

using Kind = ReportValue::Kind;

MeasurementRecord Row(double flow, bool disabled = false) {
    MeasurementRecord r = NewMeasurement();
    r.EtalonMass = 100.5;
    r.EtalonVolume = 100.25;
    r.Temperature = 18.5;
    r.EtalonTime = 60.0;
    r.EtalonFlow = flow;
    r.MeasuredPulses = 1001;
    r.MeasuredTime = 10.0;
    r.MeasuredFrequency = 100.0;
    r.MeasuredFlow = 5.95;
    r.FlowDeviation = -0.0042;
    r.ComparedPulses = 250;
    r.ComparedVolume = 99.5;
    r.VolumeDeviation = 0.0125;
    r.Section = 2;
    r.Line = 0;
    if (disabled)
        r.Flags |= RecordFlag::Disabled;
    return r;
}

class ReportValuesTest : public testing::Test {
protected:
    ReportValuesTest() {
        MeterSettings& s = doc.Settings();
        s.SerNo = 1234567;
        s.DuIndex = 5;
        s.Tpriv = 21.5;
        s.ApproxMethod = 2;
        MeterParams& lines = doc.Params();
        lines.LineCount = 3;
        for (int i = 0; i < 3; ++i) {
            lines.A[i] = 0.1 + i;
            lines.B[i] = -0.5 - i;
            lines.Fmax[i] = 10.0 * (i + 1);
        }
        lines.Fmax[2] = 1e200;
        doc.CalibrationList().Add(Row(6.0));
        doc.CalibrationList().Add(Row(7.0, true));
        doc.CalibrationList().Add(Row(8.0));
    }

    ReportValue Value(std::string_view name, std::optional<uint32_t> row = std::nullopt) const {
        return ReportVariables(doc, kNow).Value(name, row, {2, 5});
    }

    static constexpr std::time_t kNow = 1700000000;
    CalibrationDocument doc;
};

TEST_F(ReportValuesTest, DocumentVariables) {
    EXPECT_EQ(Value("ApproxDescr"), ReportValue::OfText("Ручной по средним"));
    EXPECT_EQ(Value("SerNo"), ReportValue::OfReal(1234567));
    EXPECT_EQ(Value("Du"), ReportValue::OfInteger(50));
    EXPECT_EQ(Value("DevType"), ReportValue::OfText("ЛГМ-ЧИ2.xx-xxx"));
    EXPECT_EQ(Value("Tpriv"), ReportValue::OfReal(21.5));
    EXPECT_EQ(Value("NumOfRecords"), ReportValue::OfInteger(2)); // enabled rows only
    EXPECT_EQ(Value("CurrentDate"), ReportValue::OfTime(kNow));
    EXPECT_EQ(Value("PAGE#"), ReportValue::OfInteger(2));
    EXPECT_EQ(Value("TOTALPAGES"), ReportValue::OfInteger(5));
}

TEST_F(ReportValuesTest, LineTableVariablesCoverTheLinesInUse) {
    // Three lines: A1 … A3, B1 … B3 and the two inner limits F1, F2.
    EXPECT_EQ(Value("A1"), ReportValue::OfReal(0.1));
    EXPECT_EQ(Value("A3"), ReportValue::OfReal(2.1));
    EXPECT_EQ(Value("B3"), ReportValue::OfReal(-2.5));
    EXPECT_EQ(Value("F1"), ReportValue::OfReal(10));
    EXPECT_EQ(Value("F2"), ReportValue::OfReal(20));
    for (const char* unused : {"A4", "A5", "B4", "B5", "F3", "F4", "A6", "F5", "A0", "C1"})
        EXPECT_EQ(Value(unused).Type, Kind::Blank) << unused;
}

TEST_F(ReportValuesTest, RowVariablesOfTheEnabledRows) {
    struct Case {
        const char* Name;
        ReportValue Expected;
    };
    const Case cases[] = {
        {"Line", ReportValue::OfInteger(1)},
        {"Section", ReportValue::OfInteger(3)},
        {"EtalonMass", ReportValue::OfReal(100.5)},
        {"EtalonVolume", ReportValue::OfReal(100.25)},
        {"Temperature", ReportValue::OfReal(18.5)},
        {"EtalonTime", ReportValue::OfReal(60)},
        {"EtalonFlow", ReportValue::OfReal(8)}, // row 1 is the third record
        {"MeasuredPulses", ReportValue::OfInteger(1001)},
        {"MeasuredTime", ReportValue::OfReal(10)},
        {"MeasuredFrequency", ReportValue::OfReal(100)},
        {"MeasuredFlow", ReportValue::OfReal(5.95)},
        {"ComparedPulses", ReportValue::OfInteger(250)},
        {"ComparedVolume", ReportValue::OfReal(99.5)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Value(c.Name, 1), c.Expected) << c.Name;
    EXPECT_DOUBLE_EQ(Value("FlowDeviation", 0).Real, -0.42);
    EXPECT_DOUBLE_EQ(Value("VolumeDeviation", 0).Real, 1.25);
    // Outside a row, or past the last one, a row variable has no value.
    EXPECT_EQ(Value("EtalonFlow").Type, Kind::Blank);
    EXPECT_EQ(Value("EtalonFlow", 2).Type, Kind::Blank);
    EXPECT_TRUE(ReportVariables(doc, kNow).RepDatasetCheckEOF(2));
}

TEST_F(ReportValuesTest, NamesMatchExactly) {
    for (const char* name : {"serno", "SERNO", "SerNo ", "", "page#", "Unknown", "etalonFlow"})
        EXPECT_EQ(Value(name, 0).Type, Kind::Blank) << name;
    EXPECT_EQ(FormatReportValue(Value("serno")), " ");
}

TEST_F(ReportValuesTest, VerificationReportsTheVerificationList) {
    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_EQ(Value("NumOfRecords"), ReportValue::OfInteger(0));
    doc.VerificationList().Add(Row(3.0, true));
    doc.VerificationList().Add(Row(4.0));
    EXPECT_EQ(Value("NumOfRecords"), ReportValue::OfInteger(1));
    EXPECT_EQ(Value("EtalonFlow", 0), ReportValue::OfReal(4));
}

TEST(ReportFormatTest, NumbersTakeTheFieldsFormat) {
    struct Case {
        ReportValue Value;
        const char* Format;
        const char* Text;
    };
    const Case cases[] = {
        {ReportValue::OfReal(-0.42), "%.2f", "-0.42"},
        {ReportValue::OfReal(-0.42), "", "-0.42"},
        {ReportValue::OfReal(1234567), "%08.0f", "01234567"},
        {ReportValue::OfReal(1234567), "%08d", "01234567"},
        {ReportValue::OfReal(2.5), "%d", "3"},
        {ReportValue::OfReal(0.1 + 0.2), "", "0.3"},
        {ReportValue::OfReal(1e200), "", "1e+200"},
        {ReportValue::OfReal(0.000123), "%.3e", "1.230e-04"},
        {ReportValue::OfReal(0.000123), "%G", "0.000123"},
        {ReportValue::OfReal(12.5), "%+7.2f", " +12.50"},
        {ReportValue::OfReal(12.5), "%-7.1f", "12.5   "},
        {ReportValue::OfReal(-3), "%05.1f", "-03.0"},
        {ReportValue::OfReal(3), "% .1f", " 3.0"},
        {ReportValue::OfInteger(7), "%.3f", "7.000"},
        {ReportValue::OfInteger(7), "%3d", "  7"},
        {ReportValue::OfInteger(-7), "", "-7"},
        {ReportValue::OfInteger(7), "%s", "7"}, // not a number format: none
        {ReportValue::OfText("ЛГМ"), "%.2f", "ЛГМ"},
        {ReportValue{}, "%.2f", " "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatReportValue(c.Value, c.Format), c.Text) << c.Format;
}

TEST(ReportFormatTest, OnlySingleBoundedNumberConversionsAreFormats) {
    for (const char* good : {"%d", "%i", "%f", "%.2f", "%-+ 012.10e", "%G", "%99.99f"})
        EXPECT_TRUE(IsNumberFormat(good)) << good;
    for (const char* bad :
         {"", "%", "%s", "%n", "%100f", "%.100f", "%.2f%%", "x%d", "%ld", "%*d", "%.2f ", "%#x"})
        EXPECT_FALSE(IsNumberFormat(bad)) << bad;
}

TEST(ReportFormatTest, DatesAreWrittenInLocalTime) {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_isdst = -1;
    EXPECT_EQ(FormatReportValue(ReportValue::OfTime(std::mktime(&t)), "%.2f"), "07.03.2024 09:05");
}

} // namespace
