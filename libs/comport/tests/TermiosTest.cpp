// The termios backend on pseudo-terminal pairs: the test holds the master
// side, the library opens the slave as its port.
#include "PortTesting.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace porttest;

namespace {

constexpr int32_t kPort = 2;

class PseudoTerminal {
public:
    PseudoTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            throw std::runtime_error("no pseudo-terminal");
        }
        slave_ = ::ptsname(master_);
        // The master side carries bytes both ways untouched too.
        termios t{};
        ::tcgetattr(master_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(master_, TCSANOW, &t);
    }
    ~PseudoTerminal() { closeMaster(); }

    const std::string& slave() const { return slave_; }

    void write(const Bytes& bytes) const {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads exactly count bytes, or fewer after waitMs without any.
    Bytes read(size_t count, int waitMs = 1000) const {
        Bytes bytes;
        uint8_t chunk[4096];
        while (bytes.size() < count) {
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, waitMs) <= 0) {
                break;
            }
            const ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }

    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    std::string slave_;
};

class TermiosPort : public ::testing::Test {
protected:
    void SetUp() override {
        pointPortAt(kPort, pty.slave());
        ASSERT_EQ(NkComPortOpen(kPort), kPort) << openError(kPort);
        setTimeout(0);
    }
    void TearDown() override {
        NkComPortClose(kPort);
        ::unsetenv("LGMSERVICE_COM3");
    }

    static void setTimeout(uint32_t ms) {
        NkComPortConfig config{};
        config.Mask = NKCOMPORT_CFG_TIMEOUT;
        config.Timeout = ms;
        ASSERT_EQ(NkComPortSetConfig(kPort, &config), NKCOMPORT_OK);
    }

    // Waits until the port's input queue holds count bytes.
    static void awaitInput(uint32_t count) {
        const auto start = Clock::now();
        uint32_t input = 0;
        while (msSince(start) < 2000) {
            ASSERT_EQ(NkComPortGetQueue(kPort, &input, nullptr), NKCOMPORT_OK);
            if (input >= count) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        FAIL() << "only " << input << " of " << count << " bytes arrived";
    }

    PseudoTerminal pty;
};

} // namespace

TEST_F(TermiosPort, OpeningAnOpenPortChangesNothing) {
    EXPECT_EQ(NkComPortOpen(kPort), kPort);
    EXPECT_EQ(deviceName(kPort), pty.slave());
    EXPECT_EQ(openError(kPort), "");
    EXPECT_EQ(NkComPortClose(kPort), NKCOMPORT_OK);
    EXPECT_EQ(NkComPortClose(kPort), NKCOMPORT_ERROR_NOT_OPEN);
}

TEST_F(TermiosPort, EveryByteValueCrossesTheRawLineBothWays) {
    const Bytes bytes = allByteValues();
    ASSERT_EQ(NkComPortWriteArray(kPort, bytes.data(), static_cast<int32_t>(bytes.size()), 1000),
              NKCOMPORT_OK);
    EXPECT_EQ(pty.read(bytes.size()), bytes);

    pty.write(bytes);
    Bytes received(bytes.size());
    ASSERT_EQ(
        NkComPortReadArray(kPort, received.data(), static_cast<int32_t>(received.size()), 2000),
        NKCOMPORT_OK);
    EXPECT_EQ(received, bytes);

    pty.write({0xFF, 0x00});
    EXPECT_EQ(NkComPortReadByte(kPort, 1000), 0xFF);
    EXPECT_EQ(NkComPortReadByte(kPort, 1000), 0x00);
    EXPECT_EQ(NkComPortWriteByte(kPort, 0x1A5, 1000), NKCOMPORT_OK); // the low 8 bits
    EXPECT_EQ(pty.read(1), Bytes{0xA5});
}

TEST_F(TermiosPort, DefaultTimeOutOfZeroFailsAtOnceWhenNothingWaits) {
    const auto start = Clock::now();
    EXPECT_EQ(NkComPortReadByte(kPort, -1), NKCOMPORT_ERROR_READ_TIMEOUT);
    EXPECT_LT(msSince(start), 250); // "at once", with room for a loaded machine

    // …but takes what is already there.
    pty.write({7, 8});
    awaitInput(2);
    uint8_t two[2];
    EXPECT_EQ(NkComPortReadArray(kPort, two, 2, -1), NKCOMPORT_OK);
    EXPECT_EQ(two[1], 8);
}

