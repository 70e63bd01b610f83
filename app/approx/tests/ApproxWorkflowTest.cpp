// The approximation workflow of the main window: running the modes with their
// refusals, replacing the data, recomputing, the checks before writing, and
// the approximation settings.
#include "approx/Approx.h"
#include "document/CalibrationDocument.h"
#include "document/testing/MessageRecorder.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr int kDu25 = 2; // a diameter with a standard flow sequence
constexpr double kSequence25[] = {0.15, 0.3, 0.5, 1.0, 7.5, 11.0, 15.0};

constexpr int kGkmsTi1 = 1;
constexpr int kLgmChi2Old = 17;
constexpr int kLgmChi1 = 18;
constexpr int kLgmT1 = 20;

constexpr const char* kNotStandard = "Характеристики массива измерений не соответствуют\n"
                                     "требованиям стандартного режима аппроксимации.\n"
                                     "Аппроксимация прервана";

MeasurementRecord Point(double F, double Q, double T = 20.0) {
    MeasurementRecord r = NewMeasurement();
    r.MeasuredFrequency = F;
    r.EtalonFlow = Q;
    r.Temperature = T;
    return r;
}

RecordedMessage Error(std::string text) {
    return {MessageKind::Error, std::move(text)};
}

class WorkflowTest : public testing::Test {
protected:
    void Add(std::initializer_list<MeasurementRecord> records) {
        for (const MeasurementRecord& r : records)
            doc.CalibrationList().Add(r);
    }
    // Two measurements per section at the given flows, 10 Hz per 1 m³/h,
    // listed from the highest flow down.
    void AddSections(std::initializer_list<double> flows) {
        for (auto q = std::rbegin(flows); q != std::rend(flows); ++q)
            Add({Point(*q * 10.0, *q), Point(*q * 10.02, *q * 1.002)});
    }
    void DefineStandard(int du, std::array<int32_t, 4> breaks = {1, 2, 3, 4}) {
        StdSect& entry = doc.StdSects()[du];
        entry.Flags = kStdSectDefined;
        entry.SpreadLimit = 0.03;
        entry.ErrorLimit = 0.015;
        entry.Tpriv = 22.5;
        entry.Breaks = breaks;
    }
    // The document's list, lines and data as bytes, to see that a refusal
    // changed nothing.
    std::vector<unsigned char> Bytes() {
        std::vector<unsigned char> bytes;
        const auto append = [&](const void* p, size_t n) {
            const auto* b = static_cast<const unsigned char*>(p);
            bytes.insert(bytes.end(), b, b + n);
        };
        const auto records = doc.CalibrationList().Records();
        append(records.data(), records.size_bytes());
        append(&doc.Params(), sizeof(MeterParams));
        append(&doc.ApproxData(), sizeof(ApproxDataList));
        return bytes;
    }

    MessageRecorder messages;
    CalibrationDocument doc;
};

TEST_F(WorkflowTest, AnEmptyListDoesNothing) {
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Empty);
    EXPECT_TRUE(messages.Empty());
    EXPECT_EQ(doc.Params().LineCount, 5u);
    EXPECT_FALSE(doc.HasUnsavedChanges());
}

TEST_F(WorkflowTest, StandardModeIsOnlyForTheTwoChiTypes) {
    doc.TypeComboChange(kLgmT1);
    doc.Settings().ApproxMethod = ApproxMode::Standard; // as a damaged state might hold it
    AddSections({1, 2});
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Refused);
    EXPECT_EQ(messages.Single(), Error("Стандартный режим аппроксимации доступен только для "
                                       "приборов типа ЛГМ-ЧИ1.xxx и ЛГМ-ЧИ2.xxx"));
}

