// A local serial device through termios.
#include "PortBackend.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace nkcomport {

namespace {

struct SpeedEntry {
    uint32_t baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool speedOf(uint32_t baud, speed_t& speed) {
    for (const auto& entry : kSpeeds) {
        if (entry.baud == baud) {
            speed = entry.speed;
            return true;
        }
    }
    return false;
}

bool baudOf(speed_t speed, uint32_t& baud) {
    for (const auto& entry : kSpeeds) {
        if (entry.speed == speed) {
            baud = entry.baud;
            return true;
        }
    }
    return false;
}

constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};

// The line carries binary frames: no line discipline of any kind. Size,
// parity, stop bits and speed are left as they are.
void makeRaw(termios& t) {
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF |
                   IXANY | IUCLC | IMAXBEL);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~CRTSCTS;
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

// What the device must read back after a setting, or it did not take it.
constexpr tcflag_t kCheckedCflag = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;

struct LineLevels {
    std::optional<bool> rts;
    std::optional<bool> dtr;
};

class TermiosBackend final : public PortBackend {
public:
    explicit TermiosBackend(int fd) : fd_(fd) {}
    ~TermiosBackend() override {
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);
    }

    int32_t setConfig(const NkComPortConfig& config) override {
        termios t{};
        if (::tcgetattr(fd_, &t) != 0) {
            return NKCOMPORT_ERROR_GET_CONFIG;
        }
        LineLevels levels;
        if (!apply(config, t, levels)) {
            return NKCOMPORT_ERROR_SET_CONFIG;
        }
        if (::tcsetattr(fd_, TCSANOW, &t) != 0) {
            return NKCOMPORT_ERROR_SET_CONFIG;
        }
        // tcsetattr succeeds when any part was taken; read back to see the
        // whole was (a pseudo-terminal, for one, keeps only 8 bits, no parity).
        termios now{};
        if (::tcgetattr(fd_, &now) != 0 ||
            (now.c_cflag & kCheckedCflag) != (t.c_cflag & kCheckedCflag) ||
            (now.c_iflag & INPCK) != (t.c_iflag & INPCK) || cfgetospeed(&now) != cfgetospeed(&t) ||
            cfgetispeed(&now) != cfgetispeed(&t)) {
            return NKCOMPORT_ERROR_SET_CONFIG;
        }
        if (setControlLines(levels.rts, levels.dtr) != NKCOMPORT_OK) {
            return NKCOMPORT_ERROR_SET_CONFIG;
        }
        return NKCOMPORT_OK;
    }

    int32_t getConfig(NkComPortConfig& config) override {
        termios t{};
        if (::tcgetattr(fd_, &t) != 0) {
            return NKCOMPORT_ERROR_GET_CONFIG;
        }
        const uint32_t mask = config.Mask;
        if ((mask & NKCOMPORT_CFG_BAUDRATE) && !baudOf(cfgetospeed(&t), config.BaudRate)) {
            return NKCOMPORT_ERROR_GET_CONFIG;
        }
        if (mask & NKCOMPORT_CFG_DATABITS) {
            for (uint8_t bits = 5; bits <= 8; ++bits) {
                if ((t.c_cflag & CSIZE) == kSizes[bits - 5]) {
                    config.DataBits = bits;
                }
            }
        }
        if (mask & NKCOMPORT_CFG_STOPBITS) {
            config.StopBits = (t.c_cflag & CSTOPB) ? NKCOMPORT_STOPBITS_2 : NKCOMPORT_STOPBITS_1;
        }
        if (mask & NKCOMPORT_CFG_PARITYCHECK) {
            config.ParityCheck = (t.c_iflag & INPCK) ? 1 : 0;
        }
        if (mask & NKCOMPORT_CFG_PARITY) {
            config.Parity = parityOf(t.c_cflag);
        }
        if (mask & (NKCOMPORT_CFG_RTSCONTROL | NKCOMPORT_CFG_DTRCONTROL)) {
            int lines = 0;
            const bool handshake = (t.c_cflag & CRTSCTS) != 0;
            const bool needLevels = (mask & NKCOMPORT_CFG_DTRCONTROL) || !handshake;
            if (needLevels && ::ioctl(fd_, TIOCMGET, &lines) != 0) {
                return NKCOMPORT_ERROR_GET_CONFIG;
            }
            if (mask & NKCOMPORT_CFG_RTSCONTROL) {
                config.RtsControl =
                    handshake ? NKCOMPORT_LINE_HANDSHAKE
                              : ((lines & TIOCM_RTS) ? NKCOMPORT_LINE_ON : NKCOMPORT_LINE_OFF);
            }
            if (mask & NKCOMPORT_CFG_DTRCONTROL) {
                config.DtrControl = (lines & TIOCM_DTR) ? NKCOMPORT_LINE_ON : NKCOMPORT_LINE_OFF;
            }
        }
        return NKCOMPORT_OK;
    }