TEST_F(TermiosPort, DefaultTimeOutSurvivesCloseAndReopen) {
    setTimeout(150);
    ASSERT_EQ(NkComPortClose(kPort), NKCOMPORT_OK);
    ASSERT_EQ(NkComPortOpen(kPort), kPort);
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_TIMEOUT;
    ASSERT_EQ(NkComPortGetConfig(kPort, &config), NKCOMPORT_OK);
    EXPECT_EQ(config.Timeout, 150u);
    const auto start = Clock::now();
    EXPECT_EQ(NkComPortReadByte(kPort, -1), NKCOMPORT_ERROR_READ_TIMEOUT);
    EXPECT_GE(msSince(start), 150);
}

TEST_F(TermiosPort, ShortReadIsATimeOutAndKeepsWhatCame) {
    pty.write({1, 2, 3});
    uint8_t buffer[5] = {};
    const auto start = Clock::now();
    EXPECT_EQ(NkComPortReadArray(kPort, buffer, 5, 200), NKCOMPORT_ERROR_READ_TIMEOUT);
    EXPECT_GE(msSince(start), 200);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[2], 3);
    // The port stays usable.
    pty.write({4});
    EXPECT_EQ(NkComPortReadByte(kPort, 1000), 4);
}

TEST_F(TermiosPort, BreakCutsShortALongRead) {
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
}

TEST_F(TermiosPort, BreakWithNothingWaitingCutsTheNextTransferThatWaits) {
    ASSERT_EQ(NkComPortBreak(kPort), NKCOMPORT_OK);
    // A read that finds its bytes does not wait, and leaves the break pending.
    pty.write({9});
    awaitInput(1);
    EXPECT_EQ(NkComPortReadByte(kPort, 1000), 9);
    const auto start = Clock::now();
    EXPECT_EQ(NkComPortReadByte(kPort, 5000), NKCOMPORT_ERROR_READ_ABORTED);
    EXPECT_LT(msSince(start), 500);
    // Taken once: the next read waits its time-out.
    EXPECT_EQ(NkComPortReadByte(kPort, 50), NKCOMPORT_ERROR_READ_TIMEOUT);
}

