// The meter settings: start-up view, the handlers of the top row and the
// modes, with their refusals.
#include "document/CalibrationDocument.h"
#include "document/testing/MessageRecorder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr const char* kLocked =
    "В режиме поверки при непустом списке измерений данный параметр менять нельзя";
constexpr const char* kPrice = "Данная цена импульса недопустима для выбранного Ду";
constexpr const char* kTau = "Недопустимое значение длительности импульса";

// Type indexes of the type table.
constexpr int kGkmsT = 0;
constexpr int kGkmsTi1 = 1;
constexpr int kLgmChi2Old = 17;
constexpr int kLgmChi2 = 19;

class SettingsTest : public testing::Test {
protected:
    RecordedMessage Error(const char* text) { return {MessageKind::Error, text}; }
    // Puts the document into verification mode with `records` measurements.
    void Verify(int records) {
        ASSERT_TRUE(doc.ModeTestItemClick());
        for (int i = 0; i < records; ++i)
            doc.VerificationList().Add(NewMeasurement());
    }

    MessageRecorder messages;
    CalibrationDocument doc;
};

TEST_F(SettingsTest, StartUpShowsTheDefaultTopRow) {
    const TopRowState row = doc.TopRow();
    EXPECT_EQ(row.SerNoEdit.Text, "00000001");
    EXPECT_EQ(row.TypeCombo.Items.size(), 22u);
    EXPECT_EQ(row.TypeCombo.Items[row.TypeCombo.Selection], "ЛГМ-ЧИ2.xx-xxx");
    EXPECT_EQ(row.DuCombo.Items.size(), 12u);
    EXPECT_EQ(row.DuCombo.Items[row.DuCombo.Selection], "15");
    EXPECT_EQ(row.OutCombo.Items[row.OutCombo.Selection], "Импульсный Vp");
    EXPECT_EQ(row.ParamLab, "м3/имп. :");
    EXPECT_TRUE(row.WeightCombo.Visible);
    EXPECT_EQ(row.WeightCombo.Items.size(), 9u);
    EXPECT_EQ(row.WeightCombo.Items[row.WeightCombo.Selection], "0,0001");
    EXPECT_FALSE(row.PulsesEdit.Visible);
    EXPECT_EQ(row.PulsesEdit.Text, "1");
    EXPECT_EQ(row.TauEdit.Text, "1.000");
    EXPECT_TRUE(row.OutCombo.Enabled && row.TauEdit.Enabled && row.WeightCombo.Enabled);

    const ApproxGroupState approx = doc.ApproxGroup();
    EXPECT_EQ(approx.DeviationEdit.Text, "5.00");
    EXPECT_EQ(approx.ErrEdit.Text, "1.00");
    EXPECT_EQ(approx.TempEdit.Text, "20.0");
    EXPECT_EQ(approx.ApproxKindCombo.Items, std::vector<std::string>{"Кусочно-линейная Q=af+b"});
    EXPECT_EQ(approx.ApproxMethodCombo.Selection, 0);
    EXPECT_FALSE(approx.RdParamBtn.Enabled); // no port is linked yet
    EXPECT_FALSE(approx.WrParamBtn.Enabled);
    EXPECT_TRUE(messages.Empty());
    EXPECT_FALSE(doc.HasUnsavedChanges());
}

