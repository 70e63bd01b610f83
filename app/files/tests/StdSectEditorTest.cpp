#include "files/StdSectEditor.h"

#include "document/testing/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kInvalid = "Введено неверное/недопустимое значение";

StdSectTable TableWith50mm() {
    StdSectTable table{};
    StdSect& s = table[5];
    s.Flags = 0x0100 | 0x0004;
    s.ErrorLimit = 0.015;
    s.SpreadLimit = 0.04;
    s.Tpriv = 20.0;
    s.Breaks = {1, 2, 4, 5};
    return table;
}

} // namespace

TEST(StdSectEditor, ShowsTheFirstDiameterAndDefinedEntries) {
    StdSectTable table = TableWith50mm();
    StdSectEditor editor(table);
    EXPECT_EQ(editor.DuIndex(), 0);
    EXPECT_EQ(editor.Breaks(), kDefaultBreaks);

    EXPECT_EQ(editor.Show(5), (StdSectEdits{"4.00", "1.50", "20.00"}));
    EXPECT_EQ(editor.Breaks(), (StdSectBreaks{1, 2, 4, 5}));
    EXPECT_EQ(editor.Show(1), StdSectEdits{});
    EXPECT_EQ(editor.Breaks(), kDefaultBreaks);
    EXPECT_EQ(editor.Show(-1), StdSectEdits{});
    EXPECT_EQ(editor.DuIndex(), -1);
}

