// One simulated device on its own loopback TCP port: the RFC 2217 server
// side of the line (one client at a time), the device behind it, its
// faults and the timing of its answers.
#pragma once

#include "Device.h"
#include "Faults.h"
#include "Telnet.h"

#include <bitset>
#include <deque>
#include <map>
#include <optional>

namespace lgmsim {

struct PortOptions {
    bool baudTiming = false; // answers take as long as they would on the line
    bool quiet = false;      // no acknowledgements of SET-CONTROL and the state masks
    bool verbose = false;
};

class SimPort final : private DeviceLine {
public:
    SimPort(size_t index, std::string kind, std::unique_ptr<Device> device, PortOptions options);
    ~SimPort();
    SimPort(const SimPort&) = delete;
    SimPort& operator=(const SimPort&) = delete;

    // Listens on 127.0.0.1:port (0 = any free port); returns the port.
    // Throws std::system_error.
    uint16_t listen(uint16_t port);

    int listenFd() const { return listenFd_; }
    int clientFd() const { return client_ ? client_->fd : -1; }
    bool wantsToWrite() const { return client_ && !client_->out.empty(); }
    std::optional<Clock::time_point> nextDue() const;

    void accept();
    void readable();
    void writable();
    // Runs what is due: queued answer bytes, device timers.
    void runDue(Clock::time_point now);
    // Sends pending notifications and whatever output is ready.
    void settle();

    // Control commands.
    FaultSet& faults() { return faults_; }
    void setLine(ModemLine line, bool on) { setModemLine(line, on); }
    bool sendUnsolicited(std::vector<uint8_t> bytes);
    bool dropClient();
    std::string state() const;
    std::string deviceCommand(std::string_view args) { return device_->command(args, *this); }

private:
    struct Output {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
        bool drop = false; // close the connection once the bytes are out
    };

    struct Client {
        int fd = -1;
        telnet::Parser parser;
        std::bitset<256> localOn;  // options we WILL
        std::bitset<256> remoteOn; // options the client WILL
        bool comPort = false;
        bool dtr = false;
        bool rts = false;
        bool suspended = false;
        uint8_t modemMask = 0xFF;
        std::optional<uint8_t> notified; // modem state last told to the client
        std::vector<uint8_t> out;        // ready to write
        std::deque<Output> queue;        // answer bytes waiting for their time
        uint64_t received = 0;
        uint64_t sent = 0;
    };

    // DeviceLine
    void answer(std::vector<uint8_t> frame) override;
    void setModemLine(ModemLine line, bool on) override;
    bool dtr() const override { return client_ && client_->dtr; }
    bool rts() const override { return client_ && client_->rts; }
    const LineSettings& settings() const override { return settings_; }
    uint64_t schedule(std::chrono::milliseconds delay, std::function<void()> action) override;
    void cancel(uint64_t timer) override { timers_.erase(timer); }
    void log(std::string_view text) override;

    void enqueue(std::vector<uint8_t> bytes, std::chrono::milliseconds delay, bool drop);
    void verb(uint8_t verb, uint8_t option);
    void subnegotiation(uint8_t option, const std::vector<uint8_t>& value);
    void comPortCommand(uint8_t command, const std::vector<uint8_t>& value);
    void setControl(uint8_t value);
    void reply(uint8_t command, std::span<const uint8_t> value);
    void notifyModemState(bool force);
    void closeClient(const char* why);
    Clock::duration byteTime() const;

    size_t index_;
    std::string kind_;
    std::unique_ptr<Device> device_;
    PortOptions options_;
    FaultSet faults_;
    LineSettings settings_;
    uint8_t modem_ = 0;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    std::optional<Client> client_;
    struct Timer {
        Clock::time_point due;
        std::function<void()> action;
    };
    std::map<uint64_t, Timer> timers_;
    uint64_t nextTimer_ = 1;
};

} // namespace lgmsim
