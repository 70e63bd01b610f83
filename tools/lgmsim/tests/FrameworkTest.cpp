// lgmsim's pure parts: the server's telnet parser, faults, the command line.
#include "CommandLine.h"
#include "Faults.h"
#include "Telnet.h"

#include <gtest/gtest.h>

using namespace lgmsim;
using Bytes = std::vector<uint8_t>;

namespace {

// "D:616263" for data, "V:251/44" for a verb, "S:44/0100" for a subnegotiation.
std::vector<std::string> describe(const std::vector<telnet::Event>& events) {
    std::vector<std::string> out;
    for (const auto& e : events) {
        char hex[3];
        std::string bytes;
        for (uint8_t b : e.bytes) {
            std::snprintf(hex, sizeof hex, "%02X", b);
            bytes += hex;
        }
        switch (e.kind) {
        case telnet::Event::Kind::Data:
            out.push_back("D:" + bytes);
            break;
        case telnet::Event::Kind::Verb:
            out.push_back("V:" + std::to_string(e.verb) + "/" + std::to_string(e.option));
            break;
        case telnet::Event::Kind::Subnegotiation:
            out.push_back("S:" + std::to_string(e.option) + "/" + bytes);
            break;
        }
    }
    return out;
}

// Parses input in two pieces split at every position; data runs may be
// split too, so adjacent data events are joined before comparing.
void expectParsed(const Bytes& input, const std::vector<std::string>& expected) {
    for (size_t split = 0; split <= input.size(); ++split) {
        telnet::Parser parser;
        std::vector<telnet::Event> events;
        parser.parse(std::span(input).first(split), events);
        parser.parse(std::span(input).subspan(split), events);
        std::vector<std::string> joined;
        for (const auto& text : describe(events)) {
            if (!joined.empty() && joined.back().starts_with("D:") && text.starts_with("D:")) {
                joined.back() += text.substr(2);
            } else {
                joined.push_back(text);
            }
        }
        EXPECT_EQ(joined, expected) << "split at " << split;
    }
}

} // namespace

TEST(SimTelnet, ParsesDataVerbsAndSubnegotiations) {
    expectParsed({'a', 0xFF, 0xFF, 'b', 0xFF, 251, 44, 0xFF, 250, 44, 1, 0, 0, 1, 0xFF, 0xFF, 0xFF,
                  240, 'c'},
                 {"D:61FF62", "V:251/44", "S:44/01000001FF", "D:63"});
}

TEST(SimTelnet, SurvivesDamagedInput) {
    // NOP and a stray SE vanish; a verb inside a subnegotiation ends it.
    expectParsed({'a', 0xFF, 241, 'b', 0xFF, 240, 'c'}, {"D:616263"});
    expectParsed({0xFF, 250, 44, 5, 0xFF, 253, 3, 'x'}, {"V:253/3", "D:78"});
    Bytes overlong{0xFF, 250, 44};
    overlong.insert(overlong.end(), 300, 7);
    overlong.insert(overlong.end(), {0xFF, 240, 'y'});
    expectParsed(overlong, {"D:79"});
}

TEST(SimTelnet, BuildsEscapedMessages) {
    Bytes out;
    const Bytes value{0, 0, 1, 0xFF};
    telnet::comPortMessageInto(101, value, out);
    EXPECT_EQ(out, (Bytes{0xFF, 250, 44, 101, 0, 0, 1, 0xFF, 0xFF, 0xFF, 240}));
}

TEST(SimFaults, ParseAndDescribe) {
    struct Case {
        const char* text;
        const char* described; // nullptr: refused
    };
    const Case cases[] = {
        {"silent", "silent"},
        {"checksum/2", "checksum/2"},
        {"short", "short"},
        {"short:3", "short:3"},
        {"drop:0/1", "drop:0/1"},
        {"delay:250", "delay:250"},
        {"delay", nullptr},
        {"checksum:1", nullptr},
        {"short:x", nullptr},
        {"delay:5/0", nullptr},
        {"loud", nullptr},
        {"", nullptr},
        {"checksum@2/1", "checksum@2/1"},
        {"delay:50@1", "delay:50@1"},
        {"silent@0", "silent"},
        {"checksum@", nullptr},
        {"checksum@x", nullptr},
        {"checksum/1@2", nullptr},
        {"short@1:3", nullptr},
        {"status@-1", nullptr},
    };
    for (const auto& c : cases) {
        std::string error;
        const auto fault = parseFault(c.text, error);
        if (c.described == nullptr) {
            EXPECT_FALSE(fault) << c.text;
            EXPECT_FALSE(error.empty()) << c.text;
            continue;
        }
        ASSERT_TRUE(fault) << c.text << ": " << error;
        FaultSet set;
        set.set(*fault);
        EXPECT_EQ(set.describe(), c.described);
    }
}

