// A serial port behind an RFC 2217 server, reached over TCP.
//
// All traffic runs in the calling thread: the socket is read while a call
// waits, and what arrives besides data (modem-state notifications, answers
// to settings) is taken in on the way.
#include "ModemReports.h"
#include "PortBackend.h"
#include "Rfc2217Protocol.h"
#include "Telnet.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nkcomport {

namespace {

using namespace std::chrono_literals;

constexpr auto kConnectWait = 3000ms;
constexpr auto kNegotiationWait = 3000ms;
// Answers to line settings: the server has to reply to these.
constexpr auto kReplyWait = 1000ms;
// The confirmation of a purge, after which no stale byte can come.
constexpr auto kPurgeWait = 500ms;

constexpr uint8_t kSupportedOptions[] = {telnet::OPTION_BINARY, telnet::OPTION_SGA,
                                         telnet::OPTION_COM_PORT};

WaitContext until(Clock::time_point deadline) {
    return WaitContext{deadline, -1, -1};
}

class Rfc2217Backend final : public PortBackend, private telnet::Sink {
public:
    explicit Rfc2217Backend(int socket) : socket_(socket), negotiator_(kSupportedOptions) {}
    ~Rfc2217Backend() override { ::close(socket_); }

    // Agrees on the COM port option and asks for every modem-state change.
    std::string negotiate() {
        std::vector<uint8_t> out;
        negotiator_.requestLocal(telnet::OPTION_COM_PORT, out);
        negotiator_.requestLocal(telnet::OPTION_BINARY, out);
        negotiator_.requestRemote(telnet::OPTION_BINARY, out);
        if (!sendControl(out)) {
            return "connection lost while negotiating";
        }
        const auto context = until(Clock::now() + kNegotiationWait);
        for (;;) {
            if (!receiveAvailable()) {
                return "connection closed by the server";
            }
            if (negotiator_.local(telnet::OPTION_COM_PORT) != telnet::Negotiator::State::WantYes) {
                break;
            }
            if (waitFor(socket_, POLLIN, context) != WaitOutcome::Ready) {
                return "no answer to the COM port option (not an RFC 2217 server?)";
            }
        }
        if (negotiator_.local(telnet::OPTION_COM_PORT) != telnet::Negotiator::State::Yes) {
            return "the server refused the COM port option";
        }
        out.clear();
        rfc2217::appendCommand(rfc2217::SET_MODEMSTATE_MASK, 0xFF, out);
        if (!sendControl(out)) {
            return "connection lost while negotiating";
        }
        reports_.connected(Clock::now());
        return {};
    }