    int32_t read(std::span<uint8_t> buffer, const WaitContext& wait) override {
        size_t got = 0;
        for (;;) {
            const ssize_t n = ::read(fd_, buffer.data() + got, buffer.size() - got);
            if (n > 0) {
                got += static_cast<size_t>(n);
                if (got == buffer.size()) {
                    return NKCOMPORT_OK;
                }
                continue;
            }
            if (n == 0) {
                return NKCOMPORT_ERROR_READ; // hung up: the device is gone
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EAGAIN) {
                return NKCOMPORT_ERROR_READ;
            }
            switch (waitFor(fd_, POLLIN, wait)) {
            case WaitOutcome::Ready:
                break;
            case WaitOutcome::TimedOut:
                return NKCOMPORT_ERROR_READ_TIMEOUT;
            case WaitOutcome::Aborted:
                return NKCOMPORT_ERROR_READ_ABORTED;
            case WaitOutcome::Failed:
                return NKCOMPORT_ERROR_READ;
            }
        }
    }

    int32_t write(std::span<const uint8_t> bytes, const WaitContext& wait) override {
        size_t sent = 0;
        for (;;) {
            const ssize_t n = ::write(fd_, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                if (sent == bytes.size()) {
                    return NKCOMPORT_OK;
                }
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN) {
                return NKCOMPORT_ERROR_WRITE;
            }
            switch (waitFor(fd_, POLLOUT, wait)) {
            case WaitOutcome::Ready:
                break;
            case WaitOutcome::TimedOut:
                return NKCOMPORT_ERROR_WRITE_TIMEOUT;
            case WaitOutcome::Aborted:
                return NKCOMPORT_ERROR_WRITE_ABORTED;
            case WaitOutcome::Failed:
                return NKCOMPORT_ERROR_WRITE;
            }
        }
    }

    int32_t purge(bool input, bool output) override {
        const int queue = input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH);
        return ::tcflush(fd_, queue) == 0 ? NKCOMPORT_OK : NKCOMPORT_ERROR_PURGE;
    }

    int32_t setControlLines(std::optional<bool> rts, std::optional<bool> dtr) override {
        if (rts && !setLine(TIOCM_RTS, *rts)) {
            return NKCOMPORT_ERROR_SET_CONTROL;
        }
        if (dtr && !setLine(TIOCM_DTR, *dtr)) {
            return NKCOMPORT_ERROR_SET_CONTROL;
        }
        return NKCOMPORT_OK;
    }

    int32_t modemStatus(uint32_t& status) override {
        int lines = 0;
        if (::ioctl(fd_, TIOCMGET, &lines) != 0) {
            return NKCOMPORT_ERROR_GET_CONTROL;
        }
        constexpr std::pair<int, uint32_t> kBits[] = {{TIOCM_CTS, NKCOMPORT_MODEM_CTS},
                                                      {TIOCM_DSR, NKCOMPORT_MODEM_DSR},
                                                      {TIOCM_RNG, NKCOMPORT_MODEM_RI},
                                                      {TIOCM_CAR, NKCOMPORT_MODEM_DCD}};
        status = 0;
        for (const auto& [line, bit] : kBits) {
            if (lines & line) {
                status |= bit;
            }
        }
        return NKCOMPORT_OK;
    }

    int32_t queueCounts(uint32_t& input, uint32_t& output) override {
        int in = 0;
        int out = 0;
        if (::ioctl(fd_, FIONREAD, &in) != 0 || ::ioctl(fd_, TIOCOUTQ, &out) != 0) {
            return NKCOMPORT_ERROR_QUEUE;
        }
        input = static_cast<uint32_t>(in);
        output = static_cast<uint32_t>(out);
        return NKCOMPORT_OK;
    }

