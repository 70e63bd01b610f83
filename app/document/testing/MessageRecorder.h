// A MessageSink for tests: records every message and answers questions from
// a script.
//
//     MessageRecorder messages;            // installs itself
//     messages.Answer({true, false});      // the next two questions: Yes, No
//     doc.FileNewItemClick();
//     EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Удалить все измерения?"}));
//     EXPECT_TRUE(messages.AllAnswersUsed());
//
// A question beyond the script is answered No and counted in
// UnscriptedQuestions(), so a test sees a flow that asked more than expected.
#pragma once

#include "document/Messages.h"

#include <deque>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

enum class MessageKind { Error, Info, Question, ExchangeError };

struct RecordedMessage {
    MessageKind Kind;
    std::string Text;
    bool operator==(const RecordedMessage&) const = default;
};

// For test failure output.
std::ostream& operator<<(std::ostream& out, MessageKind kind);
std::ostream& operator<<(std::ostream& out, const RecordedMessage& message);

class MessageRecorder : public MessageSink {
public:
    // Installs the recorder for its lifetime; restores the previous sink.
    MessageRecorder();
    ~MessageRecorder() override;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    // Appends answers for the coming questions, in order (true = Yes).
    void Answer(std::initializer_list<bool> answers);

    const std::vector<RecordedMessage>& Messages() const { return messages_; }
    // Just the texts, in order.
    std::vector<std::string> Texts() const;
    // The only message, or an empty error when there is not exactly one.
    RecordedMessage Single() const;
    bool Empty() const { return messages_.empty(); }
    void Clear();

    bool AllAnswersUsed() const { return answers_.empty(); }
    int UnscriptedQuestions() const { return unscripted_; }

    void ShowError(std::string_view text) override;
    void ShowInfo(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;
    void ShowExchangeError(std::string_view text) override;

private:
    MessageSink* previous_;
    std::vector<RecordedMessage> messages_;
    std::deque<bool> answers_;
    int unscripted_ = 0;
};
