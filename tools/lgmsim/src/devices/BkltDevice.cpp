// The БКЛТ rig controller with its pulse counter МН-4.6 (9600 baud, 8N1),
// written from the controller's protocol description: requests start with
// their command byte, answers with a status byte that repeats it (0xFF
// refuses), 24-bit values go least significant byte first, checksums are
// the low byte of a byte sum.
#include "../Device.h"
#include "BkltRig.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace lgmsim {
namespace {

using namespace bklt;

constexpr uint8_t kReject = 0xFF;
constexpr uint8_t kFinished = 0x80;
constexpr uint32_t kRange = kTimerMask + 1;
constexpr int kCaptureBytes = 80;
// Code, status, timer, four channel times, four counts.
constexpr size_t kMeasurementStateSize = 1 + 1 + 3 + 3 * kChannels + 3 * kChannels;
// The rig is stepped in tenths of simulated seconds: faster would cost more
// than it saves.
constexpr double kMaxSpeed = 10000.0;
// A request left unfinished this long is line noise, not the start of the next.
constexpr auto kRequestGap = std::chrono::milliseconds(200);

uint8_t sum8(std::span<const uint8_t> bytes) {
    return static_cast<uint8_t>(std::accumulate(bytes.begin(), bytes.end(), 0u));
}

uint32_t triplet(std::span<const uint8_t> bytes, size_t at) {
    return bytes[at] | uint32_t{bytes[at + 1]} << 8 | uint32_t{bytes[at + 2]} << 16;
}

void appendTriplet(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value >> 16));
}

// Length of the request that starts with command, 0 for an unknown command.
size_t requestLength(uint8_t command) {
    switch (command) {
    case 0x00:
        return 5;
    case 0x03:
        return 6;
    case 0x04:
        return 16;
    case 0x07:
    case 0x08:
        return 11;
    case 0x0A:
        return 3;
    case 0x01:
    case 0x02:
    case 0x05:
    case 0x09:
    case 0xFD:
    case 0xFE:
        return 1;
    default:
        return 0;
    }
}

// Simulated seconds: real time times the speed, which may change on the way.
class SimClock {
public:
    explicit SimClock(double speed) : speed_(speed) {}

    double now() const {
        return base_ + speed_ * std::chrono::duration<double>(Clock::now() - anchor_).count();
    }
    void setSpeed(double speed) {
        base_ = now();
        anchor_ = Clock::now();
        speed_ = speed;
    }
    double speed() const { return speed_; }

private:
    double speed_;
    double base_ = 0.0;
    Clock::time_point anchor_ = Clock::now();
};

// The two generator outputs: each gives its count of pulses, one per period,
// and its register counts up from minus the pulses left to 0.
struct Generator {
    double start = 0.0;
    std::array<uint32_t, 2> periodTicks{};
    std::array<uint32_t, 2> pulses{};

    uint32_t left(int output, double now) const {
        if (periodTicks[output] == 0) {
            return pulses[output];
        }
        const double given = std::floor((now - start) * kTicksPerSecond / periodTicks[output]);
        return given >= pulses[output] ? 0 : pulses[output] - static_cast<uint32_t>(given);
    }
};

class BkltDevice final : public Device {
public:
    BkltDevice(const RigSettings& rig, double speed, uint8_t version)
        : rig_(rig), clock_(speed), version_(version) {
        // Parameters as the controller leaves its factory: P1 = P2 = 10 ms.
        params_ = {0xD7, 0xFF, 0xFF, 0xD7, 0xFF, 0xFF, 0x00, 0x00, 0x00};
    }

    void received(std::span<const uint8_t> bytes, DeviceLine& line) override {
        const auto now = Clock::now();
        if (!pending_.empty() && now - lastByte_ > kRequestGap) {
            line.log("dropped an unfinished request");
            pending_.clear();
        }
        lastByte_ = now;
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        while (!pending_.empty()) {
            const size_t length = requestLength(pending_[0]);
            if (length == 0) {
                line.log("unknown command " + std::to_string(pending_[0]));
                pending_.erase(pending_.begin());
                line.answer({kReject});
                continue;
            }
            if (pending_.size() < length) {
                break;
            }
            const std::vector<uint8_t> request(pending_.begin(), pending_.begin() + length);
            pending_.erase(pending_.begin(), pending_.begin() + length);
            handle(request, line);
        }
    }