TEST_F(WorkflowTest, StandardModeNeedsADiameterAndItsPartition) {
    AddSections({1, 2});
    const auto before = Bytes();
    doc.Settings().DuIndex = -1;
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Refused);
    EXPECT_EQ(messages.Single(), Error("Не выбрано Dу"));

    messages.Clear();
    doc.Settings().DuIndex = kDu25;
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Refused);
    EXPECT_EQ(messages.Single(), Error("Для выбранного Dу не определено стандартное разбиение"));
    EXPECT_EQ(doc.ApproxGroup().DeviationEdit.Text, "5.00");
    EXPECT_EQ(Bytes(), before);
}

TEST_F(WorkflowTest, StandardModeGivesFiveLinesOverTheSevenSections) {
    doc.DuComboChange(kDu25);
    DefineStandard(kDu25);
    AddSections({0.15, 0.3, 0.5, 1.0, 7.5, 11.0, 15.0});
    ASSERT_EQ(doc.ApproxBtnClick(), ApproxRun::Done);
    EXPECT_TRUE(messages.Empty()) << messages.Texts()[0];
    EXPECT_EQ(doc.Settings().SpreadLimit, 0.03);
    EXPECT_EQ(doc.ApproxGroup().ErrEdit.Text, "1.50");
    EXPECT_EQ(doc.ApproxGroup().TempEdit.Text, "22.5");

    const MeterParams& lines = doc.Params();
    ASSERT_EQ(lines.LineCount, 5u);
    ASSERT_EQ(doc.ApproxData().Count, 7u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(lines.Fmax[i], doc.ApproxData().Items[i + 1].F) << i;
    EXPECT_EQ(lines.Fmax[4], 1e200);
    EXPECT_EQ(doc.ApproxGroup().DiapTbl.Rows.size(), 7u);
    EXPECT_EQ(doc.ApproxGroup().ApproxTbl.Rows.size(), 5u);

    // Shown in reduced-frequency order with the standard breaks marked.
    const auto records = doc.CalibrationList().Records();
    int marks = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(records[i - 1].MeasuredFrequency, records[i].MeasuredFrequency);
        }
        marks += records[i].IsLinePoint();
    }
    EXPECT_EQ(marks, 4);
    EXPECT_TRUE(doc.HasUnsavedChanges());
}

TEST_F(WorkflowTest, StandardModeRefusesSectionsOffTheSequence) {
    doc.DuComboChange(kDu25);
    DefineStandard(kDu25);
    struct Case {
        const char* name;
        std::vector<double> flows;
    };
    const std::vector<Case> cases = {
        {"six sections", {0.15, 0.3, 0.5, 1.0, 7.5, 11.0}},
        {"eight sections", {0.15, 0.3, 0.5, 1.0, 7.5, 11.0, 15.0, 20.0}},
        // 0.5 + 65536 steps of 0.0001 m³/h.
        {"one flow off", {0.15, 0.3, 0.5 + 6.5537, 1.0 + 7, 7.5 + 8, 11.0 + 9, 15.0 + 10}},
    };
    for (const Case& c : cases) {
        doc.CalibrationList().Clear();
        for (double q : c.flows)
            Add({Point(q * 10.0, q)});
        doc.Settings().SpreadLimit = 0.05;
        messages.Clear();
        doc.Params().LineCount = 5;
        EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Refused) << c.name;
        EXPECT_EQ(messages.Single(), Error(kNotStandard)) << c.name;
        // The entry's limits are shown even though the check failed.
        EXPECT_EQ(doc.ApproxGroup().DeviationEdit.Text, "3.00");
        EXPECT_EQ(doc.Params().LineCount, 5u);
    }
}

TEST_F(WorkflowTest, AFailureAfterSectioningLeavesTheDocumentAsItWas) {
    doc.DuComboChange(kDu25);
    DefineStandard(kDu25, {1, 2, 3, 9}); // a break beyond the seven sections
    AddSections({0.15, 0.3, 0.5, 1.0, 7.5, 11.0, 15.0});
    const auto before = Bytes();
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Failed);
    EXPECT_EQ(messages.Single().Kind, MessageKind::Error);
    EXPECT_TRUE(messages.Single().Text.starts_with("Аппроксимация не выполнена.\n"));
    EXPECT_EQ(Bytes(), before);
}

