// Telnet framing, RFC 2217 messages and device names, on hand-built bytes.
#include "DeviceName.h"
#include "Rfc2217Protocol.h"
#include "Telnet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace nkcomport;
using Bytes = std::vector<uint8_t>;

namespace {

// Everything the decoder reports, written down in order.
struct Recorder : telnet::Sink {
    Bytes received;
    std::vector<std::string> events; // "data:…", "WILL 44", "sub:2C 6B 20"

    void data(std::span<const uint8_t> bytes) override {
        received.insert(received.end(), bytes.begin(), bytes.end());
        events.push_back("data:" + std::to_string(bytes.size()));
    }
    void option(uint8_t verb, uint8_t option) override {
        static const char* names[] = {"WILL", "WONT", "DO", "DONT"};
        events.push_back(std::string(names[verb - telnet::WILL]) + " " + std::to_string(option));
    }
    void subnegotiation(std::span<const uint8_t> payload) override {
        std::string text = "sub:";
        char hex[4];
        for (uint8_t b : payload) {
            std::snprintf(hex, sizeof hex, "%02X ", b);
            text += hex;
        }
        events.push_back(text);
    }
};

// Feeds input in pieces split at each position; the outcome must not depend on it.
void expectSameAtEverySplit(const Bytes& input, const Bytes& expectedData,
                            const std::vector<std::string>& expectedControl) {
    for (size_t split = 0; split <= input.size(); ++split) {
        telnet::Decoder decoder;
        Recorder recorder;
        decoder.feed(std::span(input).first(split), recorder);
        decoder.feed(std::span(input).subspan(split), recorder);
        EXPECT_EQ(recorder.received, expectedData) << "split at " << split;
        std::vector<std::string> control;
        for (const auto& e : recorder.events) {
            if (!e.starts_with("data:")) {
                control.push_back(e);
            }
        }
        EXPECT_EQ(control, expectedControl) << "split at " << split;
    }
}

} // namespace

TEST(TelnetEscape, DoublesEveryFF) {
    Bytes out;
    telnet::appendEscaped(Bytes{0x01, 0xFF, 0xFF, 0x02, 0xFF}, out);
    EXPECT_EQ(out, (Bytes{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0xFF, 0xFF}));
}

TEST(TelnetDecoder, UndoesDoubledFFAcrossAnyChunkBoundary) {
    expectSameAtEverySplit({0x10, 0xFF, 0xFF, 0xFF, 0xFF, 0x20, 0xFF, 0xFF},
                           {0x10, 0xFF, 0xFF, 0x20, 0xFF}, {});
}

TEST(TelnetDecoder, SeparatesDataFromOptionsAndSubnegotiations) {
    const Bytes input{'a',  0xFF, 0xFD, 44,  'b',  0xFF, 0xFA, 44,   107,
                      0x30, 0xFF, 0xF0, 'c', 0xFF, 0xFB, 0,    0xFF, 0xFF};
    expectSameAtEverySplit(input, {'a', 'b', 'c', 0xFF}, {"DO 44", "sub:2C 6B 30 ", "WILL 0"});
}

TEST(TelnetDecoder, UndoesDoubledFFInsideSubnegotiation) {
    // SET-BAUDRATE answer of 511 baud: 00 00 01 FF, the FF doubled.
    expectSameAtEverySplit({0xFF, 0xFA, 44, 101, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xF0}, {},
                           {"sub:2C 65 00 00 01 FF "});
}

