// The subcommands of lgmtool.
//
// Each subcommand lives in a file of its own that defines a Command and
// registers it once:
//
//     const CommandRegistration registration("show", [] { return std::make_unique<ShowCommand>();
//     });
//
// main adds every registered command to the command line, in name order, and
// runs the one the operator chose.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <map>
#include <memory>
#include <string>

// Exit statuses of the subcommands. Errors of the command line itself exit
// with CLI11's own statuses (above 100).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;

class Command {
public:
    virtual ~Command() = default;
    // Adds the subcommand and its options to app.
    virtual CLI::App* Setup(CLI::App& app) = 0;
    // Runs it after the command line was parsed; returns the exit status.
    virtual int Run() = 0;
};

using CommandFactory = std::function<std::unique_ptr<Command>()>;

// Every registered command, by name.
const std::map<std::string, CommandFactory>& RegisteredCommands();

struct CommandRegistration {
    CommandRegistration(const std::string& name, CommandFactory factory);
};
