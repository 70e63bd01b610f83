// The RFC 2217 backend against lgmsim's echo device (a loop-back plug:
// bytes come back, DTR shows as DSR and CD, RTS as CTS).
#include "PortTesting.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <functional>
#include <future>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <span>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace porttest;

namespace {

constexpr int32_t kPort = 3;

class Rfc2217Port : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim = new lgmsim::SimProcess({"echo", "echo,quiet", "echo,length=47"});
    }
    static void TearDownTestSuite() {
        delete sim;
        sim = nullptr;
    }

    void SetUp() override { open(0); }
    void TearDown() override {
        NkComPortClose(kPort);
        for (size_t device = 0; device < sim->deviceCount(); ++device) {
            sim->clearFaults(device);
        }
        ::unsetenv("LGMSERVICE_COM4");
    }

    static void open(size_t device) {
        NkComPortClose(kPort);
        sim->bindComPort(kPort, device);
        ASSERT_EQ(NkComPortOpen(kPort), kPort) << openError(kPort);
        ASSERT_TRUE(sim->waitForState(device, "connected", "1"));
    }

    static uint32_t modemStatus() {
        uint32_t status = 0xDEAD;
        EXPECT_EQ(NkComPortGetControl(kPort, &status), NKCOMPORT_OK);
        return status;
    }

    static Bytes roundTrip(const Bytes& request, size_t answerSize, int32_t timeout = 2000) {
        Bytes answer(answerSize);
        EXPECT_EQ(NkComPortWriteAndRead(kPort, request.data(), static_cast<int32_t>(request.size()),
                                        answer.data(), static_cast<int32_t>(answer.size()),
                                        timeout),
                  NKCOMPORT_OK);
        return answer;
    }

    static lgmsim::SimProcess* sim;
};

lgmsim::SimProcess* Rfc2217Port::sim = nullptr;

} // namespace

TEST_F(Rfc2217Port, OpensTheServerItIsPointedAt) {
    EXPECT_EQ(deviceName(kPort), sim->address(0));
    EXPECT_EQ(NkComPortOpen(kPort), kPort);
    EXPECT_EQ(NkComPortClose(kPort), NKCOMPORT_OK);
    EXPECT_TRUE(sim->waitForState(0, "connected", "0"));
}

TEST_F(Rfc2217Port, EveryByteValueCrossesBothWays) {
    const Bytes bytes = allByteValues();
    EXPECT_EQ(roundTrip(bytes, bytes.size()), bytes);
    EXPECT_EQ(sim->state(0)["received"], std::to_string(bytes.size()));
    EXPECT_EQ(roundTrip({0xFF}, 1), Bytes{0xFF});
    EXPECT_EQ(NkComPortWriteByte(kPort, 0xFF, 1000), NKCOMPORT_OK);
    EXPECT_EQ(NkComPortReadByte(kPort, 1000), 0xFF);
}

TEST_F(Rfc2217Port, LineSettingsReachTheServerAndReadBack) {
    struct Case {
        uint32_t baud;
        uint8_t dataBits, parity, stopBits;
        const char *wireParity, *wireStop;
    };
    const Case cases[] = {
        {9600, 8, NKCOMPORT_PARITY_NONE, NKCOMPORT_STOPBITS_1, "1", "1"},
        {300, 7, NKCOMPORT_PARITY_EVEN, NKCOMPORT_STOPBITS_2, "3", "2"},
        {511, 5, NKCOMPORT_PARITY_MARK, NKCOMPORT_STOPBITS_1_5, "4", "3"}, // 511 has an 0xFF byte
        {600, 6, NKCOMPORT_PARITY_SPACE, NKCOMPORT_STOPBITS_2, "5", "2"},
        {115200, 8, NKCOMPORT_PARITY_ODD, NKCOMPORT_STOPBITS_1, "2", "1"},
    };
    for (const auto& c : cases) {
        NkComPortConfig set{};
        set.Mask = NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_DATABITS | NKCOMPORT_CFG_PARITY |
                   NKCOMPORT_CFG_STOPBITS | NKCOMPORT_CFG_RAW;
        set.BaudRate = c.baud;
        set.DataBits = c.dataBits;
        set.Parity = c.parity;
        set.StopBits = c.stopBits;
        ASSERT_EQ(NkComPortSetConfig(kPort, &set), NKCOMPORT_OK) << c.baud;
        auto state = sim->state(0);
        EXPECT_EQ(state["baud"], std::to_string(c.baud));
        EXPECT_EQ(state["datasize"], std::to_string(c.dataBits));
        EXPECT_EQ(state["parity"], c.wireParity);
        EXPECT_EQ(state["stopsize"], c.wireStop);

        NkComPortConfig got{};
        got.Mask = set.Mask & ~uint32_t{NKCOMPORT_CFG_RAW};
        ASSERT_EQ(NkComPortGetConfig(kPort, &got), NKCOMPORT_OK);
        EXPECT_EQ(got.BaudRate, c.baud);
        EXPECT_EQ(got.DataBits, c.dataBits);
        EXPECT_EQ(got.Parity, c.parity);
        EXPECT_EQ(got.StopBits, c.stopBits);
    }
}

