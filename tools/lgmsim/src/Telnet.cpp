#include "Telnet.h"

namespace lgmsim::telnet {

namespace {
constexpr size_t kLongestSubnegotiation = 256;

void appendData(uint8_t byte, std::vector<Event>& events) {
    if (events.empty() || events.back().kind != Event::Kind::Data) {
        events.push_back({Event::Kind::Data, 0, 0, {}});
    }
    events.back().bytes.push_back(byte);
}
} // namespace

void Parser::parse(std::span<const uint8_t> chunk, std::vector<Event>& events) {
    for (const uint8_t byte : chunk) {
        switch (mode_) {
        case Mode::Data:
            if (byte == kIac) {
                mode_ = Mode::Command;
            } else {
                appendData(byte, events);
            }
            break;
        case Mode::Command:
        case Mode::SubCommand:
            if (byte == kIac && mode_ == Mode::Command) {
                appendData(byte, events);
                mode_ = Mode::Data;
            } else if (byte == kIac) {
                if (sub_.bytes.size() < kLongestSubnegotiation) {
                    sub_.bytes.push_back(byte);
                } else {
                    subOverflow_ = true;
                }
                mode_ = Mode::SubData;
            } else if (byte == kSe && mode_ == Mode::SubCommand) {
                if (!subOverflow_) {
                    events.push_back(sub_);
                }
                mode_ = Mode::Data;
            } else if (byte == kSb) {
                sub_.bytes.clear();
                subOverflow_ = false;
                mode_ = Mode::SubOption;
            } else if (byte >= kWill && byte <= kDont) {
                verb_ = byte;
                mode_ = Mode::Option;
            } else {
                mode_ = Mode::Data; // NOP, GA, a stray SE …: nothing to do
            }
            break;
        case Mode::Option:
            events.push_back({Event::Kind::Verb, verb_, byte, {}});
            mode_ = Mode::Data;
            break;
        case Mode::SubOption:
            if (byte == kIac) {
                mode_ = Mode::Command; // IAC SB IAC …: no option, treat as a command
            } else {
                sub_.option = byte;
                mode_ = Mode::SubData;
            }
            break;
        case Mode::SubData:
            if (byte == kIac) {
                mode_ = Mode::SubCommand;
            } else if (sub_.bytes.size() < kLongestSubnegotiation) {
                sub_.bytes.push_back(byte);
            } else {
                subOverflow_ = true;
            }
            break;
        }
    }
}

void escapeInto(std::span<const uint8_t> data, std::vector<uint8_t>& out) {
    for (const uint8_t byte : data) {
        out.push_back(byte);
        if (byte == kIac) {
            out.push_back(kIac);
        }
    }
}

void comPortMessageInto(uint8_t code, std::span<const uint8_t> value, std::vector<uint8_t>& out) {
    out.insert(out.end(), {kIac, kSb, kOptionComPort, code});
    escapeInto(value, out);
    out.insert(out.end(), {kIac, kSe});
}

} // namespace lgmsim::telnet
