#include "Telnet.h"

#include <algorithm>

namespace nkcomport::telnet {

void appendEscaped(std::span<const uint8_t> bytes, std::vector<uint8_t>& out) {
    out.reserve(out.size() + bytes.size() + 4);
    for (uint8_t b : bytes) {
        out.push_back(b);
        if (b == IAC) {
            out.push_back(IAC);
        }
    }
}

void appendOption(uint8_t verb, uint8_t option, std::vector<uint8_t>& out) {
    out.insert(out.end(), {IAC, verb, option});
}

void appendSubnegotiation(std::span<const uint8_t> payload, std::vector<uint8_t>& out) {
    out.insert(out.end(), {IAC, SB});
    appendEscaped(payload, out);
    out.insert(out.end(), {IAC, SE});
}

void Decoder::feed(std::span<const uint8_t> chunk, Sink& sink) {
    size_t i = 0;
    while (i < chunk.size()) {
        const uint8_t byte = chunk[i];
        switch (state_) {
        case State::Data: {
            // Pass plain data on in runs: this is the path every answer byte takes.
            const auto* begin = chunk.data() + i;
            const auto* end = chunk.data() + chunk.size();
            const auto* iac = std::find(begin, end, IAC);
            if (iac != begin) {
                sink.data({begin, iac});
            }
            i += static_cast<size_t>(iac - begin);
            if (iac != end) {
                state_ = State::Iac;
                ++i;
            }
            continue;
        }
        case State::Iac:
            if (byte == IAC) {
                state_ = State::Data;
                sink.data(std::span(&IAC, 1));
            } else {
                command(byte);
            }
            break;
        case State::Verb:
            state_ = State::Data;
            sink.option(verb_, byte);
            break;
        case State::Sub:
            if (byte == IAC) {
                state_ = State::SubIac;
            } else if (sub_.size() < kMaxSubnegotiation) {
                sub_.push_back(byte);
            } else {
                subTooLong_ = true;
            }
            break;
        case State::SubIac:
            if (byte == IAC) {
                state_ = State::Sub;
                if (sub_.size() < kMaxSubnegotiation) {
                    sub_.push_back(IAC);
                } else {
                    subTooLong_ = true;
                }
            } else if (byte == SE) {
                state_ = State::Data;
                if (!subTooLong_) {
                    sink.subnegotiation(sub_);
                }
            } else {
                command(byte);
            }
            break;
        }
        ++i;
    }
}

void Decoder::command(uint8_t byte) {
    switch (byte) {
    case WILL:
    case WONT:
    case DO:
    case DONT:
        verb_ = byte;
        state_ = State::Verb;
        break;
    case SB:
        sub_.clear();
        subTooLong_ = false;
        state_ = State::Sub;
        break;
    default:
        state_ = State::Data;
        break;
    }
}

Negotiator::Negotiator(std::span<const uint8_t> supported) {
    for (uint8_t option : supported) {
        supported_[option] = true;
    }
}

void Negotiator::requestLocal(uint8_t option, std::vector<uint8_t>& out) {
    if (local_[option] == State::No) {
        local_[option] = State::WantYes;
        appendOption(WILL, option, out);
    }
}

void Negotiator::requestRemote(uint8_t option, std::vector<uint8_t>& out) {
    if (remote_[option] == State::No) {
        remote_[option] = State::WantYes;
        appendOption(DO, option, out);
    }
}

void Negotiator::receive(uint8_t verb, uint8_t option, std::vector<uint8_t>& out) {
    const bool enable = verb == WILL || verb == DO;
    const bool peerSide = verb == WILL || verb == WONT;
    if (verb != WILL && verb != WONT && verb != DO && verb != DONT) {
        return;
    }
    State& state = peerSide ? remote_[option] : local_[option];
    const uint8_t yes = peerSide ? DO : WILL;
    const uint8_t no = peerSide ? DONT : WONT;
    if (enable) {
        if (state == State::WantYes) {
            state = State::Yes;
        } else if (state == State::No) {
            if (supported_[option]) {
                state = State::Yes;
                appendOption(yes, option, out);
            } else {
                appendOption(no, option, out);
            }
        }
    } else {
        if (state == State::Yes) {
            appendOption(no, option, out);
        }
        state = State::No;
    }
}

} // namespace nkcomport::telnet