TEST(TelnetDecoder, SurvivesDamagedInput) {
    struct Case {
        const char* name;
        Bytes input;
        Bytes data;
        std::vector<std::string> control;
    };
    const std::vector<Case> cases = {
        {"other commands are dropped",
         {'a', 0xFF, 0xF1, 'b', 0xFF, 0xF9, 'c'},
         {'a', 'b', 'c'},
         {}},
        {"stray IAC SE", {'a', 0xFF, 0xF0, 'b'}, {'a', 'b'}, {}},
        {"a verb inside a subnegotiation ends it unfinished",
         {0xFF, 0xFA, 44, 107, 0xFF, 0xFB, 1, 'x'},
         {'x'},
         {"WILL 1"}},
        {"a new SB restarts the subnegotiation",
         {0xFF, 0xFA, 44, 1, 0xFF, 0xFA, 44, 107, 0x20, 0xFF, 0xF0},
         {},
         {"sub:2C 6B 20 "}},
        {"empty subnegotiation", {0xFF, 0xFA, 0xFF, 0xF0, 'z'}, {'z'}, {"sub:"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectSameAtEverySplit(c.input, c.data, c.control);
    }
}

TEST(TelnetDecoder, DropsOverlongSubnegotiationAndCarriesOn) {
    Bytes input{0xFF, 0xFA, 44};
    input.insert(input.end(), telnet::Decoder::kMaxSubnegotiation + 10, 0x55);
    input.insert(input.end(), {0xFF, 0xF0, 'o', 'k'});
    expectSameAtEverySplit(input, {'o', 'k'}, {});
}

TEST(TelnetNegotiator, AnswersRequestsOnceAndNeverAcknowledgements) {
    const uint8_t supported[] = {telnet::OPTION_BINARY, telnet::OPTION_COM_PORT};
    telnet::Negotiator n(supported);
    Bytes out;
    n.requestLocal(telnet::OPTION_COM_PORT, out);
    EXPECT_EQ(out, (Bytes{0xFF, telnet::WILL, 44}));
    EXPECT_EQ(n.local(44), telnet::Negotiator::State::WantYes);

    struct Step {
        uint8_t verb;
        uint8_t option;
        Bytes answer;
    };
    const Step steps[] = {
        {telnet::DO, 44, {}},                       // acknowledgement of our WILL
        {telnet::DO, 44, {}},                       // repeated: still nothing
        {telnet::WILL, 0, {0xFF, telnet::DO, 0}},   // the server offers BINARY
        {telnet::WILL, 0, {}},                      // already agreed
        {telnet::WILL, 1, {0xFF, telnet::DONT, 1}}, // ECHO is refused
        {telnet::DO, 3, {0xFF, telnet::WONT, 3}},   // not supported here
        {telnet::WONT, 0, {0xFF, telnet::DONT, 0}}, // the server withdraws BINARY
        {telnet::WONT, 0, {}},
    };
    for (const auto& step : steps) {
        out.clear();
        n.receive(step.verb, step.option, out);
        EXPECT_EQ(out, step.answer) << int(step.verb) << " " << int(step.option);
    }
    EXPECT_EQ(n.local(44), telnet::Negotiator::State::Yes);
    EXPECT_EQ(n.remote(0), telnet::Negotiator::State::No);
}

TEST(TelnetNegotiator, RefusalOfOurRequestIsRecorded) {
    const uint8_t supported[] = {telnet::OPTION_COM_PORT};
    telnet::Negotiator n(supported);
    Bytes out;
    n.requestLocal(44, out);
    out.clear();
    n.receive(telnet::DONT, 44, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(n.local(44), telnet::Negotiator::State::No);
}

TEST(Rfc2217Messages, EncodeWithEscapedValues) {
    Bytes out;
    rfc2217::appendBaudRate(511, out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFA, 44, 1, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xF0}));
    out.clear();
    rfc2217::appendBaudRate(9600, out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFA, 44, 1, 0, 0, 0x25, 0x80, 0xFF, 0xF0}));
    out.clear();
    rfc2217::appendCommand(rfc2217::SET_MODEMSTATE_MASK, 0xFF, out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFA, 44, 11, 0xFF, 0xFF, 0xFF, 0xF0}));
    out.clear();
    rfc2217::appendCommand(rfc2217::PURGE_DATA, rfc2217::PURGE_RECEIVE, out);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFA, 44, 12, 1, 0xFF, 0xF0}));
}

