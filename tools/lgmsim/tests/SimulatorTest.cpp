// lgmsim as a program, seen by a bare TCP client: exact bytes on the wire,
// faults, timing, control commands. Also the test helper that runs it.
#include "ChildProcess.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

long long msSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class RawClient {
public:
    explicit RawClient(uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("cannot connect");
        }
        const int on = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    ~RawClient() { ::close(fd_); }

    void send(const Bytes& bytes) const {
        ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }

    // Up to count bytes; fewer when nothing more comes within wait.
    Bytes receive(size_t count, std::chrono::milliseconds wait = 1000ms) {
        Bytes bytes;
        while (bytes.size() < count) {
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(wait.count())) <= 0) {
                break;
            }
            uint8_t chunk[4096];
            const ssize_t n = ::recv(fd_, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
            if (n <= 0) {
                closed_ = true;
                break;
            }
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }

    bool closed() {
        receive(1, 1000ms);
        return closed_;
    }

private:
    int fd_;
    bool closed_ = false;
};

const Bytes kWillComPort{0xFF, 0xFB, 44};

Bytes comPort(uint8_t code, Bytes value) {
    Bytes out{0xFF, 0xFA, 44, code};
    for (uint8_t b : value) {
        out.push_back(b);
        if (b == 0xFF) {
            out.push_back(0xFF);
        }
    }
    out.insert(out.end(), {0xFF, 0xF0});
    return out;
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

class Simulator : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sim = new lgmsim::SimProcess({"echo", "echo,length=47,baud-timing", "echo,quiet"});
    }
    static void TearDownTestSuite() {
        delete sim;
        sim = nullptr;
    }
    void TearDown() override {
        for (size_t device = 0; device < sim->deviceCount(); ++device) {
            sim->clearFaults(device);
        }
    }

    // A client on device, once lgmsim has taken it.
    static std::unique_ptr<RawClient> connect(size_t device) {
        auto client = std::make_unique<RawClient>(sim->port(device));
        EXPECT_TRUE(sim->waitForState(device, "connected", "1"));
        return client;
    }

    static lgmsim::SimProcess* sim;
};

lgmsim::SimProcess* Simulator::sim = nullptr;

} // namespace

TEST_F(Simulator, EachDeviceListensOnItsOwnPort) {
    EXPECT_EQ(sim->deviceCount(), 3u);
    EXPECT_NE(sim->port(0), sim->port(1));
    EXPECT_EQ(sim->address(2), "rfc2217://127.0.0.1:" + std::to_string(sim->port(2)));
}

TEST_F(Simulator, NegotiatesTheComPortOptionAndTellsTheLinesAtOnce) {
    auto client = connect(0);
    client->send(kWillComPort);
    // DO COM-PORT-OPTION, then NOTIFY-MODEMSTATE with no line on.
    EXPECT_EQ(client->receive(10), join({{0xFF, 0xFD, 44}, comPort(107, {0x00})}));

    client->send(
        {0xFF, 0xFB, 1, 0xFF, 0xFD, 0, 0xFF, 0xFB, 44}); // WILL ECHO, DO BINARY, WILL 44 again
    EXPECT_EQ(client->receive(6), (Bytes{0xFF, 0xFE, 1, 0xFF, 0xFB, 0}));

    // DTR on: acknowledged, and the loop-back shows DSR and CD, flagged as changed.
    client->send(comPort(5, {8}));
    EXPECT_EQ(client->receive(14), join({comPort(105, {8}), comPort(107, {0xA0 | 0x0A})}));
    // RTS on: CTS.
    client->send(comPort(5, {11}));
    EXPECT_EQ(client->receive(14), join({comPort(105, {11}), comPort(107, {0xB0 | 0x01})}));
    auto state = sim->state(0);
    EXPECT_EQ(state["dtr"], "1");
    EXPECT_EQ(state["cts"], "1");

    // Lines set by a control command reach the client before the command's "ok".
    sim->setLine(0, "ri", true);
    EXPECT_EQ(client->receive(7, 0ms), comPort(107, {0xF0 | 0x04}));
    // The state mask hides what the client did not ask for.
    client->send(comPort(11, {0x0F}));
    EXPECT_EQ(client->receive(7), comPort(111, {0x0F}));
    sim->setLine(0, "ri", false);
    EXPECT_EQ(client->receive(7, 0ms), comPort(107, {0x04}));
}