TEST_F(Rfc2217Port, SettingsWithoutACounterpartAreRefused) {
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_RTSCONTROL;
    config.RtsControl = NKCOMPORT_LINE_TOGGLE;
    EXPECT_EQ(NkComPortSetConfig(kPort, &config), NKCOMPORT_ERROR_SET_CONFIG);
    config.Mask = NKCOMPORT_CFG_DATABITS;
    config.DataBits = 4;
    EXPECT_EQ(NkComPortSetConfig(kPort, &config), NKCOMPORT_ERROR_SET_CONFIG);
    config.Mask = NKCOMPORT_CFG_BAUDRATE;
    config.BaudRate = 0;
    EXPECT_EQ(NkComPortSetConfig(kPort, &config), NKCOMPORT_ERROR_SET_CONFIG);
    // The modes of lines never set in this connection are unknown.
    config.Mask = NKCOMPORT_CFG_DTRCONTROL;
    EXPECT_EQ(NkComPortGetConfig(kPort, &config), NKCOMPORT_ERROR_GET_CONFIG);
}

TEST_F(Rfc2217Port, ControlLinesDriveTheDeviceAndItsAnswerShowsAtOnce) {
    struct Step {
        uint32_t control;
        const char *dtr, *rts;
        uint32_t status;
    };
    const Step steps[] = {
        {12, "1", "0", NKCOMPORT_MODEM_DSR | NKCOMPORT_MODEM_DCD},
        {3, "1", "1", NKCOMPORT_MODEM_DSR | NKCOMPORT_MODEM_DCD | NKCOMPORT_MODEM_CTS},
        {14, "1", "0", NKCOMPORT_MODEM_DSR | NKCOMPORT_MODEM_DCD},
        {0, "1", "0", NKCOMPORT_MODEM_DSR | NKCOMPORT_MODEM_DCD},
        {8, "0", "0", 0},
        {3 | 12, "1", "1", NKCOMPORT_MODEM_DSR | NKCOMPORT_MODEM_DCD | NKCOMPORT_MODEM_CTS},
        {2 | 8, "0", "0", 0},
    };
    for (const auto& step : steps) {
        ASSERT_EQ(NkComPortSetControl(kPort, step.control), NKCOMPORT_OK);
        EXPECT_EQ(modemStatus(), step.status) << "control word " << step.control;
        auto state = sim->state(0);
        EXPECT_EQ(state["dtr"], step.dtr) << "control word " << step.control;
        EXPECT_EQ(state["rts"], step.rts) << "control word " << step.control;
    }
    sim->setLine(0, "ri", true);
    EXPECT_EQ(modemStatus(), NKCOMPORT_MODEM_RI);
    sim->setLine(0, "ri", false);
    EXPECT_EQ(modemStatus(), 0u);
}