TEST(StdSectEditor, SavesOnlyValuesWithinTheLimits) {
    struct Case {
        const char* Name;
        StdSectEdits Typed; // h, δ, Tприв
        bool Saved;
    };
    const Case cases[] = {
        {"the smallest and largest accepted", {"0.01", "9.99", "0.51"}, true},
        {"commas", {"5,5", "1,25", "20,5"}, true},
        {"text after the number", {"5 %", "1", "20"}, true},
        {"empty edits", {"", "", ""}, false},
        {"δ = 10", {"5", "10", "20"}, false},
        {"h = 0", {"0", "1", "20"}, false},
        {"negative h", {"-1", "1", "20"}, false},
        {"Tприв = 0.5", {"5", "1", "0.5"}, false},
        {"Tприв = 30", {"5", "1", "30"}, false},
        {"not a number", {"5", "x", "20"}, false},
        {"infinity", {"5", "1", "inf"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        StdSectTable table{};
        StdSectEditor editor(table);
        editor.Show(2);
        MessageRecorder messages;
        bool saved = false;
        const StdSectEdits shown = editor.Save(c.Typed, &saved);
        EXPECT_EQ(saved, c.Saved);
        EXPECT_EQ(table[2].IsDefined(), c.Saved);
        if (c.Saved) {
            EXPECT_TRUE(messages.Empty());
        } else {
            EXPECT_EQ(messages.Single(), (RecordedMessage{MessageKind::Error, kInvalid}));
            EXPECT_EQ(shown.HMax, CommaToPoint(c.Typed.HMax));
        }
    }

    StdSectTable table{};
    StdSectEditor editor(table);
    editor.Show(2);
    EXPECT_EQ(editor.Save({"0.01", "9.99", "0.51"}), (StdSectEdits{"0.01", "9.99", "0.51"}));
    EXPECT_EQ(table[2].ErrorLimit, 0.0999);
    EXPECT_EQ(table[2].SpreadLimit, 0.0001);
    EXPECT_EQ(table[2].Tpriv, 0.51);
    EXPECT_EQ(table[2].Breaks, kDefaultBreaks);
    EXPECT_EQ(table[2].Flags, kStdSectDefined);

    // The commas are shown back as points.
    MessageRecorder messages;
    EXPECT_EQ(editor.Save({"1,5", "12,5", "20,0"}), (StdSectEdits{"1.5", "12.5", "20.0"}));
}

TEST(StdSectEditor, SaveNeedsADiameterAndKeepsTheOtherFlagBits) {
    StdSectTable table = TableWith50mm();
    StdSectEditor editor(table);
    editor.Show(-1);
    MessageRecorder messages;
    editor.Save({"5", "1", "20"});
    EXPECT_EQ(messages.Single(), (RecordedMessage{MessageKind::Error, kInvalid}));

    editor.Show(5);
    ASSERT_TRUE(editor.MouseDown(6));
    editor.MouseMove(5);
    editor.MouseUp();
    messages.Clear();
    EXPECT_EQ(editor.Save({"4", "1.5", "20"}), (StdSectEdits{"4.00", "1.50", "20.00"}));
    EXPECT_EQ(table[5].Breaks, (StdSectBreaks{1, 2, 3, 4}));
    EXPECT_EQ(table[5].Flags, 0x0104u);
}

TEST(StdSectEditor, DraggingMovesTheSectionThatIsNoBoundary) {
    struct Case {
        StdSectBreaks Saved;
        int Start;
        int Column;
        StdSectBreaks Result;
    };
    const Case cases[] = {
        {{1, 2, 3, 4}, 2, 3, {2, 3, 4, 5}}, // break 1 to the right
        {{1, 2, 3, 4}, 5, 6, {1, 2, 3, 5}}, // break 4 to the right
        {{1, 2, 3, 4}, 5, 7, {1, 2, 3, 5}}, // further: still one column
        {{1, 2, 3, 4}, 2, 1, {1, 2, 3, 4}}, // to the left: nothing
        {{1, 2, 3, 4}, 5, 4, {1, 2, 3, 4}},
        {{1, 2, 4, 5}, 6, 5, {1, 2, 3, 4}}, // break 5 to the left
        {{1, 2, 4, 5}, 5, 4, {1, 2, 3, 5}}, // break 4 to the left
        {{1, 2, 4, 5}, 3, 4, {1, 3, 4, 5}}, // break 2 to the right
        {{1, 2, 4, 5}, 2, 3, {2, 3, 4, 5}}, // break 1 to the right
        {{1, 2, 4, 5}, 3, 2, {1, 2, 4, 5}}, // break 2 to the left: no room
        {{1, 2, 4, 5}, 5, 5, {1, 2, 4, 5}}, // back at the start
        {{2, 3, 4, 5}, 6, 5, {1, 2, 3, 4}}, // all of them to the left
        {{2, 3, 4, 5}, 3, 2, {1, 3, 4, 5}}, // break 2 to the left
        {{2, 3, 4, 5}, 3, 4, {2, 3, 4, 5}}, // to the right: no room
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from column " << c.Start << " to " << c.Column);
        EXPECT_EQ(DraggedBreaks(c.Saved, c.Start, c.Column), c.Result);
    }
}

TEST(StdSectEditor, MouseGestures) {
    StdSectTable table{};
    StdSectEditor editor(table);
    EXPECT_TRUE(editor.IsBreakColumn(2));
    EXPECT_FALSE(editor.IsBreakColumn(6));
    EXPECT_FALSE(editor.MouseDown(6)) << "a press off the breaks does nothing";
    EXPECT_FALSE(editor.MouseMove(7));
    EXPECT_EQ(editor.Breaks(), kDefaultBreaks);

    ASSERT_TRUE(editor.MouseDown(2));
    EXPECT_TRUE(editor.Dragging());
    EXPECT_TRUE(editor.MouseMove(3));
    EXPECT_EQ(editor.Breaks(), (StdSectBreaks{2, 3, 4, 5}));
    EXPECT_TRUE(editor.MouseMove(2));
    EXPECT_EQ(editor.Breaks(), kDefaultBreaks) << "back at the start column";
    editor.MouseMove(4);
    editor.MouseUp();
    EXPECT_FALSE(editor.Dragging());
    EXPECT_EQ(editor.Breaks(), (StdSectBreaks{2, 3, 4, 5}));
    EXPECT_FALSE(table[0].IsDefined()) << "only Сохранить stores the breaks";
    // Showing the entry again discards the dragged breaks.
    editor.Show(0);
    EXPECT_EQ(editor.Breaks(), kDefaultBreaks);
}

TEST(StdSectEditor, GridCells) {
    StdSectTable table = TableWith50mm();
    StdSectEditor editor(table);
    editor.Show(5); // {1, 2, 4, 5}: lines Q1–Q2, Q2–Q3, Q3–Q5, Q5–Q6, Q6–Q7
    const char* expected[] = {
        "XX.....", // line 1
        ".XX....", "..XXX..", "....XX.", ".....XX",
    };
    for (int row = 1; row <= 5; ++row) {
        std::string cells;
        for (int column = 1; column <= 7; ++column)
            cells += editor.CellFilled(column, row) ? 'X' : '.';
        EXPECT_EQ(cells, expected[row - 1]) << "line " << row;
    }
    EXPECT_FALSE(editor.CellFilled(1, 0));
    EXPECT_FALSE(editor.CellFilled(0, 1));
}

TEST(StdSectEditor, BreaksFromADamagedFileAreHarmless) {
    StdSectTable table{};
    table[0].Flags = kStdSectDefined;
    table[0].Breaks = {INT32_MAX, INT32_MIN, 0, -5};
    StdSectEditor editor(table);
    EXPECT_FALSE(editor.IsBreakColumn(INT32_MIN));
    EXPECT_FALSE(editor.CellFilled(3, 2));
    EXPECT_FALSE(editor.MouseDown(0));
    EXPECT_EQ(DraggedBreaks(table[0].Breaks, 1, 0), table[0].Breaks);
}
