// The program's start: its command line, the exchange log it asks for and the
// folder the program's files are looked for in.
#pragma once

#include "ZorCommon.h"

#include <span>
#include <string>
#include <string_view>

// What the command line asks for. Every argument that starts with '/' or '-'
// is an option chosen by its next letter in either case: L logs the device
// exchanges to "lgmservice.log", appending; L followed by C starts the log
// anew. Other arguments and letters are ignored.
struct CommandLineOptions {
    bool Log = false;      // /L, /LC
    bool FreshLog = false; // /LC
    bool operator==(const CommandLineOptions&) const = default;
};

// The arguments after the program's name.
CommandLineOptions ParseCommandLine(std::span<const std::string_view> arguments);
// main's arguments, argv[0] being the program's name.
CommandLineOptions ParseCommandLine(int argc, const char* const* argv);

inline constexpr const char* kExchangeLogName = "lgmservice.log";

// Hands the log (or ZOR_INVALID_HANDLE) to every protocol library that keeps
// one, so the thread and the libraries write into the same file.
void ShareExchangeLog(ZorFileHandle log);

// The exchange log of a run. Opens name (relative: in the current directory)
// when the options ask for it, appending unless a fresh log was asked for,
// and shares it with the protocol libraries; a log that cannot be created
// simply is not written. The destructor withdraws the handle from the
// libraries and closes it.
class ExchangeLog {
public:
    explicit ExchangeLog(const CommandLineOptions& options, const char* name = kExchangeLogName);
    ~ExchangeLog();
    ExchangeLog(const ExchangeLog&) = delete;
    ExchangeLog& operator=(const ExchangeLog&) = delete;

    // The handle for the exchange thread; ZOR_INVALID_HANDLE when logging is off.
    ZorFileHandle Handle() const { return handle_; }
    bool IsOpen() const { return handle_ != ZOR_INVALID_HANDLE; }

private:
    ZorFileHandle handle_ = ZOR_INVALID_HANDLE;
};

// The folder of the running program's executable, with a trailing '/'; the
// standard sections file and the report templates live there. Empty when it
// cannot be found.
std::string ProgramFolder();

// The program's folder among the user's own settings, for what the program
// must keep but cannot write beside an executable installed for all users:
// $XDG_CONFIG_HOME/lgmservice, or $HOME/.config/lgmservice when that variable
// is unset or relative (relative ones are to be ignored). Empty when neither
// variable names an absolute path. The folder need not exist.
std::string UserSettingsFolder();
