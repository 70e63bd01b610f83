#include "ConsoleMessages.h"

#include <iostream>

namespace {

// Texts of the core may span lines ("…\nОперация прервана"); on a console
// they read better on one.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    return line;
}

} // namespace

void ConsoleMessages::ShowError(std::string_view text) {
    std::cerr << kErrorTitle << ": " << OneLine(text) << std::endl;
}

void ConsoleMessages::ShowInfo(std::string_view text) {
    if (infoShown_)
        std::cout << OneLine(text) << std::endl;
}

bool ConsoleMessages::AskYesNo(std::string_view text) {
    std::cerr << kQuestionTitle << ": " << OneLine(text)
              << (assumeYes_ ? " — да (--yes)" : " — нет (ответ «да» даёт --yes)") << std::endl;
    return assumeYes_;
}

ConsoleMessages& Console() {
    static ConsoleMessages console;
    return console;
}

void ReportFailure(std::string_view text) {
    std::cerr << "lgmtool: " << text << std::endl;
}