TEST(Rfc2217Messages, ParseOnlyServerMessagesOfTheComPortOption) {
    const Bytes notify{44, 107, 0x31};
    const auto message = rfc2217::parseServerMessage(notify);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->command, rfc2217::NOTIFY_MODEMSTATE);
    EXPECT_EQ(rfc2217::byteOf(message->value), 0x31);

    EXPECT_FALSE(rfc2217::parseServerMessage(Bytes{}));
    EXPECT_FALSE(rfc2217::parseServerMessage(Bytes{44}));
    EXPECT_FALSE(rfc2217::parseServerMessage(Bytes{1, 107, 0}));  // another option
    EXPECT_FALSE(rfc2217::parseServerMessage(Bytes{44, 7, 0}));   // a client's command
    EXPECT_FALSE(rfc2217::parseServerMessage(Bytes{44, 100, 0})); // no such answer

    EXPECT_EQ(rfc2217::baudRateOf(Bytes{0, 0, 0x25, 0x80}), 9600u);
    EXPECT_FALSE(rfc2217::baudRateOf(Bytes{0, 0x25, 0x80}));
    EXPECT_FALSE(rfc2217::byteOf(Bytes{}));
    EXPECT_FALSE(rfc2217::byteOf(Bytes{1, 2}));
}

TEST(Rfc2217Messages, LineSettingValuesMapBothWays) {
    for (uint8_t parity = 0; parity <= 4; ++parity) {
        EXPECT_EQ(rfc2217::parityFromWire(*rfc2217::parityToWire(parity)), parity);
    }
    EXPECT_EQ(rfc2217::parityToWire(2), 3); // even
    EXPECT_FALSE(rfc2217::parityToWire(5));
    EXPECT_FALSE(rfc2217::parityFromWire(0));
    EXPECT_EQ(rfc2217::stopBitsToWire(0), 1);
    EXPECT_EQ(rfc2217::stopBitsToWire(1), 3); // one and a half
    EXPECT_EQ(rfc2217::stopBitsToWire(2), 2);
    EXPECT_EQ(rfc2217::stopBitsFromWire(3), 1);
    EXPECT_FALSE(rfc2217::stopBitsToWire(3));
    EXPECT_FALSE(rfc2217::stopBitsFromWire(4));
}

TEST(DeviceNames, DefaultAndEnvironment) {
    ::unsetenv("LGMSERVICE_COM3");
    EXPECT_EQ(configuredDeviceName(2), "/dev/ttyS2");
    ::setenv("LGMSERVICE_COM3", "/dev/ttyUSB0", 1);
    EXPECT_EQ(configuredDeviceName(2), "/dev/ttyUSB0");
    ::setenv("LGMSERVICE_COM3", "", 1);
    EXPECT_EQ(configuredDeviceName(2), "/dev/ttyS2");
    ::unsetenv("LGMSERVICE_COM3");
}

TEST(DeviceNames, Parse) {
    const auto network = [](const char* name) {
        return std::get<NetworkDevice>(parseDeviceName(name));
    };
    EXPECT_EQ(std::get<LocalDevice>(parseDeviceName("/dev/ttyUSB0")).path, "/dev/ttyUSB0");
    EXPECT_EQ(network("rfc2217://localhost:4000").host, "localhost");
    EXPECT_EQ(network("rfc2217://localhost:4000").port, 4000);
    EXPECT_EQ(network("rfc2217://10.0.0.7:65535").port, 65535);
    EXPECT_EQ(network("rfc2217://[::1]:7000").host, "::1");
    for (const char* bad :
         {"", "ttyS0", "rfc2217://", "rfc2217://host", "rfc2217://host:", "rfc2217://:4000",
          "rfc2217://host:0", "rfc2217://host:65536", "rfc2217://host:40x0", "rfc2217://::1:4000",
          "rfc2217://[::1]4000", "rfc2217://host:4000/path"}) {
        EXPECT_TRUE(std::holds_alternative<BadDeviceName>(parseDeviceName(bad))) << bad;
    }
}