TEST_F(Rfc2217Port, ControlModesSetAreReportedBack) {
    NkComPortConfig set{};
    set.Mask = NKCOMPORT_CFG_DTRCONTROL | NKCOMPORT_CFG_RTSCONTROL;
    set.DtrControl = NKCOMPORT_LINE_ON;
    set.RtsControl = NKCOMPORT_LINE_HANDSHAKE;
    ASSERT_EQ(NkComPortSetConfig(kPort, &set), NKCOMPORT_OK);
    EXPECT_EQ(modemStatus() & NKCOMPORT_MODEM_DSR, uint32_t{NKCOMPORT_MODEM_DSR});
    NkComPortConfig got{};
    got.Mask = set.Mask;
    ASSERT_EQ(NkComPortGetConfig(kPort, &got), NKCOMPORT_OK);
    EXPECT_EQ(got.DtrControl, NKCOMPORT_LINE_ON);
    EXPECT_EQ(got.RtsControl, NKCOMPORT_LINE_HANDSHAKE);
}

TEST_F(Rfc2217Port, AServerThatAcknowledgesNothingStillWorks) {
    open(1); // quiet: no answer to SET-CONTROL or SET-MODEMSTATE-MASK
    ASSERT_EQ(NkComPortSetControl(kPort, 12), NKCOMPORT_OK);
    EXPECT_EQ(modemStatus(), uint32_t{NKCOMPORT_MODEM_DSR | NKCOMPORT_MODEM_DCD});
    EXPECT_EQ(roundTrip({1, 2, 3}, 3), (Bytes{1, 2, 3}));
}

TEST_F(Rfc2217Port, DefaultTimeOutOfZeroFailsAtOnce) {
    const auto start = Clock::now();
    EXPECT_EQ(NkComPortReadByte(kPort, -1), NKCOMPORT_ERROR_READ_TIMEOUT);
    EXPECT_LT(msSince(start), 250); // "at once", with room for a loaded machine
}

TEST_F(Rfc2217Port, ShortAnswerIsATimeOut) {
    sim->send(0, Bytes{1, 2, 3});
    uint8_t buffer[5] = {};
    const auto start = Clock::now();
    EXPECT_EQ(NkComPortReadArray(kPort, buffer, 5, 200), NKCOMPORT_ERROR_READ_TIMEOUT);
    EXPECT_GE(msSince(start), 200);
    EXPECT_EQ(buffer[2], 3);

    // The same by a fault of the device: one byte short.
    sim->fault(0, "short/1");
    Bytes answer(4);
    const Bytes request{5, 6, 7, 8};
    EXPECT_EQ(NkComPortWriteAndRead(kPort, request.data(), 4, answer.data(), 4, 200),
              NKCOMPORT_ERROR_READ_TIMEOUT);
    EXPECT_EQ(roundTrip(request, 4), request); // the fault was for one answer only
}