TEST_F(WorkflowTest, AutomaticModeJoinsSectionsWhileTheErrorAllows) {
    doc.ApproxMethodComboChange(ApproxMode::Automatic);
    Add({Point(40, 4.4), Point(10, 1.0), Point(30, 3.0), Point(20, 2.0)});
    ASSERT_EQ(doc.ApproxBtnClick(), ApproxRun::Done);
    const MeterParams& lines = doc.Params();
    ASSERT_EQ(lines.LineCount, 2u);
    EXPECT_NEAR(lines.A[0], 0.1, 1e-12);
    EXPECT_NEAR(lines.A[1], 0.14, 1e-12);
    EXPECT_EQ(lines.Fmax[0], 30.0);
    EXPECT_EQ(doc.CalibrationList().Item(0)->MeasuredFrequency, 10.0);
    EXPECT_EQ(doc.Table().CellText(3, 9), "2"); // "№ прямой" of the 40 Hz record
}

TEST_F(WorkflowTest, TooFewSectionsIsReportedAndChangesNothing) {
    doc.ApproxMethodComboChange(ApproxMode::Automatic);
    Add({Point(10, 1.0), Point(10.1, 1.01)});
    doc.MarkSaved();
    const auto before = Bytes();
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Failed);
    EXPECT_EQ(messages.Single(),
              Error("Аппроксимация не выполнена.\nДля аппроксимации нужно не менее двух сечений"));
    EXPECT_EQ(Bytes(), before);
    EXPECT_FALSE(doc.HasUnsavedChanges());
}

TEST_F(WorkflowTest, AnUnusableMeasurementIsNamedByItsRow) {
    doc.ApproxMethodComboChange(ApproxMode::ManualByAll);
    Add({Point(10, 1.0), Point(0, 2.0), Point(30, 3.0)});
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Failed);
    EXPECT_TRUE(messages.Single().Text.ends_with(" (строка 2)")) << messages.Single().Text;
}

TEST_F(WorkflowTest, NoEnabledMeasurementIsReported) {
    doc.ApproxMethodComboChange(ApproxMode::ManualByMeans);
    MeasurementRecord off = Point(10, 1.0);
    off.Flags = RecordFlag::Disabled;
    Add({off});
    EXPECT_EQ(doc.ApproxBtnClick(), ApproxRun::Failed);
    EXPECT_EQ(messages.Single(),
              Error("Аппроксимация не выполнена.\nНет включенных измерений для аппроксимации"));
}

TEST_F(WorkflowTest, OneLineModelsOfTheOtherFamily) {
    doc.TypeComboChange(kGkmsTi1);
    doc.ApproxData().Count = 4;
    Add({Point(10, 1.25), Point(20, 2.42), Point(40, 4.9)});
    ASSERT_EQ(doc.ApproxBtnClick(), ApproxRun::Done);
    EXPECT_EQ(doc.Params().LineCount, 1u);
    EXPECT_NEAR(doc.Params().A[0], 0.120492, 1e-6);
    EXPECT_NEAR(doc.Params().B[0], 0.039807, 1e-6);
    EXPECT_EQ(doc.ApproxData().Count, 0u);
    EXPECT_EQ(doc.CalibrationList().Item(0)->EtalonFlow, 1.25); // order unchanged

    doc.ApproxKindComboChange(ApproxModel::Proportional);
    ASSERT_EQ(doc.ApproxBtnClick(), ApproxRun::Done);
    EXPECT_NEAR(doc.Params().A[0], 0.122789, 1e-6);
    EXPECT_EQ(doc.ApproxGroup().ApproxTbl.Rows[0][3], ""); // no B column for Q=af
}

