#include "Simulator.h"

#include <cerrno>
#include <charconv>
#include <poll.h>
#include <unistd.h>

namespace lgmsim {

namespace {

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> result;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            result.push_back(line.substr(start, i - start));
        }
    }
    return result;
}

bool parseHex(std::string_view text, std::vector<uint8_t>& bytes) {
    if (text.empty() || text.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        uint8_t byte = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, byte, 16);
        if (ec != std::errc() || end != text.data() + i + 2) {
            return false;
        }
        bytes.push_back(byte);
    }
    return true;
}

std::optional<ModemLine> modemLineOf(std::string_view name) {
    if (name == "cts") {
        return ModemLine::Cts;
    }
    if (name == "dsr") {
        return ModemLine::Dsr;
    }
    if (name == "ri") {
        return ModemLine::Ri;
    }
    if (name == "cd") {
        return ModemLine::Cd;
    }
    return std::nullopt;
}

constexpr std::string_view kUsage =
    "commands: fault N FAULT | clear N | set N dsr|cts|ri|cd 0|1 | send N HEX | drop N | "
    "state N | device N ARGS | quit";

} // namespace

void say(std::string_view line) {
    std::string text(line);
    text += '\n';
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return; // nobody reads any more; the time limit still ends us
        }
        done += static_cast<size_t>(n);
    }
}

Simulator::Simulator(std::vector<std::unique_ptr<SimPort>> ports, Clock::duration timeLimit)
    : ports_(std::move(ports)), stopAt_(Clock::now() + timeLimit) {}

int Simulator::run() {
    std::vector<pollfd> fds;
    while (!quit_) {
        const auto now = Clock::now();
        if (now >= stopAt_) {
            std::fprintf(stderr, "lgmsim: time limit reached\n");
            return 0;
        }
        auto wakeAt = stopAt_;
        for (const auto& port : ports_) {
            if (const auto due = port->nextDue(); due && *due < wakeAt) {
                wakeAt = *due;
            }
        }
        fds.clear();
        if (stdinOpen_) {
            fds.push_back({STDIN_FILENO, POLLIN, 0});
        }
        for (const auto& port : ports_) {
            fds.push_back({port->listenFd(), POLLIN, 0});
            if (port->clientFd() >= 0) {
                fds.push_back({port->clientFd(),
                               static_cast<short>(POLLIN | (port->wantsToWrite() ? POLLOUT : 0)),
                               0});
            }
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wakeAt - now).count();
        if (::poll(fds.data(), fds.size(), static_cast<int>(std::max<int64_t>(wait, 0))) < 0 &&
            errno != EINTR) {
            std::perror("lgmsim: poll");
            return 1;
        }
        for (const pollfd& fd : fds) {
            if (fd.revents == 0) {
                continue;
            }
            if (fd.fd == STDIN_FILENO) {
                readControlInput();
                continue;
            }
            for (const auto& port : ports_) {
                if (fd.fd == port->listenFd()) {
                    port->accept();
                } else if (fd.fd == port->clientFd()) {
                    if (fd.revents & POLLOUT) {
                        port->writable();
                    }
                    if (port->clientFd() == fd.fd && (fd.revents & (POLLIN | POLLHUP | POLLERR))) {
                        port->readable();
                    }
                }
            }
        }
        const auto later = Clock::now();
        for (const auto& port : ports_) {
            port->runDue(later);
            port->settle();
        }
    }
    return 0;
}

void Simulator::readControlInput() {
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) {
        return;
    }
    if (n <= 0) {
        stdinOpen_ = false; // no more commands; run on until the time limit
        return;
    }
    pendingInput_.append(chunk, static_cast<size_t>(n));
    size_t newline;
    while ((newline = pendingInput_.find('\n')) != std::string::npos) {
        std::string line = pendingInput_.substr(0, newline);
        pendingInput_.erase(0, newline + 1);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (words(line).empty()) {
            continue;
        }
        const std::string answer = execute(line);
        // The command's effect is on the wire before "ok" is: a test that
        // reads the answer can count on it.
        for (const auto& port : ports_) {
            port->runDue(Clock::now());
            port->settle();
        }
        say(answer);
    }
}

std::string Simulator::execute(std::string_view line) {
    const auto w = words(line);
    if (w.empty()) {
        return "error empty command";
    }
    const std::string_view name = w[0];
    if (name == "quit") {
        quit_ = true;
        return "ok";
    }
    if (w.size() < 2) {
        return "error " + std::string(kUsage);
    }
    size_t index = 0;
    const auto [end, ec] = std::from_chars(w[1].data(), w[1].data() + w[1].size(), index);
    if (ec != std::errc() || end != w[1].data() + w[1].size() || index >= ports_.size()) {
        return "error no device " + std::string(w[1]);
    }
    SimPort& port = *ports_[index];
    if (name == "fault" && w.size() == 3) {
        std::string error;
        const auto fault = parseFault(w[2], error);
        if (!fault) {
            return "error " + error;
        }
        port.faults().set(*fault);
        return "ok";
    }
    if (name == "clear" && w.size() == 2) {
        port.faults().clear();
        return "ok";
    }
    if (name == "set" && w.size() == 4) {
        const auto modemLine = modemLineOf(w[2]);
        if (!modemLine || (w[3] != "0" && w[3] != "1")) {
            return "error set N dsr|cts|ri|cd 0|1";
        }
        port.setLine(*modemLine, w[3] == "1");
        return "ok";
    }
    if (name == "send" && w.size() == 3) {
        std::vector<uint8_t> bytes;
        if (!parseHex(w[2], bytes)) {
            return "error bad hex bytes";
        }
        return port.sendUnsolicited(std::move(bytes)) ? "ok" : "error no client connected";
    }
    if (name == "drop" && w.size() == 2) {
        return port.dropClient() ? "ok" : "error no client connected";
    }
    if (name == "state" && w.size() == 2) {
        return "ok " + port.state();
    }
    if (name == "device" && w.size() >= 3) {
        const auto args = line.substr(static_cast<size_t>(w[2].data() - line.data()));
        try {
            const std::string answer = port.deviceCommand(args);
            return answer.empty() ? "ok" : "ok " + answer;
        } catch (const std::invalid_argument& e) {
            return std::string("error ") + e.what();
        }
    }
    return "error " + std::string(kUsage);
}

} // namespace lgmsim
