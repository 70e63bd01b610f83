// lgmtool: the calibration document's file and approximation operations for
// scripts and batch work, over the same core as the program's windows.
#include "Command.h"
#include "ConsoleMessages.h"

#include <clocale>
#include <vector>

namespace {

std::map<std::string, CommandFactory>& Registry() {
    static std::map<std::string, CommandFactory> registry;
    return registry;
}

} // namespace

const std::map<std::string, CommandFactory>& RegisteredCommands() {
    return Registry();
}

CommandRegistration::CommandRegistration(const std::string& name, CommandFactory factory) {
    Registry().emplace(name, std::move(factory));
}

int main(int argc, char** argv) {
    // Numbers are read and written with '.', whatever the environment says.
    std::setlocale(LC_ALL, "C");

    CLI::App app{"Calibration files of ЛГМ and ГКМС flow meters: show, approximate, import, "
                 "export."};
    app.require_subcommand(1);
    bool yes = false;
    app.add_flag("--yes", yes, "Answer Yes to every question the operation asks");

    std::vector<std::pair<CLI::App*, std::unique_ptr<Command>>> commands;
    for (const auto& [name, factory] : RegisteredCommands()) {
        std::unique_ptr<Command> command = factory();
        CLI::App* sub = command->Setup(app);
        commands.emplace_back(sub, std::move(command));
    }
    CLI11_PARSE(app, argc, argv);

    ConsoleMessages& console = Console();
    console.SetAssumeYes(yes);
    const ScopedMessageSink sink(console);
    for (const auto& [sub, command] : commands)
        if (sub->parsed())
            return command->Run();
    return kExitFailed;
}