TEST_F(SettingsTest, PriceOutsideTheDiameterWindowMovesToTheNearestAllowed) {
    const ComboOutcome refused = doc.WeightComboChange(5); // "0,05" at Du 15
    EXPECT_FALSE(refused.Accepted);
    EXPECT_EQ(refused.Selection, 4); // "0,01"
    EXPECT_EQ(doc.Settings().WeightIndex, 4);
    EXPECT_EQ(messages.Single(), Error(kPrice));
    EXPECT_EQ(doc.Settings().PulseDuration, 1.0); // the refused price sets no duration

    messages.Clear();
    const ComboOutcome accepted = doc.WeightComboChange(2); // "0,001"
    EXPECT_TRUE(accepted.Accepted);
    EXPECT_EQ(doc.TopRow().TauEdit.Text, "2.000");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(SettingsTest, DiameterChangeKeepsThePriceInsideItsWindowAndResetsTheDuration) {
    doc.WeightComboChange(2); // 0,001 at Du 15, row 2
    doc.DuComboChange(5);     // 50 mm: window 2 … 6
    EXPECT_EQ(doc.Settings().WeightIndex, 2);
    EXPECT_EQ(doc.TopRow().TauEdit.Text, "1.000"); // row 0 default
    doc.DuComboChange(9);                          // 125 mm: window 4 … 8
    EXPECT_EQ(doc.Settings().WeightIndex, 4);      // 0,01
    EXPECT_EQ(doc.TopRow().TauEdit.Text, "1.000");
    EXPECT_TRUE(messages.Empty());
}

struct TauCase {
    int output;
    int weightIndex;
    const char* text;
    bool accepted;
    const char* shown;
};

class TauTest : public SettingsTest, public testing::WithParamInterface<TauCase> {};

TEST_P(TauTest, DurationLimitsFollowTheOutputAndThePrice) {
    const TauCase& c = GetParam();
    doc.OutComboChange(c.output);
    if (c.output == 0)
        doc.WeightComboChange(c.weightIndex);
    messages.Clear();
    const double before = doc.Settings().PulseDuration;
    const EditOutcome outcome = doc.TauEditCommit(c.text);
    EXPECT_EQ(outcome.Accepted, c.accepted);
    EXPECT_EQ(outcome.Text, c.shown);
    EXPECT_EQ(outcome.KeepFocus, !c.accepted);
    if (c.accepted) {
        EXPECT_TRUE(messages.Empty());
    } else {
        EXPECT_EQ(messages.Single(), Error(kTau));
        EXPECT_EQ(doc.Settings().PulseDuration, before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Durations, TauTest,
    testing::Values(TauCase{0, 0, "1.5", false, "1.000"}, // row 0: at most 1
                    TauCase{0, 0, "0", true, "0.000"}, TauCase{0, 0, "1", true, "1.000"},
                    TauCase{0, 4, "150", true, "150.000"}, TauCase{0, 4, "150.01", false, "80.000"},
                    TauCase{0, 4, "-1", false, "80.000"},
                    TauCase{1, 0, "0.1", false, "1.000"}, // frequency: 0.15 … 7.5
                    TauCase{1, 0, "7,5", true, "7.500"}, TauCase{1, 0, "0,15", true, "0.150"},
                    TauCase{1, 0, "7.51", false, "1.000"}, TauCase{1, 0, "", false, "1.000"},
                    TauCase{2, 0, "abc", false, "1.000"}));

TEST_F(SettingsTest, BackToThePulseOutputThePriceMovesIntoTheNewDiameterWindow) {
    doc.OutComboChange(1);
    doc.DuComboChange(9); // 125 mm on the frequency output: the price is not looked at
    EXPECT_EQ(doc.Settings().WeightIndex, 0);
    doc.OutComboChange(0);
    EXPECT_EQ(doc.Settings().WeightIndex, 4);
    EXPECT_EQ(doc.Settings().PulseDuration, 1.0);
    doc.FillParamsForWrite();
    EXPECT_EQ(doc.Params().WeightCode, 1u);
}

TEST_F(SettingsTest, SerialNumbersOutsideEightDigitsAreRefused) {
    for (const char* text : {"0", "100000000", "", "-5", "x"}) {
        messages.Clear();
        const EditOutcome outcome = doc.SerNoEditExit(text);
        EXPECT_FALSE(outcome.Accepted) << text;
        EXPECT_EQ(outcome.Text, "00000001");
        EXPECT_TRUE(outcome.KeepFocus);
        EXPECT_EQ(messages.Single(), Error("Недопустимое значение номера прибора"));
    }
    EXPECT_EQ(doc.SerNoEditExit("42").Text, "00000042");
    EXPECT_EQ(doc.SerNoEditExit("99999999").Text, "99999999");
    EXPECT_EQ(doc.Settings().SerNo, 99999999);
    EXPECT_TRUE(doc.HasUnsavedChanges());
}

TEST_F(SettingsTest, DivisionFactorIsAWholeNumberBelowAHundred) {
    EXPECT_EQ(doc.PulsesEditCommit("99").Text, "99");
    EXPECT_EQ(doc.PulsesEditCommit("0").Text, "0");
    EXPECT_EQ(doc.PulsesEditCommit("7 imp").Text, "7");
    EXPECT_TRUE(messages.Empty());
    for (const char* text : {"100", "abc", "", " 5", "-1", "12345678901234567890"}) {
        messages.Clear();
        const EditOutcome outcome = doc.PulsesEditCommit(text);
        EXPECT_FALSE(outcome.Accepted) << text;
        EXPECT_EQ(outcome.Text, "7");
        EXPECT_EQ(messages.Single(), Error("Недопустимое значение коэффициента деления"));
    }
    EXPECT_EQ(doc.Settings().DivisionFactor, 7.0);
}

TEST_F(SettingsTest, FrequencyOutputShowsTheDivisionFactorInsteadOfThePrice) {
    doc.OutComboChange(1);
    const TopRowState row = doc.TopRow();
    EXPECT_EQ(row.ParamLab, "Коэфф.n :");
    EXPECT_FALSE(row.WeightCombo.Visible);
    EXPECT_TRUE(row.PulsesEdit.Visible);
    EXPECT_EQ(doc.Settings().PulseDuration, 1.0);
}

TEST_F(SettingsTest, VerificationNeedsACharacteristicAndForAnLgmThePulseOutput) {
    doc.Params().LineCount = 0;
    EXPECT_FALSE(doc.ModeTestItemClick());
    EXPECT_EQ(messages.Single(),
              Error("Список коэффициентов аппроксимации пуст. Поверка невозможна"));
    EXPECT_EQ(doc.Settings().Mode, 0);

    doc.Params().LineCount = 1;
    doc.OutComboChange(1);
    messages.Clear();
    EXPECT_FALSE(doc.ModeTestItemClick());
    EXPECT_EQ(messages.Single(),
              Error("Для приборов ЛГМ поверка возможна только при импульсном выходе"));

    doc.OutComboChange(0);
    messages.Clear();
    EXPECT_TRUE(doc.ModeTestItemClick());
    EXPECT_TRUE(messages.Empty());
    EXPECT_FALSE(doc.ApproxGroup().ApproxBtn.Enabled);
    EXPECT_TRUE(doc.Menus().ModeTest.Checked);
    EXPECT_FALSE(doc.Menus().ModeGrad.Checked);
}

TEST_F(SettingsTest, ModesKeepTheirOwnLists) {
    doc.CalibrationList().Add(NewMeasurement());
    const uint64_t layout = doc.TableLayoutRevision();
    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_NE(doc.TableLayoutRevision(), layout);
    EXPECT_EQ(&doc.CurrentList(), &doc.VerificationList());
    EXPECT_EQ(doc.CurrentList().Count(), 0u);
    doc.ModeGradItemClick();
    EXPECT_EQ(&doc.CurrentList(), &doc.CalibrationList());
    EXPECT_EQ(doc.CurrentList().Count(), 1u);
}

struct LockCase {
    const char* name;
    ComboOutcome (CalibrationDocument::*change)(int);
    int choice;
    int MeterSettings::*field;
};

class LockTest : public SettingsTest, public testing::WithParamInterface<LockCase> {};

TEST_P(LockTest, VerificationWithMeasurementsLocksTheMeter) {
    const LockCase& c = GetParam();
    Verify(1);
    const int before = doc.Settings().*c.field;
    const ComboOutcome outcome = (doc.*c.change)(c.choice);
    EXPECT_FALSE(outcome.Accepted);
    EXPECT_EQ(outcome.Selection, before);
    EXPECT_EQ(doc.Settings().*c.field, before);
    EXPECT_EQ(messages.Single(), Error(kLocked));
}

TEST_P(LockTest, AnEmptyVerificationListDoesNotLock) {
    const LockCase& c = GetParam();
    Verify(0);
    const ComboOutcome outcome = (doc.*c.change)(c.choice);
    EXPECT_TRUE(outcome.Accepted);
    EXPECT_EQ(doc.Settings().*c.field, c.choice);
    EXPECT_TRUE(messages.Empty());
}

INSTANTIATE_TEST_SUITE_P(Selectors, LockTest,
                         testing::Values(LockCase{"Type", &CalibrationDocument::TypeComboChange,
                                                  kLgmChi2Old, &MeterSettings::DevType},
                                         LockCase{"Du", &CalibrationDocument::DuComboChange, 3,
                                                  &MeterSettings::DuIndex},
                                         LockCase{"Output", &CalibrationDocument::OutComboChange, 0,
                                                  &MeterSettings::OutputType},
                                         LockCase{"Price", &CalibrationDocument::WeightComboChange,
                                                  1, &MeterSettings::WeightIndex}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, VerificationAllowsOnlyThePulseOutput) {
    Verify(0);
    const ComboOutcome outcome = doc.OutComboChange(1);
    EXPECT_FALSE(outcome.Accepted);
    EXPECT_EQ(outcome.Selection, 0);
    EXPECT_EQ(messages.Single(), Error("В режиме поверки допустим только импульсный выход"));
}

TEST_F(SettingsTest, VerificationLockLeavesSerialNumberDurationAndFactorEditable) {
    Verify(1);
    EXPECT_TRUE(doc.SerNoEditExit("5").Accepted);
    EXPECT_TRUE(doc.TauEditCommit("0.5").Accepted);
    EXPECT_TRUE(doc.PulsesEditCommit("3").Accepted);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(SettingsTest, ChangingToAPricedGkmsTypeEmptiesTheCharacteristic) {
    doc.DuComboChange(5);
    doc.WeightComboChange(6); // "0,1"
    doc.ApproxData().Count = 3;
    MeasurementRecord r = NewMeasurement();
    r.Section = 2;
    r.Line = 1;
    doc.CalibrationList().Add(r);

    EXPECT_TRUE(doc.TypeComboChange(kGkmsTi1).Accepted);
    const TopRowState row = doc.TopRow();
    EXPECT_EQ(row.WeightCombo.Items,
              (std::vector<std::string>{"0,0001", "0,001", "0,01", "0,1", "1"}));
    EXPECT_EQ(row.WeightCombo.Selection, 0);
    EXPECT_EQ(doc.Settings().WeightIndex, 0);
    EXPECT_EQ(doc.Settings().OutputType, 0);
    EXPECT_FALSE(row.OutCombo.Enabled);
    EXPECT_FALSE(row.WeightCombo.Enabled); // priced ГКМС: only in verification
    EXPECT_EQ(doc.Params().LineCount, 0u);
    EXPECT_EQ(doc.ApproxData().Count, 0u);
    EXPECT_EQ(doc.CalibrationList().Item(0)->Section, 0);
    EXPECT_EQ(doc.CalibrationList().Item(0)->Line, 0);
    const ApproxGroupState approx = doc.ApproxGroup();
    EXPECT_EQ(approx.ApproxKindCombo.Items,
              (std::vector<std::string>{"Линейная Q=af+b", "Линейная Q=af"}));
    EXPECT_FALSE(approx.ApproxMethodCombo.Enabled);
    EXPECT_EQ(approx.ApproxTbl.Rows, (std::vector<std::vector<std::string>>{{"", "", "", ""}}));
    EXPECT_TRUE(messages.Empty());
}

TEST_F(SettingsTest, PricedGkmsTypeOffersItsPriceOnlyInVerification) {
    doc.TypeComboChange(kGkmsTi1);
    doc.Params().LineCount = 1;
    ASSERT_TRUE(doc.ModeTestItemClick());
    EXPECT_TRUE(doc.TopRow().WeightCombo.Enabled);
    doc.ModeGradItemClick();
    EXPECT_FALSE(doc.TopRow().WeightCombo.Enabled);
    EXPECT_TRUE(doc.WeightComboChange(4).Accepted); // every item of the five is allowed
    doc.TypeComboChange(kGkmsT);
    EXPECT_FALSE(doc.ApproxGroup().WrParamBtn.Enabled);
}

TEST_F(SettingsTest, MeterControlsFollowTheLinkAndTheFeatures) {
    doc.SetLinked(true);
    MenuState menus = doc.Menus();
    EXPECT_TRUE(doc.ApproxGroup().RdParamBtn.Enabled);
    EXPECT_TRUE(doc.ApproxGroup().WrParamBtn.Enabled);
    EXPECT_TRUE(menus.ServiceAdaptor.Enabled && menus.ServiceSupply.Enabled &&
                menus.TestOutput.Enabled && menus.ServiceTermo.Enabled && menus.Polarity.Enabled);
    EXPECT_FALSE(menus.Correction.Enabled);

    doc.TypeComboChange(kLgmChi2Old); // features 8: no thermo sensor, no polarity
    menus = doc.Menus();
    EXPECT_TRUE(menus.ServiceAdaptor.Enabled);
    EXPECT_FALSE(menus.ServiceTermo.Enabled);
    EXPECT_FALSE(menus.Polarity.Enabled);

    doc.TypeComboChange(kGkmsTi1);
    EXPECT_FALSE(doc.ApproxGroup().RdParamBtn.Enabled);
    EXPECT_TRUE(doc.ApproxGroup().WrParamBtn.Enabled);
    EXPECT_FALSE(doc.Menus().ServiceAdaptor.Enabled);
}

TEST_F(SettingsTest, AnLgmTypeWithoutTheStandardModeSwitchesToAutomatic) {
    ASSERT_EQ(doc.Settings().ApproxMethod, 0);
    doc.TypeComboChange(kLgmChi2Old);
    EXPECT_EQ(doc.Settings().ApproxMethod, 1);
    EXPECT_EQ(doc.ApproxGroup().ApproxMethodCombo.Selection, 1);
}

TEST_F(SettingsTest, LoadedSettingsKeepTheirDurationAndInvalidIndicesFallBack) {
    MeterSettings loaded;
    loaded.DevType = 99;
    loaded.DuIndex = 5;
    loaded.WeightIndex = 0; // below the 50 mm window 2 … 6
    loaded.PulseDuration = 5.5;
    loaded.ApproxMethod = -3;
    loaded.Mode = 1; // not stored in a file
    doc.ReplaceStoredSettings(loaded);
    EXPECT_EQ(doc.Settings().DevType, kLgmChi2);
    EXPECT_EQ(doc.Settings().WeightIndex, 2);
    EXPECT_EQ(doc.Settings().PulseDuration, 5.5);
    EXPECT_EQ(doc.Settings().ApproxMethod, 0);
    EXPECT_EQ(doc.Settings().Mode, 0);
    EXPECT_EQ(doc.Params().LineCount, 5u);
}

TEST_F(SettingsTest, TheTwoLargestDiametersAreShownWhenTheMeterHasThem) {
    doc.Params().DuIndex = 13;
    doc.Params().WeightCode = 5;
    doc.Params().PulseDuration = 75;
    doc.Params().DivisionFactor = 2;
    doc.TakeSettingsFromMeter(false);
    const TopRowState row = doc.TopRow();
    EXPECT_EQ(row.DuCombo.Items.size(), 14u);
    EXPECT_EQ(row.DuCombo.Items[row.DuCombo.Selection], "300");
    EXPECT_EQ(doc.Settings().WeightIndex, 8); // code 5 at shift 4
    EXPECT_EQ(row.TauEdit.Text, "75.000");
}

TEST_F(SettingsTest, MeterSettingsRoundTripThroughTheParameterRecord) {
    doc.DuComboChange(6); // 65 mm, shift 2
    doc.WeightComboChange(4);
    doc.PolarityItemClick(true);
    doc.FillParamsForWrite();
    EXPECT_EQ(doc.Params().WeightCode, 3u);
    EXPECT_EQ(doc.Params().DuIndex, 6u);
    EXPECT_EQ(doc.Params().Version, 2u);
    EXPECT_EQ(doc.Params().Flags & 2u, 2u);
    EXPECT_EQ(doc.Params().Hysteresis[15], 0.01);

    doc.Params().WeightCode = 0; // the meter works on its frequency output
    doc.Params().Flags = 0;
    doc.TakeSettingsFromMeter(true);
    EXPECT_EQ(doc.Settings().OutputType, 1);
    EXPECT_FALSE(doc.PolarityRevision01());
    EXPECT_TRUE(doc.Menus().Polarity00.Checked);
    EXPECT_EQ(doc.Params().Fmax[doc.Params().LineCount - 1], 1e200);
}

} // namespace
