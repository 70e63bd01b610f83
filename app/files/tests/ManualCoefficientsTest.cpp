#include "files/ManualCoefficients.h"

#include "document/Numbers.h"
#include "document/testing/MessageRecorder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr const char* kBadValue = "Неверное значение параметра";

LineTable ThreeLines() {
    LineTable lines{};
    lines.LineCount = 3;
    const double a[] = {0.1, 0.11, 0.12, 0.13, 0.14};
    const double f[] = {10.0, 20.0, 1e200, 40.0, 50.0};
    for (int i = 0; i < 5; ++i) {
        lines.A[i] = a[i];
        lines.B[i] = -0.01 * i;
        lines.Fmax[i] = f[i];
    }
    return lines;
}

// What the window's check boxes and edits show, row by row: C ticked box, c
// free box, - disabled box; then A, B and F as on (1) or off (0).
std::string Shape(const ManualCoefficients& window) {
    std::string shape;
    for (const ManualCoeffRow& row : window.Rows()) {
        shape += row.Checked ? 'C' : row.CheckEnabled ? 'c' : '-';
        shape += row.AEnabled ? '1' : '0';
        shape += row.BEnabled ? '1' : '0';
        shape += row.FEnabled ? '1' : '0';
        shape += ' ';
    }
    return shape;
}

// Texts typed for n lines: A, B of each and F between them.
ManualCoeffTexts Typed(std::initializer_list<const char*> a, std::initializer_list<const char*> b,
                       std::initializer_list<const char*> f) {
    ManualCoeffTexts t;
    std::copy(a.begin(), a.end(), t.A.begin());
    std::copy(b.begin(), b.end(), t.B.begin());
    std::copy(f.begin(), f.end(), t.F.begin());
    return t;
}

} // namespace

TEST(ManualCoefficients, OpensOnTheLineTable) {
    LineTable lines = ThreeLines();
    const ManualCoefficients window(5, true, lines);
    EXPECT_EQ(Shape(window), "C111 C111 C110 c000 c000 ");
    EXPECT_EQ(window.Texts().A[2], "0.120000");
    EXPECT_EQ(window.Texts().B[1], "-0.010000");
    EXPECT_EQ(window.Texts().F[0], "10.000");
    EXPECT_EQ(window.Texts().F[1], "20.000");
    EXPECT_EQ(window.Texts().F[2], "");
    EXPECT_EQ(window.Texts().A[3], "");

    const ManualCoefficients four(4, true, lines);
    EXPECT_EQ(Shape(four), "C111 C111 C110 c000 -000 ");
    const ManualCoefficients noB(1, false, lines);
    EXPECT_EQ(Shape(noB), "C101 C101 C100 -000 -000 ");
    EXPECT_EQ(noB.Texts().B[0], "");
}

TEST(ManualCoefficients, ClickingALineBoxShowsTheLinesUpToIt) {
    LineTable lines = ThreeLines();
    ManualCoefficients window(5, true, lines);
    ManualCoeffTexts typed = window.Texts();
    typed.A[0] = "0.5"; // typed, not applied

    window.LineCheckClick(5, true, typed);
    EXPECT_EQ(Shape(window), "C111 C111 C111 C111 C110 ");
    EXPECT_EQ(window.Texts().A[0], "0.5") << "an edit that stays enabled keeps its text";
    // F3 becomes enabled with what the table holds: the open end of line 3.
    EXPECT_EQ(window.Texts().F[2], FormatFixed(1e200, 3));
    EXPECT_EQ(window.Texts().A[4], "0.140000");

    window.LineCheckClick(2, false, window.Texts());
    EXPECT_EQ(Shape(window), "C110 c000 c000 c000 c000 ");
    EXPECT_EQ(window.Texts().A[1], "");
    EXPECT_EQ(window.Texts().A[0], "0.5");

    window.LineCheckClick(1, false, window.Texts());
    EXPECT_EQ(Shape(window), "c000 c000 c000 c000 c000 ");
    EXPECT_EQ(lines.LineCount, 3u) << "nothing applied yet";
}