TEST_F(WorkflowTest, ReplaceAppendsOneRecordPerSection) {
    EXPECT_EQ(doc.ReplaceBtnClick(), -1);
    EXPECT_EQ(messages.Single(), Error("Нет данных аппроксимации"));

    Add({Point(5, 0.5)});
    ApproxDataList& data = doc.ApproxData();
    data.Count = 7;
    for (uint32_t i = 0; i < 7; ++i)
        data.Items[i] = {0, i, 10.0 * (i + 1), 1.0 * (i + 1)};
    doc.Settings().Tpriv = 25.0;
    EXPECT_EQ(doc.ReplaceBtnClick(), 7);
    ASSERT_EQ(doc.CalibrationList().Count(), 8u);
    const MeasurementRecord& last = *doc.CalibrationList().Item(7);
    EXPECT_EQ(last.MeasuredFrequency, 70.0);
    EXPECT_EQ(last.EtalonFlow, 7.0);
    EXPECT_EQ(last.Temperature, 20.0);
    EXPECT_TRUE(doc.CalibrationList().Ordered());
}

TEST_F(WorkflowTest, RecomputeAppliesTheCharacteristicToEveryRecord) {
    Add({Point(15, 1.0), Point(100, 10.0)});
    doc.CalibrationList().Item(0)->LineA = 7.0;
    doc.RecomputeMeasurements();
    const MeasurementRecord& low = *doc.CalibrationList().Item(0);
    EXPECT_DOUBLE_EQ(low.MeasuredFlow, 1.8);
    EXPECT_EQ(low.Line, 1);
    EXPECT_DOUBLE_EQ(low.FlowDeviation, 0.8);
    EXPECT_EQ(low.LineA, 7.0); // the line's coefficients stay the approximation's
    EXPECT_EQ(doc.CalibrationList().Item(1)->Line, 4);
}

struct WriteCase {
    const char* name;
    int type;
    uint32_t lines;
    uint32_t items;
    bool onSequence;
    std::vector<bool> answers;
    std::vector<std::string> messages;
    WriteDecision decision;
};

constexpr const char* kEmptyData = "Список данных аппроксимации пуст. Продолжить и записать в "
                                   "прибор только коэффициенты аппроксимации?";
constexpr const char* kFewData = "В списке параметров аппроксимации менее 6 записей. Продолжить "
                                 "и записать в прибор только коэффициенты аппроксимации?";
constexpr const char* kManyData = "В списке данных аппроксимации более 6 записей. Продолжить и "
                                  "записать в прибор только первые 6 записей?";
constexpr const char* kBadData = "Параметры списка данных аппроксимации не соответствуют "
                                 "требуемым. Продолжить и записать в прибор только коэффициенты "
                                 "аппроксимации?";
constexpr const char* kTooMany = "Слишком много прямых аппроксимации";