TEST_F(Simulator, LineSettingsAnsweredWithWhatHolds) {
    auto client = connect(0);
    client->send(comPort(1, {0, 0, 1, 0xFF})); // 511 baud: the value carries an 0xFF
    EXPECT_EQ(client->receive(11), comPort(101, {0, 0, 1, 0xFF}));
    client->send(comPort(1, {0, 0, 0, 0})); // 0 asks
    EXPECT_EQ(client->receive(11), comPort(101, {0, 0, 1, 0xFF}));
    client->send(join({comPort(2, {7}), comPort(3, {3}), comPort(4, {3})}));
    EXPECT_EQ(client->receive(21), join({comPort(102, {7}), comPort(103, {3}), comPort(104, {3})}));
    // Out of range: refused, the reply says what holds.
    client->send(join({comPort(2, {9}), comPort(3, {6})}));
    EXPECT_EQ(client->receive(14), join({comPort(102, {7}), comPort(103, {3})}));
    auto state = sim->state(0);
    EXPECT_EQ(state["baud"], "511");
    EXPECT_EQ(state["datasize"], "7");
    EXPECT_EQ(state["parity"], "3");
    EXPECT_EQ(state["stopsize"], "3");
}

TEST_F(Simulator, DataIsEscapedBothWays) {
    auto client = connect(0);
    client->send({1, 0xFF, 0xFF, 2, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(client->receive(8), (Bytes{1, 0xFF, 0xFF, 2, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(sim->state(0)["received"], "5");
    sim->send(0, Bytes{0xFF, 0x00});
    EXPECT_EQ(client->receive(3), (Bytes{0xFF, 0xFF, 0x00}));
}

TEST_F(Simulator, FaultsSpoilAnswers) {
    auto client = connect(0);
    const Bytes request{0x10, 0x20, 0x30, 0x40};
    struct Case {
        const char* fault;
        Bytes answer;
    };
    const Case cases[] = {
        {"checksum/1", {0x10, 0x20, 0x30, 0xBF}}, // the echo's "checksum" is its last byte
        {"status/1", {0xEF, 0x20, 0x30, 0x40}},   // and its "status" the first
        {"short/1", {0x10, 0x20, 0x30}},          {"short:1/1", {0x10}}, {"silent/1", {}},
    };
    for (const auto& c : cases) {
        sim->fault(0, c.fault);
        client->send(request);
        EXPECT_EQ(client->receive(4, 200ms), c.answer) << c.fault;
        client->send(request); // the fault was for one answer only
        EXPECT_EQ(client->receive(4), request) << c.fault;
    }
}

TEST_F(Simulator, AFaultMayWaitForLaterAnswers) {
    auto client = connect(0);
    const Bytes request{0x10, 0x20, 0x30, 0x40};
    const Bytes spoilt{0x10, 0x20, 0x30, 0xBF};
    const auto ask = [&] {
        client->send(request);
        return client->receive(4);
    };
    sim->faultAfter(0, 2, "checksum/1");
    EXPECT_EQ(sim->state(0)["faults"], "checksum@2/1");
    EXPECT_EQ(ask(), request);
    EXPECT_EQ(sim->state(0)["faults"], "checksum@1/1");
    EXPECT_EQ(ask(), request);
    EXPECT_EQ(ask(), spoilt);
    EXPECT_EQ(ask(), request);
    EXPECT_EQ(sim->state(0)["faults"], "none");

    // Without a count the fault stays from its first answer on; the plain
    // string form is the same fault.
    sim->fault(0, "checksum@1");
    EXPECT_EQ(ask(), request);
    EXPECT_EQ(ask(), spoilt);
    EXPECT_EQ(ask(), spoilt);
    sim->faultAfter(0, 1, "silent/1");
    EXPECT_EQ(sim->state(0)["faults"], "silent@1/1,checksum");
}

TEST(SimulatorProgram, FaultFromTheCommandLineHitsTheFirstAnswer) {
    lgmsim::SimProcess sim({"echo:0,fault=silent/1"});
    EXPECT_EQ(sim.state(0)["faults"], "silent/1");
    RawClient client(sim.port(0));
    client.send({1});
    EXPECT_EQ(client.receive(1, 200ms), Bytes{});
    client.send({2});
    EXPECT_EQ(client.receive(1), Bytes{2});
}

TEST_F(Simulator, DelayedAnswerKeepsItsOrder) {
    auto client = connect(0);
    sim->fault(0, "delay:200/1");
    const auto start = Clock::now();
    client->send({1});
    client->send({2}); // not delayed itself, but it cannot overtake
    const Bytes answer = client->receive(2, 1000ms);
    EXPECT_GE(msSince(start), 200);
    EXPECT_EQ(answer, (Bytes{1, 2}));
}

TEST_F(Simulator, PurgeDropsAnswersNotYetSent) {
    auto client = connect(0);
    sim->fault(0, "delay:200/1");
    client->send({1, 2, 3});
    ASSERT_TRUE(sim->waitForState(0, "received", "3"));
    client->send(comPort(12, {1}));
    EXPECT_EQ(client->receive(7), comPort(112, {1}));
    EXPECT_EQ(client->receive(1, 400ms), Bytes{});
}

TEST_F(Simulator, DropClosesTheConnection) {
    {
        auto client = connect(0);
        sim->fault(0, "drop:2/1");
        client->send({1, 2, 3});
        EXPECT_EQ(client->receive(3), (Bytes{1, 2}));
        EXPECT_TRUE(client->closed());
        EXPECT_TRUE(sim->waitForState(0, "connected", "0"));
    }
    {
        auto client = connect(0); // a new client is served again
        sim->drop(0);
        EXPECT_TRUE(client->closed());
    }
}

TEST_F(Simulator, OneClientAtATime) {
    auto first = connect(0);
    RawClient second(sim->port(0));
    EXPECT_TRUE(second.closed());
    first->send({5});
    EXPECT_EQ(first->receive(1), Bytes{5});
}

TEST_F(Simulator, BaudTimingPacesAnswers) {
    auto client = connect(1); // a 47-byte answer to every request
    // 9600 baud 8N1: ten bits a byte, 47 bytes take 49 ms.
    client->send(
        join({comPort(1, {0, 0, 0x25, 0x80}), comPort(2, {8}), comPort(3, {1}), comPort(4, {1})}));
    EXPECT_EQ(client->receive(31).size(), 31u);
    auto start = Clock::now();
    client->send({0x55});
    EXPECT_EQ(client->receive(47), Bytes(47, 0x55));
    EXPECT_GE(msSince(start), 48);

    // 2400 baud 8E2: twelve bits a byte, 47 bytes take 235 ms.
    client->send(join({comPort(1, {0, 0, 0x09, 0x60}), comPort(3, {3}), comPort(4, {2})}));
    EXPECT_EQ(client->receive(24).size(), 24u);
    start = Clock::now();
    client->send({0x66});
    EXPECT_EQ(client->receive(47), Bytes(47, 0x66));
    EXPECT_GE(msSince(start), 234);
}

TEST_F(Simulator, QuietDeviceAcknowledgesNoControl) {
    auto client = connect(2);
    client->send(kWillComPort);
    EXPECT_EQ(client->receive(10), join({{0xFF, 0xFD, 44}, comPort(107, {0x00})}));
    client->send(join({comPort(11, {0xFF}), comPort(5, {8})}));
    EXPECT_EQ(client->receive(7), comPort(107, {0xAA})); // only the notification
}

TEST_F(Simulator, ControlCommandErrorsAreReported) {
    for (const char* bad :
         {"dance", "fault 9 silent", "fault 0 loud", "fault 0", "set 0 dtr 1", "set 0 dsr 2",
          "send 0 0", "send 0 zz", "state x", "device 0 anything"}) {
        EXPECT_THROW(sim->command(bad), std::runtime_error) << bad;
    }
    // No client on device 0 right now.
    ASSERT_TRUE(sim->waitForState(0, "connected", "0"));
    EXPECT_THROW(sim->send(0, Bytes{1}), std::runtime_error);
    EXPECT_THROW(sim->drop(0), std::runtime_error);
}

TEST(SimulatorProgram, StopsByItselfAndExplainsItself) {
    lgmsim::ChildProcess limited({lgmsim::SimProcess::program(), "--time-limit", "1", "echo"});
    ASSERT_TRUE(
        limited.readLine(5s).value_or("").starts_with("listening device=0 kind=echo port="));
    const auto start = Clock::now();
    EXPECT_FALSE(limited.readLine(5s)); // output ends when it exits
    EXPECT_LT(msSince(start), 3000);

    lgmsim::ChildProcess help({lgmsim::SimProcess::program(), "--help"});
    std::string text;
    while (const auto line = help.readLine(5s)) {
        text += *line + "\n";
    }
    for (const char* expected :
         {"echo", "silent", "checksum", "status", "short", "drop", "delay", "@SKIP", "/COUNT",
          "baud-timing", "fault N FAULT", "listening device="}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }

    lgmsim::ChildProcess wrong({lgmsim::SimProcess::program(), "nosuchdevice"});
    EXPECT_FALSE(wrong.readLine(5s));
    const int status = wrong.stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
    EXPECT_THROW(lgmsim::SimProcess({"nosuchdevice"}), std::runtime_error);
}
