#include "SimPort.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace lgmsim {

using namespace telnet;

namespace {

constexpr uint8_t kModemBit[] = {0x10, 0x20, 0x40, 0x80}; // CTS, DSR, RI, CD

std::string hex(std::span<const uint8_t> bytes) {
    std::string text;
    char digits[4];
    for (uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, " %02X", b);
        text += digits;
    }
    return text;
}

} // namespace

SimPort::SimPort(size_t index, std::string kind, std::unique_ptr<Device> device,
                 PortOptions options)
    : index_(index), kind_(std::move(kind)), device_(std::move(device)), options_(options) {}

SimPort::~SimPort() {
    if (client_) {
        ::close(client_->fd);
    }
    if (listenFd_ >= 0) {
        ::close(listenFd_);
    }
}

uint16_t SimPort::listen(uint16_t port) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        throw std::system_error(errno, std::generic_category(), "socket");
    }
    const int on = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 4) != 0) {
        throw std::system_error(errno, std::generic_category(),
                                "listen on 127.0.0.1:" + std::to_string(port));
    }
    socklen_t size = sizeof address;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    return port_;
}

void SimPort::accept() {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        return;
    }
    if (client_) {
        // A serial port has one user: a second client is turned away.
        log("refused a second client");
        ::close(fd);
        return;
    }
    // Small answers must not wait for delayed acknowledgements.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    client_.emplace();
    client_->fd = fd;
    log("client connected");
    device_->connected(*this);
}

void SimPort::closeClient(const char* why) {
    if (!client_) {
        return;
    }
    ::close(client_->fd);
    client_.reset();
    log(why);
    device_->disconnected(*this);
}

void SimPort::readable() {
    uint8_t chunk[4096];
    const ssize_t n = ::recv(client_->fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (n <= 0) {
        closeClient("client went away");
        return;
    }
    std::vector<Event> events;
    client_->parser.parse(std::span(chunk, static_cast<size_t>(n)), events);
    for (const Event& event : events) {
        switch (event.kind) {
        case Event::Kind::Data:
            client_->received += event.bytes.size();
            if (options_.verbose) {
                log("<<" + hex(event.bytes));
            }
            device_->received(event.bytes, *this);
            break;
        case Event::Kind::Verb:
            verb(event.verb, event.option);
            break;
        case Event::Kind::Subnegotiation:
            subnegotiation(event.option, event.bytes);
            break;
        }
    }
}

void SimPort::writable() {
    while (client_ && !client_->out.empty()) {
        const ssize_t n = ::send(client_->fd, client_->out.data(), client_->out.size(),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno == EAGAIN) {
            return;
        }
        if (n <= 0) {
            closeClient("connection lost while sending");
            return;
        }
        client_->out.erase(client_->out.begin(), client_->out.begin() + n);
    }
}

std::optional<Clock::time_point> SimPort::nextDue() const {
    std::optional<Clock::time_point> due;
    const auto consider = [&](Clock::time_point t) {
        if (!due || t < *due) {
            due = t;
        }
    };
    if (client_ && !client_->suspended && !client_->queue.empty()) {
        consider(client_->queue.front().due);
    }
    for (const auto& [id, timer] : timers_) {
        consider(timer.due);
    }
    return due;
}

void SimPort::runDue(Clock::time_point now) {
    while (client_ && !client_->suspended && !client_->queue.empty() &&
           client_->queue.front().due <= now) {
        Output output = std::move(client_->queue.front());
        client_->queue.pop_front();
        if (options_.verbose && !output.bytes.empty()) {
            log(">>" + hex(output.bytes));
        }
        client_->sent += output.bytes.size();
        escapeInto(output.bytes, client_->out);
        if (output.drop) {
            writable();
            closeClient("connection dropped (fault)");
        }
    }
    // Timers may add timers: take the due ones first.
    std::vector<std::function<void()>> actions;
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->second.due <= now) {
            actions.push_back(std::move(it->second.action));
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& action : actions) {
        action();
    }
}

void SimPort::settle() {
    notifyModemState(false);
    writable();
}

void SimPort::answer(std::vector<uint8_t> frame) {
    if (!client_) {
        log("answer with no client connected: dropped");
        return;
    }
    const FaultPlan plan = faults_.take(frame.size());
    if (plan.silent) {
        log("fault: answer withheld");
        return;
    }
    if (plan.badChecksum && !device_->corruptChecksum(frame)) {
        log("fault: this answer has no checksum to spoil");
    }
    if (plan.badStatus && !device_->corruptStatus(frame)) {
        log("fault: this answer has no status byte to spoil");
    }
    if (plan.keepBytes && *plan.keepBytes < frame.size()) {
        frame.resize(*plan.keepBytes);
    }
    enqueue(std::move(frame), plan.delay, plan.drop);
}

