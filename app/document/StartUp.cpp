#include "document/StartUp.h"

#include "ZorComBklt.h"
#include "ZorComGkms.h"
#include "ZorComLgm.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

// The protocol libraries that keep the exchange log's handle, each by its
// own setter.
using LogSetter = ZorFileHandle (*)(ZorFileHandle);
constexpr std::array<LogSetter, 3> kLogSetters{ZorComLgmSetLogFile, ZorComBkltSetLogFile,
                                               ZorComGkmsSetLogFile};

} // namespace

CommandLineOptions ParseCommandLine(std::span<const std::string_view> arguments) {
    CommandLineOptions options;
    for (const std::string_view argument : arguments) {
        if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
            continue;
        if (Upper(argument[1]) != 'L')
            continue;
        options.Log = true;
        options.FreshLog = argument.size() > 2 && Upper(argument[2]) == 'C';
    }
    return options;
}

CommandLineOptions ParseCommandLine(int argc, const char* const* argv) {
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i)
        if (argv[i])
            arguments.emplace_back(argv[i]);
    return ParseCommandLine(arguments);
}

void ShareExchangeLog(ZorFileHandle log) {
    for (const LogSetter setLogFile : kLogSetters)
        setLogFile(log);
}

ExchangeLog::ExchangeLog(const CommandLineOptions& options, const char* name) {
    if (options.Log)
        handle_ = ZorCreateLogA(name, options.FreshLog ? 0 : 1);
    ShareExchangeLog(handle_);
}

ExchangeLog::~ExchangeLog() {
    if (!IsOpen())
        return;
    // The libraries must not write into a descriptor that is closed and
    // perhaps reused.
    ShareExchangeLog(ZOR_INVALID_HANDLE);
    close(handle_);
}

std::string ProgramFolder() {
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<size_t>(length) >= path.size())
        return {};
    std::string folder(path.data(), static_cast<size_t>(length));
    folder.erase(folder.find_last_of('/') + 1);
    return folder;
}

std::string UserSettingsFolder() {
    const auto absolute = [](const char* path) { return path != nullptr && path[0] == '/'; };
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (absolute(config))
        return std::string(config) + "/lgmservice";
    const char* home = std::getenv("HOME");
    if (absolute(home))
        return std::string(home) + "/.config/lgmservice";
    return {};
}