TEST(SimFaults, CountedFaultsWearOffAndCombine) {
    std::string error;
    FaultSet set;
    set.set(*parseFault("checksum/2", error));
    set.set(*parseFault("delay:40", error));
    set.set(*parseFault("short:3/1", error));
    EXPECT_EQ(set.describe(), "checksum/2,short:3/1,delay:40");

    FaultPlan plan = set.take(10);
    EXPECT_TRUE(plan.badChecksum);
    EXPECT_EQ(plan.keepBytes, 3u);
    EXPECT_EQ(plan.delay.count(), 40);
    plan = set.take(10);
    EXPECT_TRUE(plan.badChecksum);
    EXPECT_FALSE(plan.keepBytes);
    plan = set.take(10);
    EXPECT_FALSE(plan.badChecksum);
    EXPECT_EQ(plan.delay.count(), 40);
    EXPECT_EQ(set.describe(), "delay:40");

    set.set(*parseFault("short", error));
    EXPECT_EQ(set.take(10).keepBytes, 9u); // all but the last byte
    set.set(*parseFault("drop", error));
    plan = set.take(10);
    EXPECT_TRUE(plan.drop);
    EXPECT_EQ(plan.keepBytes, 0u);
    set.clear();
    EXPECT_TRUE(set.empty());
}

TEST(SimFaults, SkippedAnswersGoOutSoundEachFaultOnItsOwn) {
    std::string error;
    FaultSet set;
    set.set(*parseFault("checksum@2/1", error));
    set.set(*parseFault("status@1", error));
    set.set(*parseFault("delay:40", error));

    FaultPlan plan = set.take(10); // skipped by both, delayed all the same
    EXPECT_FALSE(plan.badChecksum);
    EXPECT_FALSE(plan.badStatus);
    EXPECT_EQ(plan.delay.count(), 40);
    EXPECT_EQ(set.describe(), "checksum@1/1,status,delay:40");
    plan = set.take(10);
    EXPECT_FALSE(plan.badChecksum);
    EXPECT_TRUE(plan.badStatus);
    plan = set.take(10);
    EXPECT_TRUE(plan.badChecksum);
    EXPECT_TRUE(plan.badStatus);
    plan = set.take(10); // the count is of spoilt answers, not of skipped ones
    EXPECT_FALSE(plan.badChecksum);
    EXPECT_TRUE(plan.badStatus);
    EXPECT_EQ(set.describe(), "status,delay:40");

    // A silent fault waiting to start leaves the answers in between alone.
    set.clear();
    set.set(*parseFault("silent@1/1", error));
    EXPECT_FALSE(set.take(4).silent);
    EXPECT_TRUE(set.take(4).silent);
    EXPECT_TRUE(set.empty());
}

TEST(SimCommandLine, ParsesDevicesAndOptions) {
    const std::vector<std::string> args{
        "--time-limit", "30", "-v", "echo",
        "echo:4001,baud-timing,quiet,fault=delay:5,fault=silent/1,fault=checksum@2/1,length=47"};
    std::string error;
    const auto line = parseCommandLine(args, error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(line->timeLimit.count(), 30);
    EXPECT_TRUE(line->verbose);
    ASSERT_EQ(line->devices.size(), 2u);
    EXPECT_EQ(line->devices[0].kind, "echo");
    EXPECT_EQ(line->devices[0].port, 0);
    const auto& second = line->devices[1];
    EXPECT_EQ(second.port, 4001);
    EXPECT_TRUE(second.baudTiming);
    EXPECT_TRUE(second.quiet);
    ASSERT_EQ(second.faults.size(), 3u);
    EXPECT_EQ(second.faults[2].kind, FaultKind::Checksum);
    EXPECT_EQ(second.faults[2].skip, 2u);
    EXPECT_EQ(second.faults[2].count, 1u);
    EXPECT_EQ(second.options.at("length"), "47");
}

TEST(SimCommandLine, RefusesBadInput) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--time-limit"},
        {"--time-limit", "0", "echo"},
        {"--time-limit", "x", "echo"},
        {"--colour", "echo"},
        {"echo:70000"},
        {"echo:abc"},
        {":4000"},
        {"echo,fault=nonsense"},
        {"echo,loud"},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(parseCommandLine(args, error)) << (args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(error.empty());
    }
}