bool SimPort::sendUnsolicited(std::vector<uint8_t> bytes) {
    if (!client_) {
        return false;
    }
    enqueue(std::move(bytes), std::chrono::milliseconds(0), false);
    return true;
}

bool SimPort::dropClient() {
    if (!client_) {
        return false;
    }
    closeClient("connection dropped (control command)");
    return true;
}

void SimPort::enqueue(std::vector<uint8_t> bytes, std::chrono::milliseconds delay, bool drop) {
    auto& queue = client_->queue;
    const auto now = Clock::now();
    // Answers leave in order: none overtakes one queued before it.
    auto start = std::max(now + delay, queue.empty() ? now : queue.back().due);
    if (!options_.baudTiming) {
        queue.push_back({start, std::move(bytes), drop});
        return;
    }
    const auto perByte = byteTime();
    for (uint8_t b : bytes) {
        start += perByte;
        queue.push_back({start, {b}, false});
    }
    if (drop) {
        queue.push_back({start, {}, true});
    }
}

Clock::duration SimPort::byteTime() const {
    // Start bit, data bits, parity bit, stop bits, counted in half bits
    // because of 1.5 stop bits.
    const uint64_t halfBits = 2 * (1 + settings_.dataSize + (settings_.parity != 1 ? 1 : 0)) +
                              (settings_.stopSize == 2   ? 4
                               : settings_.stopSize == 3 ? 3
                                                         : 2);
    const uint64_t baud = settings_.baudRate == 0 ? 9600 : settings_.baudRate;
    return std::chrono::nanoseconds(halfBits * 500'000'000ull / baud);
}

void SimPort::verb(uint8_t verb, uint8_t option) {
    const bool supported =
        option == kOptionBinary || option == kOptionSuppressGoAhead || option == kOptionComPort;
    auto& out = client_->out;
    const auto send = [&](uint8_t answer) { out.insert(out.end(), {kIac, answer, option}); };
    bool comPortNow = false;
    switch (verb) {
    case kWill:
        if (!client_->remoteOn[option]) {
            if (supported) {
                client_->remoteOn[option] = true;
                comPortNow = option == kOptionComPort;
                send(kDo);
            } else {
                send(kDont);
            }
        }
        break;
    case kDo:
        if (!client_->localOn[option]) {
            if (supported) {
                client_->localOn[option] = true;
                comPortNow = option == kOptionComPort;
                send(kWill);
            } else {
                send(kWont);
            }
        }
        break;
    case kWont:
        if (client_->remoteOn[option]) {
            client_->remoteOn[option] = false;
            send(kDont);
        }
        break;
    case kDont:
        if (client_->localOn[option]) {
            client_->localOn[option] = false;
            send(kWont);
        }
        break;
    }
    if (comPortNow && !client_->comPort) {
        client_->comPort = true;
        notifyModemState(true); // the client learns the lines at once
    }
}

void SimPort::subnegotiation(uint8_t option, const std::vector<uint8_t>& value) {
    if (option != kOptionComPort || value.empty()) {
        log("ignored a subnegotiation of option " + std::to_string(option));
        return;
    }
    comPortCommand(value[0], std::vector<uint8_t>(value.begin() + 1, value.end()));
}

