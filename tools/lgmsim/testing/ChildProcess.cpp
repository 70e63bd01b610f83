#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace lgmsim {

namespace {
void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}
} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    std::signal(SIGPIPE, SIG_IGN);
    int toChild[2];
    int fromChild[2];
    if (::pipe2(toChild, O_CLOEXEC) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe");
    }
    if (::pipe2(fromChild, O_CLOEXEC) != 0) {
        const int error = errno;
        ::close(toChild[0]);
        ::close(toChild[1]);
        throw std::system_error(error, std::generic_category(), "pipe");
    }
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        // Only async-signal-safe calls between fork and exec.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(toChild[0], STDIN_FILENO);
        ::dup2(fromChild[1], STDOUT_FILENO);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    const int error = errno;
    ::close(toChild[0]);
    ::close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
    if (pid_ < 0) {
        closeFd(input_);
        closeFd(output_);
        throw std::system_error(error, std::generic_category(), "fork");
    }
}

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::writeLine(std::string_view line) {
    std::string text(line);
    text += '\n';
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(input_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const auto newline = buffered_.find('\n'); newline != std::string::npos) {
            std::string line = buffered_.substr(0, newline);
            buffered_.erase(0, newline + 1);
            return line;
        }
        if (output_ < 0) {
            return std::nullopt;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{output_, POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return std::nullopt;
        }
        char chunk[4096];
        const ssize_t n = ::read(output_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            closeFd(output_);
            continue;
        }
        buffered_.append(chunk, static_cast<size_t>(n));
    }
}

int ChildProcess::stop() {
    if (status_) {
        return *status_;
    }
    closeFd(input_);
    closeFd(output_);
    if (pid_ <= 0) {
        status_ = 0;
        return 0;
    }
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    status_ = status;
    return status;
}

} // namespace lgmsim
