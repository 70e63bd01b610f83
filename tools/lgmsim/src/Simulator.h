// The event loop: every port's sockets, the control commands on standard
// input, answer timing and the time limit, all on one thread.
#pragma once

#include "SimPort.h"

#include <memory>
#include <string>
#include <vector>

namespace lgmsim {

class Simulator {
public:
    Simulator(std::vector<std::unique_ptr<SimPort>> ports, Clock::duration timeLimit);

    // Runs until the time limit or "quit"; returns the exit status.
    int run();

    // Executes one control command; returns the answer line.
    std::string execute(std::string_view line);

private:
    void readControlInput();

    std::vector<std::unique_ptr<SimPort>> ports_;
    Clock::time_point stopAt_;
    bool stdinOpen_ = true;
    bool quit_ = false;
    std::string pendingInput_;
};

// Writes a whole line to standard output at once.
void say(std::string_view line);

} // namespace lgmsim