void SimPort::comPortCommand(uint8_t command, const std::vector<uint8_t>& value) {
    const auto one = value.size() == 1 ? std::optional<uint8_t>(value[0]) : std::nullopt;
    const auto replyByte = [&](uint8_t b) { reply(command, std::span(&b, 1)); };
    switch (command) {
    case kSetBaudRate: {
        if (value.size() != 4) {
            break;
        }
        const uint32_t baud = uint32_t{value[0]} << 24 | uint32_t{value[1]} << 16 |
                              uint32_t{value[2]} << 8 | value[3];
        if (baud != 0) {
            settings_.baudRate = baud;
        }
        const uint8_t now[4] = {static_cast<uint8_t>(settings_.baudRate >> 24),
                                static_cast<uint8_t>(settings_.baudRate >> 16),
                                static_cast<uint8_t>(settings_.baudRate >> 8),
                                static_cast<uint8_t>(settings_.baudRate)};
        reply(command, now);
        break;
    }
    // A value outside the range leaves the setting alone; the reply says
    // what holds, as a real server does.
    case kSetDataSize:
        if (one && *one >= 5 && *one <= 8) {
            settings_.dataSize = *one;
        }
        if (one) {
            replyByte(settings_.dataSize);
        }
        break;
    case kSetParity:
        if (one && *one >= 1 && *one <= 5) {
            settings_.parity = *one;
        }
        if (one) {
            replyByte(settings_.parity);
        }
        break;
    case kSetStopSize:
        if (one && *one >= 1 && *one <= 3) {
            settings_.stopSize = *one;
        }
        if (one) {
            replyByte(settings_.stopSize);
        }
        break;
    case kSetControl:
        if (one) {
            setControl(*one);
        }
        break;
    case kFlowControlSuspend:
        client_->suspended = true;
        break;
    case kFlowControlResume:
        client_->suspended = false;
        break;
    case kSetLineStateMask:
        if (one && !options_.quiet) {
            replyByte(*one);
        }
        break;
    case kSetModemStateMask:
        if (one) {
            client_->modemMask = *one;
            if (!options_.quiet) {
                replyByte(*one);
            }
        }
        break;
    case kPurgeData:
        if (one && *one >= 1 && *one <= 3) {
            // The server's receive buffer is what the device sent and the
            // client has not got yet.
            if (*one != 2) {
                client_->queue.clear();
            }
            replyByte(*one);
        }
        break;
    default:
        log("ignored COM port command " + std::to_string(command));
        break;
    }
}

void SimPort::setControl(uint8_t value) {
    bool linesChanged = false;
    uint8_t answer = value;
    switch (value) {
    case 7: // what is DTR?
        answer = client_->dtr ? 8 : 9;
        break;
    case 8:
    case 9:
        linesChanged = client_->dtr != (value == 8);
        client_->dtr = value == 8;
        break;
    case 10: // what is RTS?
        answer = client_->rts ? 11 : 12;
        break;
    case 11:
    case 12:
        linesChanged = client_->rts != (value == 11);
        client_->rts = value == 11;
        break;
    default:
        break; // flow control and break: taken and acknowledged, no effect here
    }
    if (!options_.quiet) {
        reply(kSetControl, std::span(&answer, 1));
    }
    if (linesChanged) {
        device_->controlLinesChanged(*this);
    }
}

void SimPort::reply(uint8_t command, std::span<const uint8_t> value) {
    comPortMessageInto(kServerReply + command, value, client_->out);
}

void SimPort::setModemLine(ModemLine line, bool on) {
    const uint8_t bit = kModemBit[static_cast<size_t>(line)];
    modem_ = on ? (modem_ | bit) : (modem_ & ~bit);
}

void SimPort::notifyModemState(bool force) {
    if (!client_ || !client_->comPort || (!force && client_->notified == modem_)) {
        return;
    }
    const uint8_t changed = (modem_ ^ client_->notified.value_or(0)) >> 4;
    const uint8_t value = (modem_ | changed) & client_->modemMask;
    client_->notified = modem_;
    if (value != 0 || force) {
        reply(kNotifyModemState, std::span(&value, 1));
    }
}

uint64_t SimPort::schedule(std::chrono::milliseconds delay, std::function<void()> action) {
    const uint64_t id = nextTimer_++;
    timers_[id] = {Clock::now() + delay, std::move(action)};
    return id;
}

void SimPort::log(std::string_view text) {
    if (options_.verbose) {
        std::fprintf(stderr, "lgmsim: device %zu (%s): %.*s\n", index_, kind_.c_str(),
                     static_cast<int>(text.size()), text.data());
    }
}

std::string SimPort::state() const {
    const auto bit = [&](ModemLine line) {
        return (modem_ & kModemBit[static_cast<size_t>(line)]) ? "1" : "0";
    };
    std::string text = "kind=" + kind_ + " port=" + std::to_string(port_) +
                       " connected=" + (client_ ? "1" : "0") + " dtr=" + (dtr() ? "1" : "0") +
                       " rts=" + (rts() ? "1" : "0") + " cts=" + bit(ModemLine::Cts) +
                       " dsr=" + bit(ModemLine::Dsr) + " ri=" + bit(ModemLine::Ri) +
                       " cd=" + bit(ModemLine::Cd) + " baud=" + std::to_string(settings_.baudRate) +
                       " datasize=" + std::to_string(settings_.dataSize) +
                       " parity=" + std::to_string(settings_.parity) +
                       " stopsize=" + std::to_string(settings_.stopSize) +
                       " received=" + std::to_string(client_ ? client_->received : 0) +
                       " sent=" + std::to_string(client_ ? client_->sent : 0) +
                       " faults=" + faults_.describe();
    const std::string device = device_->state();
    return device.empty() ? text : text + " " + device;
}

} // namespace lgmsim
