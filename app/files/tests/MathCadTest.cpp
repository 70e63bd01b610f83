#include "files/MathCadFiles.h"

#include "FileTestSupport.h"

#include <gtest/gtest.h>

using namespace filetest;

TEST(MathCad, HeaderLines) {
    struct Case {
        const char* Line;
        std::optional<std::vector<int>> Columns;
    };
    const Case cases[] = {
        {"T_ Q_F_ dQ", std::vector<int>{1, 6, 7, 8}},
        {"T_ Q_ F_ dQ A_ B_ ", std::vector<int>{1, 6, 7, 8, 12, 13}},
        {"M_V_tqN1t1N2VmdV", std::vector<int>{0, 2, 3, 4, 5, 9, 10, 11}},
        {"", std::vector<int>{}},
        {"   ", std::vector<int>{}},
        {"T_ Q", std::vector<int>{1}}, // one character left is no code
        {"T_ q_", std::nullopt},       // codes are case-sensitive
        {"T_\tQ_", std::nullopt},      // only spaces separate
        {"XX", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Line);
        EXPECT_EQ(ParseMathCadHeader(c.Line), c.Columns);
    }
    EXPECT_EQ(MathCadHeaderPath("/data/run.1/m1.txt"), "/data/run.1/m1.hdr");
    EXPECT_EQ(MathCadHeaderPath("/data/run.1/m1"), "/data/run.1/m1.hdr");
}

TEST(MathCad, DataLines) {
    const std::vector<int> qft = {6, 7, 1}; // Q_, F_, T_
    struct Case {
        const char* Name;
        const char* Text;
        bool Ok;
        size_t Records;
    };
    const Case cases[] = {
        {"two values for three columns", "12.5 100\r\n", false, 0},
        {"an extra value is ignored", "12.5 100 20.5 7\r\n", true, 1},
        {"a line of titles is skipped", "Q F T\r\n12.5 100 20.5\r\n", true, 1},
        {"an empty line ends the data", "1 2 3\r\n\r\n4 5 6\r\n", true, 1},
        {"LF only, no line end at the end", "1 2 3\n4 5 6", true, 2},
        {"the rest of a token is skipped", "1abc 2;x 3\r\n", true, 1},
        {"a short line after good ones", "1 2 3\r\n4 5\r\n", false, 1},
        {"nothing", "", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TZorDataList list = ListOf({Record(9, 9)});
        EXPECT_EQ(ParseMathCadData(c.Text, qft, list), c.Ok);
        EXPECT_EQ(list.Count(), c.Records);
    }

    TZorDataList list;
    ASSERT_TRUE(ParseMathCadData("12.5 100 20.5 7\r\n", qft, list));
    const MeasurementRecord& r = *list.Item(0);
    EXPECT_EQ(r.EtalonFlow, 12.5);
    EXPECT_EQ(r.MeasuredFrequency, 100.0);
    EXPECT_EQ(r.Temperature, 20.5);
    EXPECT_EQ(r.LineA, 0.0);
}

TEST(MathCad, ScalesPercentAndTruncatesCounts) {
    const std::vector<int> columns = {4, 8, 9, 11}; // N1, dQ, N2, dV
    TZorDataList list;
    ASSERT_TRUE(ParseMathCadData("1001.9 1.23 -7.8 -0.5\r\n", columns, list));
    const MeasurementRecord& r = *list.Item(0);
    EXPECT_EQ(r.MeasuredPulses, 1001);
    EXPECT_DOUBLE_EQ(r.FlowDeviation, 0.0123);
    EXPECT_EQ(r.ComparedPulses, -7);
    EXPECT_DOUBLE_EQ(r.VolumeDeviation, -0.005);
    EXPECT_EQ(r.Temperature, 20.0) << "a new measurement's temperature";
    // A count no 32-bit field holds is a damaged file, not a wrapped number.
    EXPECT_FALSE(ParseMathCadData("3e9 0 0 0\r\n", columns, list));
}

TEST(MathCad, ExportWithTheInitialMask) {
    EXPECT_EQ(MathCadHeaderLine(kMathCadInitialMask), "T_ Q_ F_ dQ A_ B_ ");
    MeasurementRecord r = Record(1.5, 12.0, 20.0);
    r.FlowDeviation = 0.0123;
    r.LineA = 0.125;
    r.LineB = -0.01;
    r.Flags = RecordFlag::Disabled; // written all the same
    const TZorDataList list = ListOf({r, Record(2.0, 16.0, 21.5)});
    EXPECT_EQ(MathCadDataText(list, kMathCadInitialMask),
              "20.000000 1.500000 12.000000 1.230000 0.125000 -0.010000 \r\n"
              "21.500000 2.000000 16.000000 0.000000 0.000000 0.000000 \r\n");
    EXPECT_EQ(MathCadDataText(list, 1u << 4), "0 \r\n0 \r\n");
}

TEST(MathCad, ExportedFilesImportAgain) {
    TempDir dir;
    MeasurementRecord r = Record(1.5, 12.0, 20.0);
    r.FlowDeviation = 0.0123;
    r.MeasuredPulses = 1201;
    const TZorDataList list = ListOf({r, Record(2.0, 16.0, 21.5)});
    const uint32_t mask = kMathCadInitialMask | (1u << 4);
    WriteText(dir.Path("m.txt"), MathCadDataText(list, mask));
    WriteText(dir.Path("m.hdr"), MathCadHeaderLine(mask));
    TZorDataList read;
    ASSERT_TRUE(ImportMathCadFile(dir.Path("m.txt"), dir.Path("m.hdr"), read));
    ASSERT_EQ(read.Count(), 2u);
    EXPECT_EQ(read.Item(0)->MeasuredPulses, 1201);
    EXPECT_DOUBLE_EQ(read.Item(0)->FlowDeviation, 0.0123);
    EXPECT_EQ(read.Item(1)->Temperature, 21.5);
    EXPECT_TRUE(read.Ordered());

    // Without a header the data is Q_ and F_.
    WriteText(dir.Path("plain.txt"), "3.5 28\r\n");
    ASSERT_TRUE(ImportMathCadFile(dir.Path("plain.txt"), dir.Path("plain.hdr"), read));
    EXPECT_EQ(read.Item(0)->EtalonFlow, 3.5);
    EXPECT_EQ(read.Item(0)->MeasuredFrequency, 28.0);

    // An empty header names no column: every line is skipped.
    WriteText(dir.Path("plain.hdr"), "");
    ASSERT_TRUE(ImportMathCadFile(dir.Path("plain.txt"), dir.Path("plain.hdr"), read));
    EXPECT_EQ(read.Count(), 0u);

    WriteText(dir.Path("plain.hdr"), "Q_ ZZ");
    EXPECT_FALSE(ImportMathCadFile(dir.Path("plain.txt"), dir.Path("plain.hdr"), read));
    EXPECT_FALSE(ImportMathCadFile(dir.Path("none.txt"), dir.Path("none.hdr"), read));
}
