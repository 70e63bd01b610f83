// The operator's message boxes: errors, information and yes/no questions.
//
// The core decides what to say; how it is shown belongs to the program that
// runs the core. The program installs a MessageSink once at start (the GUI a
// message-box sink, lgmtool a console sink, tests a MessageRecorder from
// document/testing); the free functions below pass every message to it.
// Without a sink, errors and information go to stderr and every question is
// answered No, so nothing is ever done without the operator's consent.
//
// All of this belongs to the user interface thread.
#pragma once

#include <string>
#include <string_view>

// Titles of the boxes.
inline constexpr const char* kErrorTitle = "Ошибка";
inline constexpr const char* kInfoTitle = "Сообщение";
inline constexpr const char* kQuestionTitle = "Вопрос";
inline constexpr const char* kExchangeErrorTitle = "Ошибка обмена";
// The application's own title (task bar).
inline constexpr const char* kApplicationTitle = "ЛГМ-Сервис";

// Receives the messages. Texts are UTF-8.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A modal error box titled kErrorTitle with an OK button.
    virtual void ShowError(std::string_view text) = 0;
    // A modal information box titled kInfoTitle with an OK button.
    virtual void ShowInfo(std::string_view text) = 0;
    // A modal question titled kQuestionTitle with Yes and No; true for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
    // A failed device exchange, titled kExchangeErrorTitle. By default shown
    // as an ordinary error.
    virtual void ShowExchangeError(std::string_view text) { ShowError(text); }
};

// Installs sink (null: the stderr default) and returns the one installed
// before. The sink must outlive its installation.
MessageSink* InstallMessageSink(MessageSink* sink);

// Installs a sink for the lifetime of the guard and restores the previous one.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(MessageSink& sink) : previous_(InstallMessageSink(&sink)) {}
    ~ScopedMessageSink() { InstallMessageSink(previous_); }
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink* previous_;
};

void ShowError(std::string_view text);
void ShowInfo(std::string_view text);
bool AskYesNo(std::string_view text);
void ShowExchangeError(std::string_view text);

// Shows the information "Эта функция пока не реализована".
void ShowNotImplemented();
inline constexpr const char* kNotImplementedText = "Эта функция пока не реализована";

// The text with its first ',' replaced by '.': number edits apply it before
// reading a real number, so "0,1" typed with a comma is taken as 0.1.
std::string CommaToPoint(std::string_view text);