private:
    // Checks every requested value before the device is touched.
    static bool apply(const NkComPortConfig& config, termios& t, LineLevels& levels) {
        const uint32_t mask = config.Mask;
        if (mask & NKCOMPORT_CFG_RAW) {
            makeRaw(t);
        }
        if (mask & NKCOMPORT_CFG_BAUDRATE) {
            speed_t speed;
            if (!speedOf(config.BaudRate, speed)) {
                return false;
            }
            cfsetispeed(&t, speed);
            cfsetospeed(&t, speed);
        }
        if (mask & NKCOMPORT_CFG_DATABITS) {
            if (config.DataBits < 5 || config.DataBits > 8) {
                return false;
            }
            t.c_cflag = (t.c_cflag & ~CSIZE) | kSizes[config.DataBits - 5];
        }
        if (mask & NKCOMPORT_CFG_STOPBITS) {
            if (config.StopBits == NKCOMPORT_STOPBITS_1) {
                t.c_cflag &= ~CSTOPB;
            } else if (config.StopBits == NKCOMPORT_STOPBITS_2) {
                t.c_cflag |= CSTOPB;
            } else {
                return false; // termios has no 1.5 stop bits
            }
        }
        if (mask & NKCOMPORT_CFG_PARITYCHECK) {
            t.c_iflag = config.ParityCheck ? (t.c_iflag | INPCK) : (t.c_iflag & ~INPCK);
        }
        if ((mask & NKCOMPORT_CFG_PARITY) && !applyParity(config.Parity, t)) {
            return false;
        }
        if (mask & NKCOMPORT_CFG_RTSCONTROL) {
            switch (config.RtsControl) {
            case NKCOMPORT_LINE_OFF:
            case NKCOMPORT_LINE_ON:
                t.c_cflag &= ~CRTSCTS;
                levels.rts = config.RtsControl == NKCOMPORT_LINE_ON;
                break;
            case NKCOMPORT_LINE_HANDSHAKE:
                t.c_cflag |= CRTSCTS;
                break;
            default:
                return false; // RTS "on while sending" has no termios counterpart
            }
        }
        if (mask & NKCOMPORT_CFG_DTRCONTROL) {
            if (config.DtrControl > NKCOMPORT_LINE_ON) {
                return false; // nor has DTR/DSR handshaking
            }
            levels.dtr = config.DtrControl == NKCOMPORT_LINE_ON;
        }
        return true;
    }

    static bool applyParity(uint8_t parity, termios& t) {
        t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
        switch (parity) {
        case NKCOMPORT_PARITY_NONE:
            return true;
        case NKCOMPORT_PARITY_ODD:
            t.c_cflag |= PARENB | PARODD;
            return true;
        case NKCOMPORT_PARITY_EVEN:
            t.c_cflag |= PARENB;
            return true;
        case NKCOMPORT_PARITY_MARK:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            return true;
        case NKCOMPORT_PARITY_SPACE:
            t.c_cflag |= PARENB | CMSPAR;
            return true;
        default:
            return false;
        }
    }

    static uint8_t parityOf(tcflag_t cflag) {
        if (!(cflag & PARENB)) {
            return NKCOMPORT_PARITY_NONE;
        }
        if (cflag & CMSPAR) {
            return (cflag & PARODD) ? NKCOMPORT_PARITY_MARK : NKCOMPORT_PARITY_SPACE;
        }
        return (cflag & PARODD) ? NKCOMPORT_PARITY_ODD : NKCOMPORT_PARITY_EVEN;
    }

    bool setLine(int line, bool on) { return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line) == 0; }

    int fd_;
};

OpenResult failure(const std::string& path, const char* what) {
    return {nullptr, NKCOMPORT_ERROR_OPEN, path + ": " + what};
}

} // namespace

OpenResult openTermiosDevice(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return failure(path, std::strerror(errno));
    }
    const auto fail = [&](const char* what) {
        ::close(fd);
        return failure(path, what);
    };
    termios t{};
    if (::tcgetattr(fd, &t) != 0) {
        return fail("not a serial device");
    }
    // TIOCEXCL keeps other programs from opening the device; the lock also
    // keeps out a second instance of ours running as root, which TIOCEXCL
    // lets through.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail(errno == EWOULDBLOCK ? "in use by another program" : std::strerror(errno));
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        return fail(std::strerror(errno));
    }
    makeRaw(t);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        const int error = errno;
        ::ioctl(fd, TIOCNXCL);
        return fail(std::strerror(error));
    }
    return {std::make_unique<TermiosBackend>(fd), NKCOMPORT_OK, {}};
}

} // namespace nkcomport
