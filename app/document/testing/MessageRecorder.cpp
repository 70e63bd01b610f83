#include "document/testing/MessageRecorder.h"

#include <ostream>

MessageRecorder::MessageRecorder() : previous_(InstallMessageSink(this)) {}

MessageRecorder::~MessageRecorder() {
    InstallMessageSink(previous_);
}

void MessageRecorder::Answer(std::initializer_list<bool> answers) {
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

std::vector<std::string> MessageRecorder::Texts() const {
    std::vector<std::string> texts;
    for (const RecordedMessage& message : messages_)
        texts.push_back(message.Text);
    return texts;
}

RecordedMessage MessageRecorder::Single() const {
    if (messages_.size() == 1)
        return messages_.front();
    return {MessageKind::Info, "<" + std::to_string(messages_.size()) + " messages>"};
}

void MessageRecorder::Clear() {
    messages_.clear();
    answers_.clear();
    unscripted_ = 0;
}

void MessageRecorder::ShowError(std::string_view text) {
    messages_.push_back({MessageKind::Error, std::string(text)});
}

void MessageRecorder::ShowInfo(std::string_view text) {
    messages_.push_back({MessageKind::Info, std::string(text)});
}

bool MessageRecorder::AskYesNo(std::string_view text) {
    messages_.push_back({MessageKind::Question, std::string(text)});
    if (answers_.empty()) {
        ++unscripted_;
        return false;
    }
    const bool answer = answers_.front();
    answers_.pop_front();
    return answer;
}

void MessageRecorder::ShowExchangeError(std::string_view text) {
    messages_.push_back({MessageKind::ExchangeError, std::string(text)});
}

std::ostream& operator<<(std::ostream& out, MessageKind kind) {
    switch (kind) {
    case MessageKind::Error:
        return out << "Error";
    case MessageKind::Info:
        return out << "Info";
    case MessageKind::Question:
        return out << "Question";
    case MessageKind::ExchangeError:
        return out << "ExchangeError";
    }
    return out << static_cast<int>(kind);
}

std::ostream& operator<<(std::ostream& out, const RecordedMessage& message) {
    return out << message.Kind << " \"" << message.Text << '"';
}