TEST(ManualCoefficients, AppliesTheTickedLines) {
    LineTable lines = ThreeLines();
    ManualCoefficients window(5, true, lines);
    window.LineCheckClick(2, true, window.Texts());
    MessageRecorder messages;
    EXPECT_EQ(window.ApplyBtnClick(Typed({"0,12", "36"}, {"-36", "0,5"}, {"10,5"})), std::nullopt);
    EXPECT_TRUE(messages.Empty());
    EXPECT_EQ(lines.LineCount, 2u);
    EXPECT_EQ(lines.A[0], 0.12);
    EXPECT_EQ(lines.A[1], 36.0);
    EXPECT_EQ(lines.B[0], -36.0);
    EXPECT_EQ(lines.B[1], 0.5);
    EXPECT_EQ(lines.Fmax[0], 10.5);
    EXPECT_EQ(lines.Fmax[1], 1e200);
    EXPECT_EQ(window.Texts().A[0], "0.12") << "the comma is shown back as a point";
    EXPECT_EQ(window.Texts().F[0], "10.5");
}

TEST(ManualCoefficients, RefusesValuesOutsideTheirRanges) {
    struct Case {
        const char* Name;
        ManualCoeffTexts Typed;
        std::optional<ManualCoeffEdit> Bad;
    };
    const Case cases[] = {
        {"all at their limits", Typed({"0", "36", "0.1"}, {"-36", "36", "0"}, {"0.5", "0.525"}),
         std::nullopt},
        {"A above 36", Typed({"36.000001", "1", "1"}, {"0", "0", "0"}, {"10", "20"}),
         ManualCoeffEdit{ManualCoeffField::A, 1}},
        {"negative A", Typed({"1", "-0.1", "1"}, {"0", "0", "0"}, {"10", "20"}),
         ManualCoeffEdit{ManualCoeffField::A, 2}},
        {"B below -36", Typed({"1", "1", "1"}, {"0", "0", "-36.5"}, {"10", "20"}),
         ManualCoeffEdit{ManualCoeffField::B, 3}},
        {"F1 below 0.5", Typed({"1", "1", "1"}, {"0", "0", "0"}, {"0.49", "20"}),
         ManualCoeffEdit{ManualCoeffField::F, 1}},
        {"F2 less than 5 % above F1", Typed({"1", "1", "1"}, {"0", "0", "0"}, {"10", "10.4"}),
         ManualCoeffEdit{ManualCoeffField::F, 2}},
        {"F2 exactly 5 % above F1", Typed({"1", "1", "1"}, {"0", "0", "0"}, {"10", "10.5"}),
         std::nullopt},
        {"F above 1000", Typed({"1", "1", "1"}, {"0", "0", "0"}, {"10", "1000.1"}),
         ManualCoeffEdit{ManualCoeffField::F, 2}},
        {"an empty edit", Typed({"1", "", "1"}, {"0", "0", "0"}, {"10", "20"}),
         ManualCoeffEdit{ManualCoeffField::A, 2}},
        {"not a number", Typed({"1", "1", "1"}, {"0", "x", "0"}, {"10", "20"}),
         ManualCoeffEdit{ManualCoeffField::B, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        LineTable lines = ThreeLines();
        const LineTable before = lines;
        ManualCoefficients window(5, true, lines);
        MessageRecorder messages;
        EXPECT_EQ(window.ApplyBtnClick(c.Typed), c.Bad);
        if (c.Bad) {
            EXPECT_EQ(messages.Single(), (RecordedMessage{MessageKind::Error, kBadValue}));
            EXPECT_EQ(std::memcmp(&lines, &before, sizeof lines), 0) << "nothing stored";
        } else {
            EXPECT_TRUE(messages.Empty());
            EXPECT_EQ(lines.LineCount, 3u);
        }
    }
}

TEST(ManualCoefficients, WithoutBTheInterceptsAreZero) {
    LineTable lines = ThreeLines();
    ManualCoefficients window(1, false, lines);
    window.LineCheckClick(1, true, window.Texts());
    EXPECT_EQ(window.ApplyBtnClick(Typed({"0.2"}, {"not read"}, {})), std::nullopt);
    EXPECT_EQ(lines.LineCount, 1u);
    EXPECT_EQ(lines.B[0], 0.0);
    EXPECT_EQ(lines.Fmax[0], 1e200);
}

TEST(ManualCoefficients, NoTickedLineLeavesNoLine) {
    LineTable lines = ThreeLines();
    ManualCoefficients window(5, true, lines);
    window.LineCheckClick(1, false, window.Texts());
    EXPECT_EQ(window.ApplyBtnClick(window.Texts()), std::nullopt);
    EXPECT_EQ(lines.LineCount, 0u);
}