class CheckBeforeWriteTest : public WorkflowTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(CheckBeforeWriteTest, AsksItsQuestionsInOrder) {
    const WriteCase& c = GetParam();
    doc.TypeComboChange(c.type);
    doc.DuComboChange(kDu25);
    doc.Params().LineCount = c.lines;
    for (uint32_t i = 0; i < c.lines; ++i)
        doc.Params().A[i] = 0.1;
    ApproxDataList& data = doc.ApproxData();
    data.Count = c.items;
    for (uint32_t i = 0; i < c.items && i < 7; ++i)
        data.Items[i].Q = c.onSequence ? kSequence25[i] : kSequence25[i] + 10.0;
    for (bool answer : c.answers)
        messages.Answer({answer});
    EXPECT_EQ(doc.CheckBeforeWrite(), c.decision);
    EXPECT_EQ(messages.Texts(), c.messages);
    EXPECT_TRUE(messages.AllAnswersUsed());
    EXPECT_EQ(messages.UnscriptedQuestions(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CheckBeforeWriteTest,
    testing::Values(
        WriteCase{"NoLines",
                  kLgmChi1,
                  0,
                  7,
                  true,
                  {},
                  {"Не выполнена аппроксимация"},
                  WriteDecision::Stop},
        WriteCase{"SixLinesChi1", kLgmChi1, 6, 7, true, {}, {kTooMany}, WriteDecision::Stop},
        WriteCase{
            "FiveLinesOtherLgm", kLgmChi2Old, 5, 0, true, {}, {kTooMany}, WriteDecision::Stop},
        WriteCase{
            "FourLinesOtherLgm", kLgmChi2Old, 4, 0, true, {}, {}, WriteDecision::CoefficientsOnly},
        WriteCase{
            "TwoLinesOneLineMeter", kGkmsTi1, 2, 0, true, {}, {kTooMany}, WriteDecision::Stop},
        WriteCase{"EmptyDataYes",
                  kLgmChi1,
                  5,
                  0,
                  true,
                  {true},
                  {kEmptyData},
                  WriteDecision::CoefficientsOnly},
        WriteCase{"EmptyDataNo", kLgmChi1, 5, 0, true, {false}, {kEmptyData}, WriteDecision::Stop},
        WriteCase{"FiveItemsYes",
                  kLgmChi1,
                  5,
                  5,
                  true,
                  {true},
                  {kFewData},
                  WriteDecision::CoefficientsOnly},
        WriteCase{
            "SixOnSequence", kLgmChi1, 5, 6, true, {}, {}, WriteDecision::CoefficientsAndData},
        WriteCase{"SevenOnSequenceYes",
                  kLgmChi1,
                  5,
                  7,
                  true,
                  {true},
                  {kManyData},
                  WriteDecision::CoefficientsAndData},
        WriteCase{"SevenNo", kLgmChi1, 5, 7, true, {false}, {kManyData}, WriteDecision::Stop},
        WriteCase{"SixOffSequenceYes",
                  kLgmChi1,
                  5,
                  6,
                  false,
                  {true},
                  {kBadData},
                  WriteDecision::CoefficientsOnly},
        WriteCase{
            "SixOffSequenceNo", kLgmChi1, 5, 6, false, {false}, {kBadData}, WriteDecision::Stop},
        WriteCase{"EightItems",
                  kLgmChi1,
                  5,
                  8,
                  true,
                  {true, true},
                  {kManyData, kBadData},
                  WriteDecision::CoefficientsOnly}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WorkflowTest, OneLineCoefficientsMustLieWithinTheMeterLimit) {
    doc.TypeComboChange(kGkmsTi1);
    doc.Params().LineCount = 1;
    static uint32_t askedDu;
    doc.SetCoefficientLimitSource([](int32_t, uint32_t du) {
        askedDu = du;
        return 3.6;
    });
    doc.DuComboChange(5);
    struct Case {
        double a, b;
        bool accepted;
    };
    for (const Case c : {Case{1.0, 0.5, true}, Case{3.6, 0.0, true}, Case{3.7, 0.0, false},
                         Case{0.0, 0.0, false}, Case{1.0, 3.7, false}, Case{3.0, 0.7, false},
                         Case{1.0, 1.5, false}, Case{1.0, -1.0, true}}) {
        doc.Params().A[0] = c.a;
        doc.Params().B[0] = c.b;
        messages.Clear();
        EXPECT_EQ(doc.CheckBeforeWrite(),
                  c.accepted ? WriteDecision::CoefficientsOnly : WriteDecision::Stop)
            << c.a << " " << c.b;
        if (!c.accepted) {
            EXPECT_EQ(messages.Single(), Error("Недопустимые значения коэффициентов A и B."));
        }
    }
    EXPECT_EQ(askedDu, 5u);
}

TEST_F(WorkflowTest, WithoutALimitSourceOneLineCoefficientsAreRefused) {
    doc.TypeComboChange(kGkmsTi1);
    doc.Params().LineCount = 1;
    doc.Params().A[0] = 0.1;
    EXPECT_EQ(doc.CheckBeforeWrite(), WriteDecision::Stop);
}

struct LimitCase {
    EditOutcome (CalibrationDocument::*commit)(std::string_view);
    const char* text;
    bool accepted;
    const char* shown;
};

class LimitEditTest : public WorkflowTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(LimitEditTest, AcceptsItsClosedRangeAndRestoresOtherwise) {
    const LimitCase& c = GetParam();
    const MeterSettings before = doc.Settings();
    const EditOutcome outcome = (doc.*c.commit)(c.text);
    EXPECT_EQ(outcome.Accepted, c.accepted) << c.text;
    EXPECT_EQ(outcome.Text, c.shown) << c.text;
    EXPECT_EQ(outcome.KeepFocus, !c.accepted);
    if (c.accepted) {
        EXPECT_TRUE(messages.Empty());
    } else {
        EXPECT_EQ(messages.Single().Text, outcome.Error);
        EXPECT_EQ(doc.Settings(), before);
    }
}

constexpr auto kDeviation = &CalibrationDocument::CommitDeviationEdit;
constexpr auto kErr = &CalibrationDocument::CommitErrEdit;
constexpr auto kTemp = &CalibrationDocument::CommitTempEdit;

INSTANTIATE_TEST_SUITE_P(
    Edits, LimitEditTest,
    testing::Values(
        LimitCase{kDeviation, "0,1", true, "0.10"}, LimitCase{kDeviation, "10", true, "10.00"},
        LimitCase{kDeviation, "0.09", false, "5.00"}, LimitCase{kDeviation, "10.01", false, "5.00"},
        LimitCase{kDeviation, "abc", false, "5.00"}, LimitCase{kDeviation, "", false, "5.00"},
        LimitCase{kErr, "2,5", true, "2.50"}, LimitCase{kErr, "0", false, "1.00"},
        LimitCase{kTemp, "5", true, "5.0"}, LimitCase{kTemp, "30", true, "30.0"},
        LimitCase{kTemp, "4.9", false, "20.0"}, LimitCase{kTemp, "30.01", false, "20.0"}));

TEST_F(WorkflowTest, LimitEditsStoreFractionsAndNameTheirErrors) {
    doc.CommitDeviationEdit("0,1");
    EXPECT_DOUBLE_EQ(doc.Settings().SpreadLimit, 0.001);
    doc.CommitDeviationEdit("x");
    doc.CommitErrEdit("x");
    doc.CommitTempEdit("x");
    EXPECT_EQ(messages.Texts(),
              (std::vector<std::string>{"Недопустимое значение максимального разброса",
                                        "Недопустимое значение максимального погрешности",
                                        "Недопустимое значение температуры приведения"}));
}

TEST_F(WorkflowTest, StandardModeChoiceNeedsTheCapabilityAndTakesTheEntry) {
    doc.TypeComboChange(kLgmChi2Old);
    const ComboOutcome refused = doc.ApproxMethodComboChange(ApproxMode::Standard);
    EXPECT_FALSE(refused.Accepted);
    EXPECT_EQ(refused.Selection, ApproxMode::Automatic);
    EXPECT_EQ(messages.Single(),
              Error("Выбранный прибор не имеет стандартного режима аппроксимации"));

    messages.Clear();
    doc.TypeComboChange(kLgmChi1);
    DefineStandard(0);
    EXPECT_TRUE(doc.ApproxMethodComboChange(ApproxMode::Standard).Accepted);
    EXPECT_EQ(doc.Settings().Tpriv, 22.5);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(WorkflowTest, DiameterChangeInStandardModeTakesTheNewEntry) {
    DefineStandard(kDu25);
    doc.DuComboChange(kDu25);
    EXPECT_EQ(doc.ApproxGroup().DeviationEdit.Text, "3.00");
    doc.DuComboChange(3); // undefined: the limits stay
    EXPECT_EQ(doc.ApproxGroup().DeviationEdit.Text, "3.00");
}

} // namespace
