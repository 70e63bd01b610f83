#include "document/Messages.h"

#include <cstdio>

namespace {

// Without a program to show boxes the messages still reach someone, and no
// question is taken as consent.
class StderrSink final : public MessageSink {
public:
    void ShowError(std::string_view text) override { Print(kErrorTitle, text); }
    void ShowInfo(std::string_view text) override { Print(kInfoTitle, text); }
    bool AskYesNo(std::string_view text) override {
        Print(kQuestionTitle, text);
        return false;
    }
    void ShowExchangeError(std::string_view text) override { Print(kExchangeErrorTitle, text); }

private:
    static void Print(const char* title, std::string_view text) {
        std::fprintf(stderr, "%s: %.*s\n", title, static_cast<int>(text.size()), text.data());
    }
};

StderrSink defaultSink;
MessageSink* installed = nullptr;

MessageSink& Sink() {
    return installed ? *installed : defaultSink;
}

} // namespace

MessageSink* InstallMessageSink(MessageSink* sink) {
    MessageSink* previous = installed;
    installed = sink;
    return previous;
}

void ShowError(std::string_view text) {
    Sink().ShowError(text);
}

void ShowInfo(std::string_view text) {
    Sink().ShowInfo(text);
}

bool AskYesNo(std::string_view text) {
    return Sink().AskYesNo(text);
}

void ShowExchangeError(std::string_view text) {
    Sink().ShowExchangeError(text);
}

void ShowNotImplemented() {
    ShowInfo(kNotImplementedText);
}

std::string CommaToPoint(std::string_view text) {
    std::string result(text);
    if (const size_t comma = result.find(','); comma != std::string::npos)
        result[comma] = '.';
    return result;
}
