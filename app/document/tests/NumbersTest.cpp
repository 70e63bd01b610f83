#include "document/Numbers.h"
#include "document/Messages.h"
#include "document/testing/MessageRecorder.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

struct RealCase {
    const char* text;
    std::optional<double> value;
};

class ReadRealTest : public testing::TestWithParam<RealCase> {};

TEST_P(ReadRealTest, ReadsLikeScanfWithAPoint) {
    EXPECT_EQ(ReadReal(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ReadRealTest,
                         testing::Values(RealCase{"60", 60.0}, RealCase{"  -2.5", -2.5},
                                         RealCase{"+7", 7.0}, RealCase{".5", 0.5},
                                         RealCase{"5.", 5.0}, RealCase{"1e3", 1000.0},
                                         RealCase{"1e", 1.0}, RealCase{"2E-1x", 0.2},
                                         // A comma ends the number; text after it is ignored.
                                         RealCase{"1,5", 1.0}, RealCase{"5 %", 5.0},
                                         RealCase{"12abc", 12.0}, RealCase{"-0", 0.0},
                                         // No number, or none a measurement could hold.
                                         RealCase{"", std::nullopt}, RealCase{"abc", std::nullopt},
                                         RealCase{",5", std::nullopt}, RealCase{"-", std::nullopt},
                                         RealCase{"+", std::nullopt}, RealCase{".", std::nullopt},
                                         RealCase{"inf", std::nullopt},
                                         RealCase{"nan", std::nullopt},
                                         RealCase{"1e400", std::nullopt}, RealCase{"0x10", 0.0}));

TEST(ReadIntTest, ReadsTheLeadingInteger) {
    EXPECT_EQ(ReadInt("1001"), 1001);
    EXPECT_EQ(ReadInt(" -3"), -3);
    EXPECT_EQ(ReadInt("+4"), 4);
    EXPECT_EQ(ReadInt("12.7"), 12);
    EXPECT_EQ(ReadInt("x1"), std::nullopt);
    EXPECT_EQ(ReadInt("+-1"), std::nullopt);
    EXPECT_EQ(ReadInt("2147483647"), 2147483647);
    EXPECT_EQ(ReadInt("2147483648"), std::nullopt);
    EXPECT_EQ(ReadInt64("99999999999"), 99999999999LL);
    EXPECT_EQ(ReadInt64("99999999999999999999"), std::nullopt);
}

TEST(FormatTest, FixedDecimalsWithAPoint) {
    EXPECT_EQ(FormatFixed(6.0, 6), "6.000000");
    EXPECT_EQ(FormatFixed(-1.2, 2), "-1.20");
    EXPECT_EQ(FormatFixed(0.125, 2), "0.12");             // to nearest, ties to even like printf
    EXPECT_TRUE(FormatFixed(1e200, 3).ends_with(".000")); // the open end of the last line
    EXPECT_EQ(FormatInteger(-42), "-42");
}

TEST(MessagesTest, RecorderSeesEveryKindAndAnswersFromItsScript) {
    MessageRecorder messages;
    messages.Answer({true});
    ShowError("e");
    ShowInfo("i");
    EXPECT_TRUE(AskYesNo("q1"));
    EXPECT_FALSE(AskYesNo("q2")); // beyond the script: No
    ShowExchangeError("x");
    ShowNotImplemented();
    const std::vector<RecordedMessage> expected = {
        {MessageKind::Error, "e"},         {MessageKind::Info, "i"},
        {MessageKind::Question, "q1"},     {MessageKind::Question, "q2"},
        {MessageKind::ExchangeError, "x"}, {MessageKind::Info, "Эта функция пока не реализована"}};
    EXPECT_EQ(messages.Messages(), expected);
    EXPECT_TRUE(messages.AllAnswersUsed());
    EXPECT_EQ(messages.UnscriptedQuestions(), 1);
}

TEST(MessagesTest, RecordersNestAndRestoreTheSinkBefore) {
    MessageRecorder outer;
    {
        MessageRecorder inner;
        ShowInfo("inner");
        EXPECT_EQ(inner.Single(), (RecordedMessage{MessageKind::Info, "inner"}));
    }
    ShowInfo("outer");
    EXPECT_EQ(outer.Texts(), std::vector<std::string>{"outer"});
}

TEST(MessagesTest, WithoutASinkQuestionsAreAnsweredNo) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(AskYesNo("Удалить все измерения?"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Вопрос: Удалить все измерения?\n");
}

TEST(MessagesTest, CommaToPointReplacesOnlyTheFirstComma) {
    EXPECT_EQ(CommaToPoint("0,1"), "0.1");
    EXPECT_EQ(CommaToPoint("1,2,3"), "1.2,3");
    EXPECT_EQ(CommaToPoint("7.5"), "7.5");
}

} // namespace