    int32_t setConfig(const NkComPortConfig& config) override {
        const uint32_t mask = config.Mask;
        std::vector<uint8_t> out;
        std::vector<Expected> expected;
        ControlBatch controls;
        const auto request = [&](rfc2217::Command command, uint8_t value) {
            rfc2217::appendCommand(command, value, out);
            expected.push_back({command, {value}});
        };
        if (mask & NKCOMPORT_CFG_RAW) {
            // Binary data is what the option carries anyway; only flow control remains.
            controls.append(rfc2217::CONTROL_NO_FLOW, false, out);
        }
        if (mask & NKCOMPORT_CFG_BAUDRATE) {
            if (config.BaudRate == 0) {
                return NKCOMPORT_ERROR_SET_CONFIG; // 0 would only ask for the present rate
            }
            rfc2217::appendBaudRate(config.BaudRate, out);
            const auto value = rfc2217::baudRateValue(config.BaudRate);
            expected.push_back({rfc2217::SET_BAUDRATE, {value.begin(), value.end()}});
        }
        if (mask & NKCOMPORT_CFG_DATABITS) {
            if (config.DataBits < 5 || config.DataBits > 8) {
                return NKCOMPORT_ERROR_SET_CONFIG;
            }
            request(rfc2217::SET_DATASIZE, config.DataBits);
        }
        if (mask & NKCOMPORT_CFG_PARITY) {
            const auto wire = rfc2217::parityToWire(config.Parity);
            if (!wire) {
                return NKCOMPORT_ERROR_SET_CONFIG;
            }
            request(rfc2217::SET_PARITY, *wire);
        }
        if (mask & NKCOMPORT_CFG_STOPBITS) {
            const auto wire = rfc2217::stopBitsToWire(config.StopBits);
            if (!wire) {
                return NKCOMPORT_ERROR_SET_CONFIG;
            }
            request(rfc2217::SET_STOPSIZE, *wire);
        }
        std::optional<uint8_t> rtsMode;
        std::optional<uint8_t> dtrMode;
        if (mask & NKCOMPORT_CFG_RTSCONTROL) {
            switch (config.RtsControl) {
            case NKCOMPORT_LINE_OFF:
            case NKCOMPORT_LINE_ON:
                controls.append(rfc2217::CONTROL_NO_FLOW, false, out);
                controls.append(config.RtsControl ? rfc2217::CONTROL_RTS_ON
                                                  : rfc2217::CONTROL_RTS_OFF,
                                moves(rtsMode_, config.RtsControl), out);
                break;
            case NKCOMPORT_LINE_HANDSHAKE:
                // From now on the server moves RTS at its own pace: no
                // notification can be owed to this command.
                controls.append(rfc2217::CONTROL_HARDWARE_FLOW, false, out);
                break;
            default:
                return NKCOMPORT_ERROR_SET_CONFIG;
            }
            rtsMode = config.RtsControl;
        }
        if (mask & NKCOMPORT_CFG_DTRCONTROL) {
            if (config.DtrControl > NKCOMPORT_LINE_ON) {
                return NKCOMPORT_ERROR_SET_CONFIG;
            }
            controls.append(config.DtrControl ? rfc2217::CONTROL_DTR_ON : rfc2217::CONTROL_DTR_OFF,
                            moves(dtrMode_, config.DtrControl), out);
            dtrMode = config.DtrControl;
        }
        if (mask & NKCOMPORT_CFG_PARITYCHECK) {
            parityCheck_ = config.ParityCheck ? 1 : 0;
        }
        if (out.empty()) {
            return NKCOMPORT_OK;
        }
        for (const auto& e : expected) {
            replies_[e.command].reset();
        }
        if (lost_ || !sendControl(out)) {
            return NKCOMPORT_ERROR_SET_CONFIG;
        }
        controls.sent(reports_);
        if (rtsMode) {
            rtsMode_ = rtsMode;
        }
        if (dtrMode) {
            dtrMode_ = dtrMode;
        }
        if (!awaitReplies(expected)) {
            return NKCOMPORT_ERROR_SET_CONFIG;
        }
        for (const auto& e : expected) {
            if (*replies_[e.command] != e.value) {
                return NKCOMPORT_ERROR_SET_CONFIG; // the server holds another value
            }
        }
        return NKCOMPORT_OK;
    }

    int32_t getConfig(NkComPortConfig& config) override {
        const uint32_t mask = config.Mask;
        if (((mask & NKCOMPORT_CFG_RTSCONTROL) && !rtsMode_) ||
            ((mask & NKCOMPORT_CFG_DTRCONTROL) && !dtrMode_)) {
            return NKCOMPORT_ERROR_GET_CONFIG; // never set in this connection: unknown
        }
        std::vector<uint8_t> out;
        std::vector<Expected> expected;
        // A value of 0 asks the server for the present setting.
        if (mask & NKCOMPORT_CFG_BAUDRATE) {
            rfc2217::appendBaudRate(0, out);
            expected.push_back({rfc2217::SET_BAUDRATE, {}});
        }
        const std::pair<uint32_t, rfc2217::Command> queries[] = {
            {NKCOMPORT_CFG_DATABITS, rfc2217::SET_DATASIZE},
            {NKCOMPORT_CFG_PARITY, rfc2217::SET_PARITY},
            {NKCOMPORT_CFG_STOPBITS, rfc2217::SET_STOPSIZE}};
        for (const auto& [bit, command] : queries) {
            if (mask & bit) {
                rfc2217::appendCommand(command, 0, out);
                expected.push_back({command, {}});
            }
        }
        if (!out.empty()) {
            for (const auto& e : expected) {
                replies_[e.command].reset();
            }
            if (lost_ || !sendControl(out) || !awaitReplies(expected)) {
                return NKCOMPORT_ERROR_GET_CONFIG;
            }
        }
        NkComPortConfig got = config;
        for (const auto& e : expected) {
            const auto& value = *replies_[e.command];
            std::optional<uint8_t> byte = rfc2217::byteOf(value);
            switch (e.command) {
            case rfc2217::SET_BAUDRATE: {
                const auto baud = rfc2217::baudRateOf(value);
                if (!baud) {
                    return NKCOMPORT_ERROR_GET_CONFIG;
                }
                got.BaudRate = *baud;
                continue;
            }
            case rfc2217::SET_DATASIZE:
                if (!byte || *byte < 5 || *byte > 8) {
                    return NKCOMPORT_ERROR_GET_CONFIG;
                }
                got.DataBits = *byte;
                continue;
            case rfc2217::SET_PARITY:
                byte = byte ? rfc2217::parityFromWire(*byte) : std::nullopt;
                if (!byte) {
                    return NKCOMPORT_ERROR_GET_CONFIG;
                }
                got.Parity = *byte;
                continue;
            default:
                byte = byte ? rfc2217::stopBitsFromWire(*byte) : std::nullopt;
                if (!byte) {
                    return NKCOMPORT_ERROR_GET_CONFIG;
                }
                got.StopBits = *byte;
                continue;
            }
        }
        if (mask & NKCOMPORT_CFG_PARITYCHECK) {
            got.ParityCheck = parityCheck_;
        }
        if (mask & NKCOMPORT_CFG_RTSCONTROL) {
            got.RtsControl = *rtsMode_;
        }
        if (mask & NKCOMPORT_CFG_DTRCONTROL) {
            got.DtrControl = *dtrMode_;
        }
        config = got;
        return NKCOMPORT_OK;
    }

