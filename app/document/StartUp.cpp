#include "document/StartUp.h"

CommandLineOptions ParseCommandLine(std::span<const std::string_view>) {
    return {};
}
CommandLineOptions ParseCommandLine(int, const char* const*) {
    return {};
}
void ShareExchangeLog(ZorFileHandle) {}
ExchangeLog::ExchangeLog(const CommandLineOptions&, const char*) {}
ExchangeLog::~ExchangeLog() = default;
std::string ProgramFolder() {
    return {};
}
