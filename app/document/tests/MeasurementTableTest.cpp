// The measurement table: columns per configuration, cell texts and colours,
// typing with its recomputations, and the context menu.
#include "approx/Water.h"
#include "document/CalibrationDocument.h"
#include "document/testing/MessageRecorder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr int kGkmsTi1 = 1;

class TableTest : public testing::Test {
protected:
    MeasurementTable& table() { return doc.Table(); }

    // The column of a kind in the current configuration, or -1.
    int Column(ColumnKind kind) {
        const auto columns = table().Columns();
        for (size_t c = 0; c < columns.size(); ++c)
            if (columns[c].Kind == kind)
                return static_cast<int>(c);
        return -1;
    }
    std::string Text(int row, ColumnKind kind) { return table().CellText(row, Column(kind)); }
    void Type(int row, ColumnKind kind, const char* text) {
        ASSERT_TRUE(table().SetEditText(row, Column(kind), text)) << text;
    }
    std::vector<std::string> Headers() {
        std::vector<std::string> headers;
        for (const TableColumn& column : table().Columns())
            headers.emplace_back(column.Header);
        return headers;
    }
    MeasurementRecord& Record(int row) { return *doc.CurrentList().Item(row); }
    void AddRecords(int count) {
        for (int i = 0; i < count; ++i)
            doc.CurrentList().Add(NewMeasurement());
    }

    MessageRecorder messages;
    CalibrationDocument doc;
};

TEST_F(TableTest, ColumnsFollowModeMethodAndFamily) {
    EXPECT_EQ(Headers(), (std::vector<std::string>{"Tизм, °C", "Vэт, л", "tq, с", "N1, имп",
                                                   "t1, с", "Qэт, м3/час", "Fиэм, Гц", "бQ, %",
                                                   "№ сечения", "№ прямой"}));
    doc.TypeComboChange(kGkmsTi1);
    EXPECT_EQ(table().ColumnCount(), 8);
    EXPECT_EQ(Headers().back(), "бQ, %");
    doc.MethodMassItemClick();
    EXPECT_EQ(Headers().front(), "Mэт, кг");
    EXPECT_EQ(table().ColumnCount(), 9);

    doc.Params().LineCount = 1;
    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_EQ(Headers(), (std::vector<std::string>{"Mэт, кг", "Tизм, °C", "Vэт, л", "tq, с",
                                                   "N1, имп", "t1, с", "Qэт, м3/час", "Fиэм, Гц",
                                                   "бQ, %", "N2, имп", "Vизм, л", "бV, %"}));
    EXPECT_EQ(table().Configuration(), 3);
}

TEST_F(TableTest, OnlyTypedQuantitiesTakeTheCursor) {
    const auto editable = [&](ColumnKind kind) {
        const int column = Column(kind);
        return column >= 0 && table().CanSelectCell(column);
    };
    for (ColumnKind kind : {ColumnKind::EtalonFlow, ColumnKind::MeasuredFrequency,
                            ColumnKind::FlowDeviation, ColumnKind::Section, ColumnKind::Line})
        EXPECT_FALSE(editable(kind));
    EXPECT_TRUE(editable(ColumnKind::EtalonVolume));
    EXPECT_TRUE(editable(ColumnKind::Temperature));
    doc.MethodMassItemClick();
    EXPECT_TRUE(editable(ColumnKind::EtalonMass));
    EXPECT_FALSE(editable(ColumnKind::EtalonVolume));
    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_TRUE(editable(ColumnKind::ComparedPulses));
    EXPECT_FALSE(editable(ColumnKind::ComparedVolume));
    EXPECT_FALSE(table().CanSelectCell(99));
}

TEST_F(TableTest, AnEmptyListShowsOneRowThatStoresNothing) {
    EXPECT_EQ(table().RowCount(), 1);
    EXPECT_FALSE(table().HasRecord(0));
    EXPECT_FALSE(table().SetEditText(0, Column(ColumnKind::EtalonTime), "60"));
    EXPECT_EQ(table().Cell(0, 0).Text, "");
    EXPECT_FALSE(table().Cell(0, 0).HasRecord);
    EXPECT_EQ(table().EditText(0, 0), "");
    EXPECT_EQ(doc.CurrentList().Count(), 0u);
    EXPECT_FALSE(doc.HasUnsavedChanges());
}