    int32_t read(std::span<uint8_t> buffer, const WaitContext& wait) override {
        size_t got = take(buffer);
        while (got < buffer.size()) {
            // Bytes that came before a lost connection are still delivered.
            if (!lost_) {
                receiveAvailable();
            }
            got += take(buffer.subspan(got));
            if (got == buffer.size()) {
                break;
            }
            if (lost_) {
                return NKCOMPORT_ERROR_READ;
            }
            switch (waitFor(socket_, POLLIN, wait)) {
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
        return NKCOMPORT_OK;
    }

    int32_t write(std::span<const uint8_t> bytes, const WaitContext& wait) override {
        if (lost_) {
            return NKCOMPORT_ERROR_WRITE;
        }
        tx_.clear();
        telnet::appendEscaped(bytes, tx_);
        size_t sent = 0;
        const auto outcome = send(tx_, sent, wait);
        if (outcome == WaitOutcome::Ready) {
            return NKCOMPORT_OK;
        }
        if (!lost_ && sent > 0 && endsInsideEscape(sent)) {
            // Half of a doubled 0xFF went out: the server would take the
            // next byte we send as a command. Complete the pair.
            size_t one = 0;
            send(std::span(tx_).subspan(sent, 1), one, until(Clock::now() + kReplyWait));
        }
        switch (outcome) {
        case WaitOutcome::TimedOut:
            return NKCOMPORT_ERROR_WRITE_TIMEOUT;
        case WaitOutcome::Aborted:
            return NKCOMPORT_ERROR_WRITE_ABORTED;
        default:
            return NKCOMPORT_ERROR_WRITE;
        }
    }

    int32_t purge(bool input, bool output) override {
        if (lost_) {
            return NKCOMPORT_ERROR_PURGE;
        }
        receiveAvailable();
        std::vector<uint8_t> out;
        rfc2217::appendCommand(rfc2217::PURGE_DATA,
                               input && output
                                   ? rfc2217::PURGE_BOTH
                                   : (input ? rfc2217::PURGE_RECEIVE : rfc2217::PURGE_TRANSMIT),
                               out);
        if (!sendControl(out)) {
            return NKCOMPORT_ERROR_PURGE;
        }
        if (input) {
            clearInput();
            // Bytes the server sent before it purged may still be on the
            // way; its confirmation marks the point after which none come.
            purgePending_ = true;
            const auto context = until(Clock::now() + kPurgeWait);
            while (receiveAvailable() && purgePending_ &&
                   waitFor(socket_, POLLIN, context) == WaitOutcome::Ready) {
            }
            if (purgePending_) {
                purgePending_ = false; // no confirmation: drop what came meanwhile
                clearInput();
            }
        }
        return NKCOMPORT_OK;
    }

    int32_t setControlLines(std::optional<bool> rts, std::optional<bool> dtr) override {
        std::vector<uint8_t> out;
        ControlBatch controls;
        if (rts) {
            controls.append(*rts ? rfc2217::CONTROL_RTS_ON : rfc2217::CONTROL_RTS_OFF,
                            moves(rtsMode_, *rts), out);
        }
        if (dtr) {
            controls.append(*dtr ? rfc2217::CONTROL_DTR_ON : rfc2217::CONTROL_DTR_OFF,
                            moves(dtrMode_, *dtr), out);
        }
        if (out.empty()) {
            return NKCOMPORT_OK;
        }
        // Some servers acknowledge SET-CONTROL, some never do: the answer is
        // not waited for. What the device makes of the lines shows in the
        // modem-state notification that follows.
        if (lost_ || !sendControl(out)) {
            return NKCOMPORT_ERROR_SET_CONTROL;
        }
        controls.sent(reports_);
        if (rts && rtsMode_ != NKCOMPORT_LINE_HANDSHAKE) {
            rtsMode_ = *rts ? NKCOMPORT_LINE_ON : NKCOMPORT_LINE_OFF;
        }
        if (dtr) {
            dtrMode_ = *dtr ? NKCOMPORT_LINE_ON : NKCOMPORT_LINE_OFF;
        }
        return NKCOMPORT_OK;
    }

    int32_t modemStatus(uint32_t& status) override {
        if (!lost_) {
            receiveAvailable();
        }
        if (const auto deadline = reports_.due()) {
            const auto context = until(*deadline);
            while (!lost_ && reports_.due() &&
                   waitFor(socket_, POLLIN, context) == WaitOutcome::Ready && receiveAvailable()) {
            }
        }
        reports_.read();
        if (lost_) {
            return NKCOMPORT_ERROR_GET_CONTROL;
        }
        status = modemState_;
        return NKCOMPORT_OK;
    }

    int32_t queueCounts(uint32_t& input, uint32_t& output) override {
        if (lost_ || !receiveAvailable()) {
            return NKCOMPORT_ERROR_QUEUE;
        }
        int unsent = 0;
        if (::ioctl(socket_, SIOCOUTQ, &unsent) != 0) {
            return NKCOMPORT_ERROR_QUEUE;
        }
        input = static_cast<uint32_t>(rx_.size() - rxHead_);
        output = static_cast<uint32_t>(unsent);
        return NKCOMPORT_OK;
    }

private:
    struct Expected {
        rfc2217::Command command;
        std::vector<uint8_t> value;
    };

    // The SET-CONTROL commands of one message, in order.
    class ControlBatch {
    public:
        void append(uint8_t value, bool movesLine, std::vector<uint8_t>& out) {
            rfc2217::appendCommand(rfc2217::SET_CONTROL, value, out);
            moving_.push_back(movesLine);
        }
        // Only commands that left count: the server acknowledges no others.
        void sent(ModemReports& reports) const {
            const auto now = Clock::now();
            for (const bool movesLine : moving_) {
                reports.controlSent(movesLine, now);
            }
        }

    private:
        std::vector<bool> moving_;
    };

    // Whether setting a line on (or off) changes the level last set. A line
    // never set, or left to flow control, may be at either.
    static bool moves(const std::optional<uint8_t>& mode, bool on) {
        return mode != (on ? NKCOMPORT_LINE_ON : NKCOMPORT_LINE_OFF);
    }

    // telnet::Sink
    void data(std::span<const uint8_t> bytes) override {
        rx_.insert(rx_.end(), bytes.begin(), bytes.end());
    }

    void option(uint8_t verb, uint8_t option) override {
        negotiator_.receive(verb, option, pending_);
    }

    void subnegotiation(std::span<const uint8_t> payload) override {
        const auto message = rfc2217::parseServerMessage(payload);
        if (!message) {
            return;
        }
        switch (message->command) {
        case rfc2217::NOTIFY_MODEMSTATE:
            if (const auto state = rfc2217::byteOf(message->value)) {
                modemState_ = *state & 0xF0u;
                reports_.notified(*state);
            }
            break;
        case rfc2217::SET_CONTROL:
            reports_.controlAcknowledged();
            break;
        case rfc2217::PURGE_DATA:
            if (purgePending_ && (message->value.size() == 1) &&
                (message->value[0] == rfc2217::PURGE_RECEIVE ||
                 message->value[0] == rfc2217::PURGE_BOTH)) {
                purgePending_ = false;
                clearInput();
            }
            break;
        case rfc2217::SET_BAUDRATE:
        case rfc2217::SET_DATASIZE:
        case rfc2217::SET_PARITY:
        case rfc2217::SET_STOPSIZE:
            replies_[message->command].emplace(message->value.begin(), message->value.end());
            break;
        default:
            break; // acknowledgements nobody waits for
        }
    }

    bool awaitReplies(const std::vector<Expected>& expected) {
        const auto context = until(Clock::now() + kReplyWait);
        const auto complete = [&] {
            for (const auto& e : expected) {
                if (!replies_[e.command]) {
                    return false;
                }
            }
            return true;
        };
        while (receiveAvailable() && !complete()) {
            if (waitFor(socket_, POLLIN, context) != WaitOutcome::Ready) {
                return false;
            }
        }
        return complete();
    }

    // Takes everything the socket holds now. False once the connection is gone.
    bool receiveAvailable() {
        std::array<uint8_t, 4096> chunk;
        while (!lost_) {
            const ssize_t n = ::recv(socket_, chunk.data(), chunk.size(), MSG_DONTWAIT);
            if (n > 0) {
                decoder_.feed(std::span(chunk).first(static_cast<size_t>(n)), *this);
                if (!pending_.empty()) {
                    // Answers to the server's option requests.
                    std::vector<uint8_t> answers;
                    answers.swap(pending_);
                    sendControl(answers);
                }
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            }
            lost_ = true; // closed by the server, or reset
        }
        return !lost_;
    }

    size_t take(std::span<uint8_t> buffer) {
        const size_t n = std::min(buffer.size(), rx_.size() - rxHead_);
        if (n == 0) {
            return 0;
        }
        std::memcpy(buffer.data(), rx_.data() + rxHead_, n);
        rxHead_ += n;
        if (rxHead_ == rx_.size()) {
            clearInput();
        }
        return n;
    }

    void clearInput() {
        rx_.clear();
        rxHead_ = 0;
    }

    WaitOutcome send(std::span<const uint8_t> bytes, size_t& sent, const WaitContext& wait) {
        while (sent < bytes.size()) {
            const ssize_t n = ::send(socket_, bytes.data() + sent, bytes.size() - sent,
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                sent += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                lost_ = true;
                return WaitOutcome::Failed;
            }
            const auto outcome = waitFor(socket_, POLLOUT, wait);
            if (outcome != WaitOutcome::Ready) {
                return outcome;
            }
        }
        return WaitOutcome::Ready;
    }

    bool sendControl(std::span<const uint8_t> bytes) {
        size_t sent = 0;
        return send(bytes, sent, until(Clock::now() + kReplyWait)) == WaitOutcome::Ready;
    }

    bool endsInsideEscape(size_t sent) const {
        size_t i = 0;
        while (i < sent) {
            i += tx_[i] == telnet::IAC ? 2 : 1;
        }
        return i > sent;
    }

    int socket_;
    bool lost_ = false;
    telnet::Decoder decoder_;
    telnet::Negotiator negotiator_;
    std::vector<uint8_t> pending_;
    std::vector<uint8_t> rx_;
    size_t rxHead_ = 0;
    std::vector<uint8_t> tx_;
    std::array<std::optional<std::vector<uint8_t>>, 16> replies_;
    bool purgePending_ = false;
    uint8_t modemState_ = 0;
    ModemReports reports_;
    std::optional<uint8_t> rtsMode_;
    std::optional<uint8_t> dtrMode_;
    uint8_t parityCheck_ = 0;
};

struct AddressList {
    addrinfo* head = nullptr;
    ~AddressList() {
        if (head != nullptr) {
            ::freeaddrinfo(head);
        }
    }
};

// A connected, non-blocking socket, or -1 with the reason.
int connectTo(const std::string& host, uint16_t port, std::string& reason) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    AddressList addresses;
    const int resolved =
        ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses.head);
    if (resolved != 0) {
        reason = ::gai_strerror(resolved);
        return -1;
    }
    for (addrinfo* a = addresses.head; a != nullptr; a = a->ai_next) {
        const int s =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (s < 0) {
            reason = std::strerror(errno);
            continue;
        }
        int error = 0;
        if (::connect(s, a->ai_addr, a->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                socklen_t size = sizeof error;
                const auto outcome = waitFor(s, POLLOUT, until(Clock::now() + kConnectWait));
                if (outcome == WaitOutcome::Ready) {
                    ::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size);
                } else {
                    error = ETIMEDOUT;
                }
            }
        }
        if (error == 0) {
            // Without it a short request waits ~40 ms for a delayed acknowledgement.
            const int on = 1;
            ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return s;
        }
        reason = std::strerror(error);
        ::close(s);
    }
    return -1;
}

} // namespace

OpenResult openRfc2217Device(const std::string& host, uint16_t tcpPort) {
    const bool literalV6 = host.find(':') != std::string::npos;
    const std::string where =
        "rfc2217://" + (literalV6 ? "[" + host + "]" : host) + ":" + std::to_string(tcpPort) + ": ";
    std::string reason;
    const int s = connectTo(host, tcpPort, reason);
    if (s < 0) {
        return {nullptr, NKCOMPORT_ERROR_OPEN, where + reason};
    }
    auto backend = std::make_unique<Rfc2217Backend>(s);
    reason = backend->negotiate();
    if (!reason.empty()) {
        return {nullptr, NKCOMPORT_ERROR_OPEN, where + reason};
    }
    return {std::move(backend), NKCOMPORT_OK, {}};
}

} // namespace nkcomport