TEST_F(Rfc2217Port, BreakCutsShortALongRead) {
    auto read = std::async(std::launch::async, [] {
        uint8_t buffer[4];
        return NkComPortReadArray(kPort, buffer, 4, 60000);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    ASSERT_EQ(NkComPortBreak(kPort), NKCOMPORT_OK);
    ASSERT_EQ(read.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_LT(msSince(start), 500); // it takes well under 100 ms; the bound leaves room for load
    EXPECT_EQ(read.get(), NKCOMPORT_ERROR_READ_ABORTED);
    EXPECT_EQ(roundTrip({4}, 1), Bytes{4}); // and the port goes on
}

TEST_F(Rfc2217Port, ADroppedConnectionEndsAWaitingReadPromptly) {
    auto read = std::async(std::launch::async, [] { return NkComPortReadByte(kPort, 60000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    sim->drop(0);
    ASSERT_EQ(read.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_LT(msSince(start), 500);
    EXPECT_EQ(read.get(), NKCOMPORT_ERROR_READ);

    // Everything else fails too, without waiting, until the port is reopened.
    uint8_t byte = 1;
    uint32_t word = 0;
    EXPECT_EQ(NkComPortWriteArray(kPort, &byte, 1, 1000), NKCOMPORT_ERROR_WRITE);
    EXPECT_EQ(NkComPortSetControl(kPort, 12), NKCOMPORT_ERROR_SET_CONTROL);
    EXPECT_EQ(NkComPortGetControl(kPort, &word), NKCOMPORT_ERROR_GET_CONTROL);
    EXPECT_EQ(NkComPortPurge(kPort, 4), NKCOMPORT_ERROR_PURGE);
    EXPECT_EQ(NkComPortGetQueue(kPort, &word, &word), NKCOMPORT_ERROR_QUEUE);
    open(0);
    EXPECT_EQ(roundTrip({9}, 1), Bytes{9});
}

TEST_F(Rfc2217Port, BytesThatCameBeforeTheDropAreStillRead) {
    sim->fault(0, "drop:2/1"); // two bytes of the answer, then the connection goes
    const Bytes request{1, 2, 3, 4, 5};
    Bytes answer(5);
    const auto start = Clock::now();
    EXPECT_EQ(NkComPortWriteAndRead(kPort, request.data(), 5, answer.data(), 5, 5000),
              NKCOMPORT_ERROR_READ);
    EXPECT_LT(msSince(start), 1000);
    EXPECT_EQ(answer[0], 1);
    EXPECT_EQ(answer[1], 2);
}

TEST_F(Rfc2217Port, PurgeDiscardsAnswersStillOnTheWay) {
    // The server holds the echo back for 300 ms; purging drops it there.
    sim->fault(0, "delay:300/1");
    ASSERT_EQ(NkComPortWriteArray(kPort, Bytes{1, 2}.data(), 2, 1000), NKCOMPORT_OK);
    ASSERT_TRUE(sim->waitForState(0, "received", "2"));
    ASSERT_EQ(NkComPortPurge(kPort, NKCOMPORT_PURGE_INPUT), NKCOMPORT_OK);
    EXPECT_EQ(NkComPortReadByte(kPort, 500), NKCOMPORT_ERROR_READ_TIMEOUT);

    // An answer already here is dropped too.
    sim->send(0, Bytes{7, 7, 7});
    ASSERT_EQ(NkComPortPurge(kPort, NKCOMPORT_PURGE_INPUT | NKCOMPORT_PURGE_OUTPUT), NKCOMPORT_OK);
    uint32_t input = 1;
    ASSERT_EQ(NkComPortGetQueue(kPort, &input, nullptr), NKCOMPORT_OK);
    EXPECT_EQ(input, 0u);
    EXPECT_EQ(NkComPortReadByte(kPort, 50), NKCOMPORT_ERROR_READ_TIMEOUT);
}

TEST_F(Rfc2217Port, QueueCountsWhatHasArrived) {
    sim->send(0, Bytes{1, 0xFF, 3});
    const auto start = Clock::now();
    uint32_t input = 0;
    uint32_t output = 99;
    while (input < 3 && msSince(start) < 2000) {
        ASSERT_EQ(NkComPortGetQueue(kPort, &input, &output), NKCOMPORT_OK);
    }
    EXPECT_EQ(input, 3u); // the 0xFF counts once
    EXPECT_EQ(output, 0u);
}

TEST_F(Rfc2217Port, LateAnswerIsATimeOutAndStaysForTheNextRead) {
    sim->fault(0, "delay:300/1");
    Bytes answer(2);
    EXPECT_EQ(NkComPortWriteAndRead(kPort, Bytes{5, 6}.data(), 2, answer.data(), 2, 100),
              NKCOMPORT_ERROR_READ_TIMEOUT);
    EXPECT_EQ(NkComPortReadArray(kPort, answer.data(), 2, 1000), NKCOMPORT_OK);
    EXPECT_EQ(answer, (Bytes{5, 6}));
}

TEST_F(Rfc2217Port, WriteAndReadExSwitchesLinesAroundItsPhases) {
    open(2); // answers every request with 47 bytes
    const uint8_t request = 0x21;
    Bytes answer(47);
    // DTR up before sending, RTS up before reading, both down at the end.
    const NkComPortExRequest r{&request, answer.data(), 1, 47, 12, 3, 10, 1000, 1000};
    EXPECT_EQ(NkComPortWriteAndReadEx(kPort, &r), NKCOMPORT_OK);
    EXPECT_EQ(answer, Bytes(47, 0x21));
    EXPECT_EQ(modemStatus(), 0u);
    auto state = sim->state(2);
    EXPECT_EQ(state["dtr"], "0");
    EXPECT_EQ(state["rts"], "0");

    // A failed read still ends with the end control word.
    sim->fault(2, "silent/1");
    const NkComPortExRequest silent{&request, answer.data(), 1, 47, 12, 0, 8, 1000, 50};
    EXPECT_EQ(NkComPortWriteAndReadEx(kPort, &silent), NKCOMPORT_ERROR_READ_TIMEOUT);
    EXPECT_EQ(modemStatus(), 0u);
}

namespace {

// A TCP peer that accepts one connection and runs a session on it.
class FakeServer {
public:
    using Session = std::function<void(int client)>;

    explicit FakeServer(Session session) {
        listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listen_, 1);
        socklen_t size = sizeof address;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, session = std::move(session)] {
            const int client = ::accept(listen_, nullptr, nullptr);
            if (client >= 0) {
                const int on = 1;
                ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
                session(client);
                ::close(client);
            }
        });
    }
    ~FakeServer() {
        ::shutdown(listen_, SHUT_RDWR);
        ::close(listen_);
        thread_.join();
    }
    std::string address() const { return "rfc2217://127.0.0.1:" + std::to_string(port_); }

private:
    int listen_;
    uint16_t port_;
    std::thread thread_;
};

void sendAll(int client, const Bytes& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return;
        }
        sent += static_cast<size_t>(n);
    }
}

// Sends the greeting, then takes whatever the client sends until it goes.
FakeServer::Session greets(Bytes greeting) {
    return [greeting](int client) {
        sendAll(client, greeting);
        uint8_t sink[256];
        while (::recv(client, sink, sizeof sink, 0) > 0) {
        }
    };
}

constexpr uint8_t IAC = 0xFF, SB = 0xFA, SE = 0xF0, WILL = 0xFB, DO = 0xFD, DONT = 0xFE;
constexpr uint8_t COM_PORT = 44, SET_CONTROL = 5, NOTIFY_MODEMSTATE = 7, SERVER = 100;

// Picks the SET-CONTROL values out of a client's stream of telnet commands.
class ControlReader {
public:
    Bytes controls(std::span<const uint8_t> bytes) {
        Bytes values;
        for (const uint8_t b : bytes) {
            switch (state_) {
            case State::Data:
                state_ = b == IAC ? State::Iac : State::Data;
                break;
            case State::Iac:
                state_ =
                    b == SB ? State::Sub : (b >= WILL && b <= DONT ? State::Option : State::Data);
                payload_.clear();
                break;
            case State::Option:
                state_ = State::Data;
                break;
            case State::Sub:
                if (b == IAC) {
                    state_ = State::SubIac;
                } else {
                    payload_.push_back(b);
                }
                break;
            case State::SubIac:
                if (b != SE) {
                    payload_.push_back(b); // a doubled 0xFF
                    state_ = State::Sub;
                    break;
                }
                if (payload_.size() == 3 && payload_[0] == COM_PORT && payload_[1] == SET_CONTROL) {
                    values.push_back(payload_[2]);
                }
                state_ = State::Data;
                break;
            }
        }
        return values;
    }

private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    State state_ = State::Data;
    Bytes payload_;
};

Bytes serverMessage(uint8_t command, uint8_t value) {
    return {IAC, SB, COM_PORT, static_cast<uint8_t>(SERVER + command), value, IAC, SE};
}

void append(Bytes& to, const Bytes& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// The server of a loop-back plug (DTR shows as DSR and CD, RTS as CTS) over
// a slow link: what it says about one SET-CONTROL leaves only when the next
// arrives, or after a pause when none does. A client that sends its control
// words back to back gets the notification of an earlier change after it has
// sent the last one. It notifies every change on its own, with or without
// acknowledging the command.
FakeServer::Session laggingLoopback(bool acknowledges) {
    return [acknowledges](int client) {
        constexpr int kLagMs = 100;
        Bytes greeting = {IAC, DO, COM_PORT};
        append(greeting, serverMessage(NOTIFY_MODEMSTATE, 0));
        sendAll(client, greeting);
        Bytes held;
        ControlReader reader;
        bool dtr = false;
        bool rts = false;
        uint8_t notified = 0;
        for (;;) {
            pollfd ready{client, POLLIN, 0};
            if (::poll(&ready, 1, held.empty() ? -1 : kLagMs) == 0) {
                sendAll(client, held);
                held.clear();
                continue;
            }
            uint8_t chunk[256];
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0) {
                return;
            }
            for (const uint8_t value : reader.controls(std::span(chunk, static_cast<size_t>(n)))) {
                sendAll(client, held);
                held.clear();
                dtr = value == 8 ? true : value == 9 ? false : dtr;
                rts = value == 11 ? true : value == 12 ? false : rts;
                if (acknowledges) {
                    append(held, serverMessage(SET_CONTROL, value));
                }
                const uint8_t state = (dtr ? 0xA0 : 0) | (rts ? 0x10 : 0);
                if (state != notified) {
                    const uint8_t changed = (state ^ notified) >> 4;
                    append(held, serverMessage(NOTIFY_MODEMSTATE, state | changed));
                    notified = state;
                }
            }
        }
    };
}

} // namespace

TEST(Rfc2217Open, ServersThatCannotServeAreReported) {
    {
        FakeServer refuses(greets({IAC, DONT, COM_PORT}));
        pointPortAt(kPort, refuses.address());
        EXPECT_EQ(NkComPortOpen(kPort), NKCOMPORT_ERROR_OPEN);
        EXPECT_EQ(openError(kPort), refuses.address() + ": the server refused the COM port option");
    }
    // Nobody listens on a port just given up.
    std::string address;
    {
        FakeServer gone(greets({}));
        address = gone.address();
    }
    pointPortAt(kPort, address);
    EXPECT_EQ(NkComPortOpen(kPort), NKCOMPORT_ERROR_OPEN);
    EXPECT_EQ(openError(kPort), address + ": Connection refused");
    ::unsetenv("LGMSERVICE_COM4");
}

TEST(Rfc2217ModemStatus, TellsTheLinesAfterTheLastChangeWhenNotificationsRunLate) {
    constexpr uint32_t kDtrLines = NKCOMPORT_MODEM_DSR | NKCOMPORT_MODEM_DCD;
    struct Case {
        std::vector<uint32_t> words;
        uint32_t status;
    };
    const Case cases[] = {
        {{12, 8}, 0},             // DTR up and down again
        {{12, 3, 2 | 8}, 0},      // the phases of a two-phase transfer
        {{12, 8, 12}, kDtrLines}, // an adaptor powered off and on again
        {{8, 12}, kDtrLines},     // the same from cold: the first word changes nothing
        {{3 | 12, 2}, kDtrLines}, // both lines in one word
    };
    for (const bool acknowledges : {true, false}) {
        for (const auto& c : cases) {
            std::string words;
            for (const uint32_t word : c.words) {
                words += " " + std::to_string(word);
            }
            SCOPED_TRACE("control words" + words + (acknowledges ? ", acknowledged" : ""));
            FakeServer server(laggingLoopback(acknowledges));
            pointPortAt(kPort, server.address());
            ASSERT_EQ(NkComPortOpen(kPort), kPort) << openError(kPort);
            for (const uint32_t word : c.words) {
                ASSERT_EQ(NkComPortSetControl(kPort, word), NKCOMPORT_OK);
            }
            uint32_t status = 0xDEAD;
            EXPECT_EQ(NkComPortGetControl(kPort, &status), NKCOMPORT_OK);
            EXPECT_EQ(status, c.status);
            NkComPortClose(kPort);
        }
    }
    ::unsetenv("LGMSERVICE_COM4");
}
