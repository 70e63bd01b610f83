// A program started by a test, talked to by lines over its standard input
// and output. Its standard error stays the test's, so what it reports
// shows in the test log.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace lgmsim {

class ChildProcess {
public:
    // Starts argv[0] (a path) with the arguments. The child is sent SIGTERM
    // if the test process dies first. Writing to a child that has ended
    // must not kill the test, so this ignores SIGPIPE in the test process.
    // Throws std::system_error.
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Writes line and a newline; false when the child no longer reads.
    bool writeLine(std::string_view line);

    // The next output line without its newline; empty on time-out or when
    // the output has ended.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout);

    // SIGTERM, then SIGKILL if it has not ended within two seconds; returns
    // the wait status (as waitpid gives it). Further calls return it again.
    int stop();

    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string buffered_;
    std::optional<int> status_;
};

} // namespace lgmsim