    // Which byte carries a check depends on the answer; the answers tell
    // themselves apart by length and first byte.
    bool corruptChecksum(std::vector<uint8_t>& frame) const override {
        if (frame.size() < 3 || frame.size() == kMeasurementStateSize) {
            return false; // a measurement state and the one-byte answers have none
        }
        frame.back() ^= 0x5A;
        return true;
    }

    bool corruptStatus(std::vector<uint8_t>& frame) const override {
        if (frame.empty()) {
            return false;
        }
        frame[0] ^= 0x80; // never 0xFF: that is a refusal, not a wrong byte
        return true;
    }

    std::string state() const override {
        const double now = clock_.now();
        const Measurement m = rig_.measurement(now);
        char text[160];
        std::snprintf(text, sizeof text, "simtime=%.3f speed=%g flow=%g lasers=%d mode=%s", now,
                      clock_.speed(), rig_.flow(), lasers_ ? 1 : 0, modeName());
        std::string out = text;
        out += " code=" + std::to_string(m.code) + " finished=" + (m.finished ? "1" : "0") +
               " timer=" + std::to_string(m.timer);
        for (int i = 0; i < kChannels; ++i) {
            out += " count" + std::to_string(i + 1) + "=" + std::to_string(m.count[i]);
        }
        for (int i = 0; i < kChannels; ++i) {
            out += " ticks" + std::to_string(i + 1) + "=" + std::to_string(m.channelTime[i]);
        }
        out += " params=";
        for (uint8_t b : params_) {
            std::snprintf(text, sizeof text, "%02X", b);
            out += text;
        }
        out += " version=" + std::to_string(version_) + " reject=" + std::to_string(rejects_);
        return out;
    }

    std::string command(std::string_view args, DeviceLine&) override {
        const auto space = args.find(' ');
        const std::string_view verb = args.substr(0, space);
        const std::string_view value =
            space == std::string_view::npos ? "" : args.substr(space + 1);
        double number = 0.0;
        if (verb == "flow" && parse(value, number) && number >= 0.0) {
            rig_.setFlow(clock_.now(), number);
            return {};
        }
        if (verb == "speed" && parse(value, number) && number >= 1e-3 && number <= kMaxSpeed) {
            clock_.setSpeed(number);
            return {};
        }
        if (verb == "signal" && value.empty()) {
            rig_.signal(clock_.now());
            return {};
        }
        if (verb == "reject" && parse(value, number) && number >= 0.0 && number < 1e6) {
            rejects_ = static_cast<uint32_t>(number);
            return {};
        }
        throw std::invalid_argument("expected flow Q, speed X, signal or reject N (got '" +
                                    std::string(args) + "')");
    }

    static bool parse(std::string_view text, double& value) {
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        return !text.empty() && ec == std::errc() && end == text.data() + text.size() &&
               std::isfinite(value);
    }

private:
    enum class Mode { Measurement, Generator, Oscilloscope };

    const char* modeName() const {
        switch (mode_) {
        case Mode::Generator:
            return "generator";
        case Mode::Oscilloscope:
            return "oscilloscope";
        default:
            return "measurement";
        }
    }

    void handle(const std::vector<uint8_t>& request, DeviceLine& line) {
        if (rejects_ > 0) {
            --rejects_;
            line.answer({kReject});
            return;
        }
        const std::span<const uint8_t> r = request;
        const double now = clock_.now();
        const auto refuse = [&](const char* why) {
            line.log(std::string("refused: ") + why);
            line.answer({kReject});
        };
        switch (r[0]) {
        case 0x00:
            if (sum8(r.subspan(1, 3)) != r[4]) {
                return refuse("start checksum");
            }
            rig_.startTimed(now, (kRange - triplet(r, 1)) & kTimerMask);
            mode_ = Mode::Measurement;
            return line.answer(request);
        case 0x01:
        case 0x02:
            rig_.startStartStop(now, r[0]);
            mode_ = Mode::Measurement;
            return line.answer({r[0]});
        case 0x03:
            if (sum8(r.subspan(1, 4)) != r[5]) {
                return refuse("start checksum");
            }
            if (r[4] >= kChannels || triplet(r, 1) == 0) {
                return refuse("no such channel, or no pulses to count");
            }
            rig_.startCounted(now, triplet(r, 1), r[4]);
            mode_ = Mode::Measurement;
            return line.answer(request);
        case 0x04:
            if (sum8(r.subspan(1, 14)) != r[15]) {
                return refuse("generator checksum");
            }
            generator_.start = now;
            generator_.periodTicks = {(kRange - triplet(r, 1)) & kTimerMask,
                                      (kRange - triplet(r, 4)) & kTimerMask};
            generator_.pulses = {(kRange - triplet(r, 9)) & kTimerMask,
                                 (kRange - triplet(r, 12)) & kTimerMask};
            mode_ = Mode::Generator;
            return line.answer(request);
        case 0x05:
            lasers_ = true;
            return line.answer({0x05});
        case 0x07: {
            if (sum8(r.subspan(1, 9)) != r[10] || r[9] != 0) {
                return refuse("parameter checksum");
            }
            std::copy(r.begin() + 1, r.begin() + 10, params_.begin());
            return line.answer(paramsAnswer(0x07));
        }
        case 0x08:
            return line.answer(paramsAnswer(0x08));
        case 0x09:
            return line.answer({0x09, version_, version_});
        case 0x0A:
            if (r[1] != r[2] || (r[1] & 0x0F) >= kChannels) {
                return refuse("oscilloscope mode");
            }
            oscilloscope_ = r[1];
            mode_ = Mode::Oscilloscope;
            return line.answer(request);
        case 0xFD:
            return line.answer(stateAnswer(now));
        case 0xFE:
            line.answer(stateAnswer(now));
            rig_.reset(now);
            mode_ = Mode::Measurement;
            return;
        }
    }