TEST_F(TableTest, EditorStartsWithTheShownText) {
    AddRecords(1);
    EXPECT_EQ(table().EditText(0, Column(ColumnKind::Temperature)), "20.0");
}

TEST_F(TableTest, ReferenceTimeGivesTheFlowOnlyWhilePositive) {
    AddRecords(1);
    Type(0, ColumnKind::EtalonVolume, "100");
    Type(0, ColumnKind::EtalonTime, "6");
    Type(0, ColumnKind::EtalonTime, "60");
    EXPECT_EQ(Text(0, ColumnKind::EtalonFlow), "6.000000");
    // Deleting the text stores 0 and keeps the flow of the last positive time.
    Type(0, ColumnKind::EtalonTime, "");
    EXPECT_EQ(Record(0).EtalonTime, 0.0);
    EXPECT_EQ(Text(0, ColumnKind::EtalonFlow), "6.000000");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(TableTest, PulsesGiveFrequencyMeterFlowAndDeviation) {
    AddRecords(1);
    Record(0).EtalonFlow = 12.0;
    Type(0, ColumnKind::MeasuredTime, "10");
    Type(0, ColumnKind::MeasuredPulses, "1001");
    EXPECT_EQ(Text(0, ColumnKind::MeasuredFrequency), "100.000000");
    // The default characteristic: the last line, Q = 0.12·F at 20 °C.
    EXPECT_DOUBLE_EQ(Record(0).MeasuredFlow, 12.0);
    EXPECT_EQ(Record(0).Line, 4);
    EXPECT_EQ(Text(0, ColumnKind::Line), "5");
    EXPECT_EQ(Text(0, ColumnKind::FlowDeviation), "0.00");

    doc.Params().LineCount = 0; // no characteristic: no meter flow
    Type(0, ColumnKind::MeasuredPulses, "1001");
    EXPECT_EQ(Record(0).MeasuredFlow, 0.0);
    EXPECT_EQ(Text(0, ColumnKind::FlowDeviation), "-100.00");
}

TEST_F(TableTest, FewerThanTwoPulsesGiveNoNegativeFrequency) {
    AddRecords(1);
    Type(0, ColumnKind::MeasuredTime, "10");
    Type(0, ColumnKind::MeasuredPulses, "0");
    EXPECT_EQ(Record(0).MeasuredFrequency, 0.0);
}

TEST_F(TableTest, TemperatureRenewsTheVolumeOnlyInTheMassMethod) {
    AddRecords(1);
    Record(0).EtalonMass = 100.0;
    Record(0).EtalonVolume = 50.0;
    Type(0, ColumnKind::Temperature, "25");
    EXPECT_EQ(Record(0).Temperature, 25.0);
    EXPECT_EQ(Record(0).EtalonVolume, 50.0);
    doc.MethodMassItemClick();
    Type(0, ColumnKind::Temperature, "25");
    EXPECT_DOUBLE_EQ(Record(0).EtalonVolume, 100.0 / *WaterDensity(25.0, kAtmosphericPressure));
}

TEST_F(TableTest, MassGivesTheVolumeButNotTheFlow) {
    doc.MethodMassItemClick();
    AddRecords(1);
    Type(0, ColumnKind::EtalonTime, "60");
    Type(0, ColumnKind::EtalonMass, "100");
    const double volume = 100.0 / *WaterDensity(20.0, kAtmosphericPressure);
    EXPECT_DOUBLE_EQ(Record(0).EtalonVolume, volume);
    EXPECT_EQ(Record(0).EtalonFlow, 0.0); // the operator types the time after the mass
    Type(0, ColumnKind::EtalonTime, "60");
    EXPECT_DOUBLE_EQ(Record(0).EtalonFlow, 3.6 * volume / 60.0);
}

TEST_F(TableTest, NumbersAreReadUpToTheFirstCharacterThatIsNoPartOfThem) {
    AddRecords(1);
    Type(0, ColumnKind::MeasuredPulses, "12.7");
    EXPECT_EQ(Record(0).MeasuredPulses, 12);
    Type(0, ColumnKind::MeasuredTime, "1,5");
    EXPECT_EQ(Record(0).MeasuredTime, 1.0);
    Type(0, ColumnKind::EtalonVolume, "abc");
    EXPECT_EQ(Record(0).EtalonVolume, 0.0);
    Type(0, ColumnKind::EtalonVolume, "1e999");
    EXPECT_EQ(Record(0).EtalonVolume, 0.0);
}

TEST_F(TableTest, ComparedPulsesGiveTheCountedVolumeAndItsDeviation) {
    doc.WeightComboChange(2); // 0.001 m³ per pulse
    ASSERT_TRUE(doc.ModeTestItemClick());
    AddRecords(1);
    Record(0).EtalonVolume = 80.0;
    Type(0, ColumnKind::ComparedPulses, "100");
    EXPECT_EQ(Text(0, ColumnKind::ComparedVolume), "100.000");
    EXPECT_EQ(Text(0, ColumnKind::VolumeDeviation), "25.00");
    Record(0).EtalonVolume = 0.0; // no reference volume: no deviation rather than infinity
    Type(0, ColumnKind::ComparedPulses, "100");
    EXPECT_EQ(Record(0).VolumeDeviation, 0.0);
}

TEST_F(TableTest, PricedGkmsCountsWithEveryOtherPrice) {
    doc.TypeComboChange(kGkmsTi1);
    doc.Params().LineCount = 1;
    ASSERT_TRUE(doc.ModeTestItemClick());
    doc.WeightComboChange(2); // "0,01"
    AddRecords(1);
    Type(0, ColumnKind::ComparedPulses, "100");
    EXPECT_EQ(Record(0).ComparedVolume, 1000.0);
}

TEST_F(TableTest, TypingMovesOnlyTheDataRevisionAndMarksTheDocument) {
    AddRecords(1);
    const uint64_t layout = doc.TableLayoutRevision();
    const uint64_t data = doc.TableDataRevision();
    Type(0, ColumnKind::Temperature, "21");
    EXPECT_EQ(doc.TableLayoutRevision(), layout);
    EXPECT_NE(doc.TableDataRevision(), data);
    EXPECT_TRUE(doc.HasUnsavedChanges());
}

TEST_F(TableTest, RigInputMakesTheTableReadOnly) {
    AddRecords(1);
    doc.SetPortIndex(0);
    ASSERT_TRUE(doc.GetBkltItemClick());
    EXPECT_FALSE(table().Editable());
    EXPECT_FALSE(table().SetEditText(0, Column(ColumnKind::Temperature), "30"));
    EXPECT_EQ(Record(0).Temperature, 20.0);
    doc.RigWindowClosed();
    EXPECT_TRUE(table().Editable());
    EXPECT_EQ(doc.Settings().InputSource, 1);
}

TEST_F(TableTest, CellsShowMarksSwitchedOffRecordsAndErrorsBeyondTheLimit) {
    AddRecords(3);
    Record(0).Section = 2;
    Record(0).Flags = RecordFlag::LinePoint;
    Record(0).FlowDeviation = -0.012;
    Record(1).Flags = RecordFlag::Disabled;
    Record(1).Section = 3;
    Record(2).FlowDeviation = 0.01;

    EXPECT_EQ(Text(0, ColumnKind::Section), "3 *");
    const TableCell over = table().Cell(0, Column(ColumnKind::FlowDeviation));
    EXPECT_EQ(over.Text, "-1.20");
    EXPECT_EQ(over.TextColor, kOverLimitText);
    const TableCell atLimit = table().Cell(2, Column(ColumnKind::FlowDeviation));
    EXPECT_EQ(atLimit.Text, "1.00");
    EXPECT_EQ(atLimit.TextColor, kNormalText);
    EXPECT_EQ(table().Cell(1, Column(ColumnKind::FlowDeviation)).TextColor, kNormalText);

    EXPECT_EQ(Text(1, ColumnKind::Section), "");
    EXPECT_EQ(table().Cell(1, 0).Fill, kDisabledFill);
}

TEST_F(TableTest, RowsAreColouredByLineOrBySection) {
    AddRecords(3);
    Record(0).Line = 0;
    Record(1).Line = 4;
    Record(2).Line = 1;
    Record(0).Section = 0;
    Record(1).Section = 1;
    Record(2).Section = 1;
    EXPECT_EQ(table().Cell(0, 0).Fill, table().Cell(1, 0).Fill);
    EXPECT_EQ(table().Cell(2, 0).Fill, kRowFills[1]);
    EXPECT_TRUE(doc.Menus().ColorizeLines.Checked);

    table().ColorizeItemClick(kColorizeSectionsTag);
    EXPECT_EQ(table().Cell(0, 0).Fill, kRowFills[0]);
    EXPECT_EQ(table().Cell(1, 0).Fill, kRowFills[1]);
    EXPECT_TRUE(doc.Menus().ColorizeSections.Checked);
    EXPECT_FALSE(doc.Menus().ColorizeLines.Checked);
    EXPECT_FALSE(doc.HasUnsavedChanges());
}

TEST_F(TableTest, ContextMenuEnablingDependsOnTheRow) {
    AddRecords(3);
    TableMenuState header = table().ContextPopup(-1);
    EXPECT_EQ(table().SelectedRecord(), -1);
    EXPECT_FALSE(header.Remove);
    EXPECT_FALSE(header.Sort);
    EXPECT_TRUE(header.Mark); // enabled, but marks nothing
    EXPECT_TRUE(header.Add && header.OnOff);

    EXPECT_FALSE(table().ContextPopup(0).Mark); // the first record
    EXPECT_FALSE(table().ContextPopup(2).Mark); // the last record
    const TableMenuState middle = table().ContextPopup(1);
    EXPECT_EQ(table().SelectedRecord(), 1);
    EXPECT_TRUE(middle.Mark && middle.Remove && middle.Sort);

    doc.TypeComboChange(kGkmsTi1);
    EXPECT_FALSE(table().ContextPopup(1).Mark);
}

TEST_F(TableTest, SortingNeedsTwoRecords) {
    AddRecords(1);
    EXPECT_FALSE(table().ContextPopup(0).Sort);
}

TEST_F(TableTest, MarksToggleOnEnabledRecordsAndSwitchingOffClearsThem) {
    AddRecords(3);
    table().ContextPopup(1);
    table().LineItemClick();
    EXPECT_TRUE(Record(1).IsLinePoint());
    table().OnOffItemClick();
    EXPECT_FALSE(Record(1).IsEnabled());
    EXPECT_FALSE(Record(1).IsLinePoint());
    table().LineItemClick(); // nothing on a switched-off record
    EXPECT_FALSE(Record(1).IsLinePoint());
    table().OnOffItemClick();
    EXPECT_TRUE(Record(1).IsEnabled());
    EXPECT_FALSE(Record(1).IsLinePoint());

    table().ContextPopup(-1); // no record selected
    table().LineItemClick();
    table().OnOffItemClick();
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(Record(row).Flags, 0u);
}

TEST_F(TableTest, AddRemoveAndSortActOnTheCurrentList) {
    table().AddItemClick(); // allowed before any menu
    table().AddItemClick();
    ASSERT_EQ(doc.CurrentList().Count(), 2u);
    EXPECT_EQ(Record(1).Temperature, 20.0);
    Record(0).EtalonFlow = 2.0;
    Record(1).EtalonFlow = 1.0;

    table().RemItemClick(0); // the shortcut before the menu selected a record
    EXPECT_EQ(doc.CurrentList().Count(), 2u);

    table().ContextPopup(0);
    table().SortItemClick();
    EXPECT_EQ(Record(0).EtalonFlow, 1.0);

    const uint64_t layout = doc.TableLayoutRevision();
    table().RemItemClick(1); // the current row, not the selected record
    EXPECT_EQ(doc.CurrentList().Count(), 1u);
    EXPECT_EQ(Record(0).EtalonFlow, 1.0);
    EXPECT_NE(doc.TableLayoutRevision(), layout);
    table().RemItemClick(5); // beyond the list
    EXPECT_EQ(doc.CurrentList().Count(), 1u);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(TableTest, RemovalShortcutFollowsTheLastMenuEnabling) {
    AddRecords(2);
    table().ContextPopup(-1); // over the header: removal disabled
    table().RemItemClick(0);
    EXPECT_EQ(doc.CurrentList().Count(), 2u);
}

} // namespace