TEST_F(TermiosPort, PurgeAbortWakesAWaitingReadOnly) {
    // With nothing waiting it has no lasting effect…
    ASSERT_EQ(NkComPortPurge(kPort, NKCOMPORT_PURGE_ABORT_READ), NKCOMPORT_OK);
    EXPECT_EQ(NkComPortReadByte(kPort, 100), NKCOMPORT_ERROR_READ_TIMEOUT);
    // …and a waiting read ends at once.
    auto read = std::async(std::launch::async, [] { return NkComPortReadByte(kPort, 60000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(NkComPortPurge(kPort, NKCOMPORT_PURGE_ABORT_READ), NKCOMPORT_OK);
    ASSERT_EQ(read.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(read.get(), NKCOMPORT_ERROR_READ_ABORTED);
}

TEST_F(TermiosPort, CloseFromAnotherThreadEndsAWaitingRead) {
    auto read = std::async(std::launch::async, [] { return NkComPortReadByte(kPort, 60000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(NkComPortClose(kPort), NKCOMPORT_OK);
    ASSERT_EQ(read.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(read.get(), NKCOMPORT_ERROR_READ_ABORTED);
}

TEST_F(TermiosPort, PurgeDiscardsReceivedBytesAndCountsShowTheQueue) {
    pty.write({1, 2, 3, 4, 5, 6});
    awaitInput(6);
    uint32_t input = 0;
    uint32_t output = 99;
    ASSERT_EQ(NkComPortGetQueue(kPort, &input, &output), NKCOMPORT_OK);
    EXPECT_EQ(input, 6u);
    EXPECT_EQ(output, 0u);
    EXPECT_EQ(NkComPortPurge(kPort, 0), NKCOMPORT_OK);
    ASSERT_EQ(NkComPortGetQueue(kPort, &input, nullptr), NKCOMPORT_OK);
    EXPECT_EQ(input, 6u);
    EXPECT_EQ(NkComPortPurge(kPort, NKCOMPORT_PURGE_INPUT | NKCOMPORT_PURGE_OUTPUT), NKCOMPORT_OK);
    ASSERT_EQ(NkComPortGetQueue(kPort, &input, nullptr), NKCOMPORT_OK);
    EXPECT_EQ(input, 0u);
    EXPECT_EQ(NkComPortReadByte(kPort, 50), NKCOMPORT_ERROR_READ_TIMEOUT);
}

TEST_F(TermiosPort, WriteAndReadTakesBytesThatWereAlreadyWaiting) {
    pty.write({0xAA}); // a late answer to something earlier
    awaitInput(1);
    std::thread device([this] {
        EXPECT_EQ(pty.read(2), (Bytes{0x10, 0x20}));
        pty.write({0xBB});
    });
    const uint8_t request[] = {0x10, 0x20};
    uint8_t answer[2] = {};
    EXPECT_EQ(NkComPortWriteAndRead(kPort, request, 2, answer, 2, 2000), NKCOMPORT_OK);
    device.join();
    EXPECT_EQ(answer[0], 0xAA);
    EXPECT_EQ(answer[1], 0xBB);
}

TEST_F(TermiosPort, WriteAndReadExRunsItsPhases) {
    std::thread device([this] {
        EXPECT_EQ(pty.read(3), (Bytes{1, 2, 3}));
        pty.write({4, 5});
    });
    const uint8_t request[] = {1, 2, 3};
    uint8_t answer[2] = {};
    const NkComPortExRequest both{request, answer, 3, 2, 0, 0, 0, 1000, 1000};
    EXPECT_EQ(NkComPortWriteAndReadEx(kPort, &both), NKCOMPORT_OK);
    device.join();
    EXPECT_EQ(answer[1], 5);

    const NkComPortExRequest readOnly{nullptr, answer, 0, 2, 0, 0, 0, 0, 50};
    EXPECT_EQ(NkComPortWriteAndReadEx(kPort, &readOnly), NKCOMPORT_ERROR_READ_TIMEOUT);

    // A pseudo-terminal has no control lines: the first control word fails
    // and nothing is sent.
    const NkComPortExRequest withDtr{request, nullptr, 3, 0, 12, 0, 0, 1000, 0};
    EXPECT_EQ(NkComPortWriteAndReadEx(kPort, &withDtr), NKCOMPORT_ERROR_SET_CONTROL);
    EXPECT_EQ(pty.read(1, 50), Bytes{});
}

TEST_F(TermiosPort, LineSettingsAreAppliedAndReadBack) {
    struct Case {
        uint32_t baud;
        uint8_t stopBits;
        uint8_t parityCheck;
    };
    for (const Case& c : {Case{9600, 0, 0}, Case{115200, 2, 1}, Case{300, 0, 1}}) {
        NkComPortConfig set{};
        set.Mask = NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_DATABITS | NKCOMPORT_CFG_STOPBITS |
                   NKCOMPORT_CFG_PARITY | NKCOMPORT_CFG_PARITYCHECK | NKCOMPORT_CFG_RAW |
                   NKCOMPORT_CFG_TIMEOUT;
        set.BaudRate = c.baud;
        set.DataBits = 8;
        set.StopBits = c.stopBits;
        set.Parity = NKCOMPORT_PARITY_NONE;
        set.ParityCheck = c.parityCheck;
        set.Timeout = 40;
        ASSERT_EQ(NkComPortSetConfig(kPort, &set), NKCOMPORT_OK) << c.baud;
        NkComPortConfig got{};
        got.Mask = set.Mask & ~uint32_t{NKCOMPORT_CFG_RAW};
        ASSERT_EQ(NkComPortGetConfig(kPort, &got), NKCOMPORT_OK);
        EXPECT_EQ(got.BaudRate, c.baud);
        EXPECT_EQ(got.DataBits, 8);
        EXPECT_EQ(got.StopBits, c.stopBits);
        EXPECT_EQ(got.Parity, NKCOMPORT_PARITY_NONE);
        EXPECT_EQ(got.ParityCheck, c.parityCheck);
        EXPECT_EQ(got.Timeout, 40u);
    }
}

TEST_F(TermiosPort, SettingsTheDeviceDoesNotTakeAreRefused) {
    struct Case {
        const char* what;
        uint32_t mask;
        NkComPortConfig config;
    };
    const auto with = [](uint32_t mask, auto change) {
        NkComPortConfig c{};
        c.Mask = mask;
        change(c);
        return c;
    };
    const Case cases[] = {
        {"a rate termios does not know", 0,
         with(NKCOMPORT_CFG_BAUDRATE, [](auto& c) { c.BaudRate = 12345; })},
        {"9 data bits", 0, with(NKCOMPORT_CFG_DATABITS, [](auto& c) { c.DataBits = 9; })},
        // A pseudo-terminal always keeps 8 bits without parity: read back, it shows.
        {"7 data bits on a pseudo-terminal", 0,
         with(NKCOMPORT_CFG_DATABITS, [](auto& c) { c.DataBits = 7; })},
        {"even parity on a pseudo-terminal", 0,
         with(NKCOMPORT_CFG_PARITY, [](auto& c) { c.Parity = NKCOMPORT_PARITY_EVEN; })},
        {"parity 5", 0, with(NKCOMPORT_CFG_PARITY, [](auto& c) { c.Parity = 5; })},
        {"1.5 stop bits", 0,
         with(NKCOMPORT_CFG_STOPBITS, [](auto& c) { c.StopBits = NKCOMPORT_STOPBITS_1_5; })},
        {"RTS on while sending", 0,
         with(NKCOMPORT_CFG_RTSCONTROL, [](auto& c) { c.RtsControl = NKCOMPORT_LINE_TOGGLE; })},
        {"DTR handshake", 0,
         with(NKCOMPORT_CFG_DTRCONTROL, [](auto& c) { c.DtrControl = NKCOMPORT_LINE_HANDSHAKE; })},
        // No control lines to hold.
        {"RTS held on", 0,
         with(NKCOMPORT_CFG_RTSCONTROL, [](auto& c) { c.RtsControl = NKCOMPORT_LINE_ON; })},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NkComPortSetConfig(kPort, &c.config), NKCOMPORT_ERROR_SET_CONFIG) << c.what;
    }
    // A refused call with a time-out in it does not store the time-out.
    NkComPortConfig both = with(NKCOMPORT_CFG_TIMEOUT | NKCOMPORT_CFG_DATABITS, [](auto& c) {
        c.Timeout = 500;
        c.DataBits = 9;
    });
    EXPECT_EQ(NkComPortSetConfig(kPort, &both), NKCOMPORT_ERROR_SET_CONFIG);
    NkComPortConfig got{};
    got.Mask = NKCOMPORT_CFG_TIMEOUT | NKCOMPORT_CFG_DATABITS;
    ASSERT_EQ(NkComPortGetConfig(kPort, &got), NKCOMPORT_OK);
    EXPECT_EQ(got.Timeout, 0u);
    EXPECT_EQ(got.DataBits, 8);
}

TEST_F(TermiosPort, TimeOutAloneNeverTouchesTheDevice) {
    // Fields whose bits are clear are not looked at, however wrong they are.
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_TIMEOUT;
    config.Timeout = 25;
    config.DataBits = 42;
    config.RtsControl = NKCOMPORT_LINE_TOGGLE;
    EXPECT_EQ(NkComPortSetConfig(kPort, &config), NKCOMPORT_OK);
}

TEST_F(TermiosPort, WithoutControlLinesControlCallsFailHonestly) {
    EXPECT_EQ(NkComPortSetControl(kPort, 0), NKCOMPORT_OK); // changes nothing
    for (uint32_t word : {8u, 12u, 14u, 2u, 3u}) {
        EXPECT_EQ(NkComPortSetControl(kPort, word), NKCOMPORT_ERROR_SET_CONTROL) << word;
    }
    uint32_t status = 0;
    EXPECT_EQ(NkComPortGetControl(kPort, &status), NKCOMPORT_ERROR_GET_CONTROL);
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_DTRCONTROL;
    EXPECT_EQ(NkComPortGetConfig(kPort, &config), NKCOMPORT_ERROR_GET_CONFIG);
}

TEST_F(TermiosPort, TheDeviceIsHeldExclusively) {
    const int other = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(other, 0);
    EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(errno, EWOULDBLOCK);
    ::close(other);
}

TEST_F(TermiosPort, ABusyDeviceDoesNotOpen) {
    ASSERT_EQ(NkComPortClose(kPort), NKCOMPORT_OK);
    const int holder = ::open(pty.slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(NkComPortOpen(kPort), NKCOMPORT_ERROR_OPEN);
    EXPECT_EQ(openError(kPort), pty.slave() + ": in use by another program");
    ::close(holder);
    EXPECT_EQ(NkComPortOpen(kPort), kPort);
    EXPECT_EQ(openError(kPort), "");
}

TEST_F(TermiosPort, AVanishedDeviceEndsAWaitingReadWithAnError) {
    auto read = std::async(std::launch::async, [] { return NkComPortReadByte(kPort, 60000); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pty.closeMaster();
    ASSERT_EQ(read.wait_for(std::chrono::seconds(2)), std::future_status::ready);
    EXPECT_EQ(read.get(), NKCOMPORT_ERROR_READ);
    uint8_t byte = 1;
    EXPECT_EQ(NkComPortWriteArray(kPort, &byte, 1, 100), NKCOMPORT_ERROR_WRITE);
}