    std::vector<uint8_t> paramsAnswer(uint8_t command) const {
        std::vector<uint8_t> answer(1 + params_.size() + 1);
        answer.front() = command;
        std::copy(params_.begin(), params_.end(), answer.begin() + 1);
        answer.back() = sum8(params_);
        return answer;
    }

    std::vector<uint8_t> stateAnswer(double now) const {
        std::vector<uint8_t> answer;
        switch (mode_) {
        case Mode::Measurement: {
            const Measurement m = rig_.measurement(now);
            answer.push_back(m.code);
            answer.push_back(m.finished ? kFinished : 0);
            appendTriplet(answer, m.timer);
            for (uint32_t ticks : m.channelTime) {
                appendTriplet(answer, ticks);
            }
            for (uint32_t count : m.count) {
                appendTriplet(answer, count);
            }
            return answer;
        }
        case Mode::Generator: {
            const uint32_t left1 = generator_.left(0, now);
            const uint32_t left2 = generator_.left(1, now);
            answer = {0x04, static_cast<uint8_t>(left1 == 0 && left2 == 0 ? kFinished : 0)};
            appendTriplet(answer, (kRange - left1) & kTimerMask);
            appendTriplet(answer, (kRange - left2) & kTimerMask);
            break;
        }
        case Mode::Oscilloscope: {
            // 80 samples of the channel's input, 1/4096 s apart, or 16/4096 s
            // with bit 6; bit 7 shows the input inverted.
            const int channel = oscilloscope_ & 0x0F;
            const double step = ((oscilloscope_ & 0x40) != 0 ? 16.0 : 1.0) / kTicksPerSecond;
            const bool inverted = (oscilloscope_ & 0x80) != 0;
            answer = {0x0A, kFinished};
            for (int i = 0; i < kCaptureBytes; ++i) {
                const bool high = rig_.level(now, channel, i * step) != inverted;
                answer.push_back(high ? 0xFF : 0x00);
            }
            break;
        }
        }
        answer.push_back(sum8(std::span(answer).subspan(1)));
        return answer;
    }

    // The rig catches up with simulated time whenever it is looked at, also
    // from the const state report.
    mutable Rig rig_;
    SimClock clock_;
    uint8_t version_;
    bool lasers_ = false;
    Mode mode_ = Mode::Measurement;
    Generator generator_;
    uint8_t oscilloscope_ = 0;
    std::array<uint8_t, 9> params_{};
    uint32_t rejects_ = 0;
    std::vector<uint8_t> pending_;
    Clock::time_point lastByte_{};
};

// Takes KEY=VALUE out of the options as a number within [low, high].
bool takeNumber(DeviceOptions& options, const char* key, double low, double high, double& value) {
    const auto it = options.find(key);
    if (it == options.end()) {
        return false;
    }
    double number = 0.0;
    if (!BkltDevice::parse(it->second, number) || number < low || number > high) {
        throw std::invalid_argument(std::string("bklt: ") + key + " must be a number from " +
                                    std::to_string(low) + " to " + std::to_string(high));
    }
    value = number;
    options.erase(it);
    return true;
}

std::unique_ptr<Device> createBklt(DeviceOptions& options) {
    RigSettings rig;
    double speed = 1.0;
    double number = 0.0;
    takeNumber(options, "speed", 1e-3, kMaxSpeed, speed);
    takeNumber(options, "flow", 0.0, 1e5, rig.flow);
    takeNumber(options, "slope", 1e-9, 1e6, rig.slope);
    takeNumber(options, "intercept", -1e5, 1e5, rig.intercept);
    takeNumber(options, "noise", 0.0, 0.2, rig.noise);
    takeNumber(options, "ref-k", 1e-6, 1e6, rig.referencePulsesPerLitre);
    takeNumber(options, "gate", 0.0, 4000.0, rig.gate);
    takeNumber(options, "gate-delay", 0.0, 4000.0, rig.gateDelay);
    if (takeNumber(options, "meter-channel", 1, kChannels, number)) {
        rig.meterChannel = static_cast<int>(number) - 1;
    }
    if (takeNumber(options, "ref-channel", 1, kChannels, number)) {
        rig.referenceChannel = static_cast<int>(number) - 1;
    }
    if (rig.meterChannel == rig.referenceChannel) {
        throw std::invalid_argument("bklt: meter-channel and ref-channel must differ");
    }
    if (takeNumber(options, "seed", 0, 4294967295.0, number)) {
        rig.seed = static_cast<uint32_t>(number);
    }
    double version = 0x83;
    takeNumber(options, "version", 0, 255, version);
    return std::make_unique<BkltDevice>(rig, speed, static_cast<uint8_t>(version));
}

const DeviceRegistration registration({
    "bklt",
    "the БКЛТ rig controller with its pulse counter МН-4.6 (9600 8N1) on a simulated rig",
    "A flow runs through the meter under test, whose pulses come at\n"
    "f = (Q - intercept) / slope (with a small random spread), and through a\n"
    "reference meter giving ref-k pulses per litre. The four measurement modes:\n"
    "  0 runs T s: the 24-bit timer counts at 4096 per second from 2^24 - 4096 T\n"
    "    and reads 0 at its overflow, which ends the run;\n"
    "  1 from the start to the diverter's stop signal (gate s later);\n"
    "  2 from the diverter's start signal (gate-delay s after the start) to its\n"
    "    stop signal (gate s later);\n"
    "  3 until a channel has counted the criterion.\n"
    "Channel times run from a channel's first to its last counted pulse. Bit 7\n"
    "of the status byte is set once a run has finished (and while idle); a\n"
    "state check with reset ends the run and clears the counters. Generator,\n"
    "oscilloscope (80 samples of a channel), lasers, version and the parameter\n"
    "set (kept as written) answer as the protocol describes; bad checksums,\n"
    "channels outside 0 … 3 and unknown commands are refused with FF.\n"
    "options:\n"
    "  speed=X          simulated seconds per real second, up to 10000 (default 1)\n"
    "  flow=Q           flow, m3/h (default 10)\n"
    "  slope=A          the meter's characteristic Q = A f + B (default 0.02)\n"
    "  intercept=B      (default 0)\n"
    "  noise=R          relative spread of the meter's frequency (default 0.002)\n"
    "  ref-k=K          reference pulses per litre (default 100)\n"
    "  meter-channel=N  channel 1 … 4 of the meter (default 1)\n"
    "  ref-channel=N    channel of the reference (default 2)\n"
    "  gate=S           seconds between the diverter's signals; 0: only by the\n"
    "                   signal command (default 60)\n"
    "  gate-delay=S     seconds to the start signal in mode 2 (default 1)\n"
    "  version=N        the version byte (default 0x83 = 131: version 3, flag)\n"
    "  seed=N           of the random spread (default 1)\n"
    "device commands:\n"
    "  flow Q           change the flow now\n"
    "  speed X          change the speed of simulated time\n"
    "  signal           the diverter's next signal now (modes 1 and 2)\n"
    "  reject N         refuse the next N requests with FF\n"
    "faults: checksum spoils the last byte of an answer that has a check\n"
    "(version and oscilloscope copies, parameter checksum, repeats of start,\n"
    "generator and parameter requests, the generator and oscilloscope state);\n"
    "a measurement state has none. status spoils the first byte (bit 7).\n"
    "state: simtime speed flow lasers mode code finished timer count1..4\n"
    "ticks1..4 params (9 bytes hex) version reject",
    createBklt,
});

} // namespace
} // namespace lgmsim
