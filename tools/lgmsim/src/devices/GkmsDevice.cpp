// The ГКМС meter taking its line Q = A·f + B, written from the meter's
// parameter frame description: mode 1 at 300 baud 8N1 takes 5 bytes (two
// words, most significant byte first, and the low byte of their sum), mode 2
// at 600 baud 8N2 takes 8 (flag, word, sign, word, sum, CR). The meter
// repeats a frame it takes.
#include "../Device.h"

#include <cstdio>
#include <numeric>

namespace lgmsim {
namespace {

// Longer than a byte's time at 300 baud, shorter than any pause between
// two writes: a frame left unfinished this long is abandoned.
constexpr auto kFrameGap = std::chrono::milliseconds(1000);

struct ModeLine {
    size_t frameSize;
    uint32_t baudRate;
    uint8_t stopSize; // RFC 2217: 1 one, 2 two
};

constexpr ModeLine kModes[] = {{5, 300, 1}, {8, 600, 2}};

class GkmsDevice final : public Device {
public:
    explicit GkmsDevice(int mode) : mode_(mode), line_(kModes[mode - 1]) {}

    void received(std::span<const uint8_t> bytes, DeviceLine& line) override {
        // The meter's interface is fed from DTR.
        if (!line.dtr()) {
            line.log("DTR off: the meter's interface has no supply");
            return;
        }
        const LineSettings& settings = line.settings();
        if (settings.baudRate != line_.baudRate || settings.dataSize != 8 || settings.parity != 1 ||
            settings.stopSize != line_.stopSize) {
            ++garbled_;
            line.log("line settings do not match mode " + std::to_string(mode_) +
                     ": the bytes arrive garbled");
            return;
        }
        const auto now = Clock::now();
        if (!pending_.empty() && now - lastByte_ > kFrameGap) {
            line.log("dropped an unfinished frame");
            pending_.clear();
        }
        lastByte_ = now;
        pending_.insert(pending_.end(), bytes.begin(), bytes.end());
        while (pending_.size() >= line_.frameSize) {
            std::vector<uint8_t> frame(pending_.begin(), pending_.begin() + line_.frameSize);
            pending_.erase(pending_.begin(), pending_.begin() + line_.frameSize);
            take(std::move(frame), line);
        }
    }

    bool corruptChecksum(std::vector<uint8_t>& frame) const override {
        const size_t at = mode_ == 1 ? 4 : 6;
        if (frame.size() <= at) {
            return false;
        }
        frame[at] ^= 0x5A;
        return true;
    }

    std::string state() const override {
        std::string out = "mode=" + std::to_string(mode_) + " frames=" + std::to_string(frames_) +
                          " refused=" + std::to_string(refused_) +
                          " garbled=" + std::to_string(garbled_);
        if (frames_ == 0) {
            return out;
        }
        const auto word = [&](size_t at) { return last_[at] << 8 | last_[at + 1]; };
        if (mode_ == 1) {
            out += " a=" + std::to_string(word(0)) + " ab=" + std::to_string(word(2));
        } else {
            out += " doubled=" + std::to_string(last_[0]) + " a=" + std::to_string(word(1)) +
                   " negative=" + std::to_string(last_[3]) + " b=" + std::to_string(word(4));
        }
        return out;
    }

private:
    void take(std::vector<uint8_t> frame, DeviceLine& line) {
        const size_t sumAt = mode_ == 1 ? 4 : 6;
        const uint8_t sum = static_cast<uint8_t>(
            std::accumulate(frame.begin(), frame.begin() + static_cast<long>(sumAt), 0u));
        const bool good = frame[sumAt] == sum &&
                          (mode_ == 1 || (frame[7] == 0x0D && frame[0] <= 1 && frame[3] <= 1));
        if (!good) {
            ++refused_;
            line.log("frame refused: bad checksum or layout");
            return;
        }
        ++frames_;
        last_ = frame;
        line.answer(std::move(frame));
    }

    int mode_;
    ModeLine line_;
    std::vector<uint8_t> pending_;
    Clock::time_point lastByte_{};
    std::vector<uint8_t> last_;
    uint32_t frames_ = 0;
    uint32_t refused_ = 0;
    uint32_t garbled_ = 0;
};

std::unique_ptr<Device> createGkms(DeviceOptions& options) {
    int mode = 1;
    if (const auto it = options.find("mode"); it != options.end()) {
        if (it->second != "1" && it->second != "2") {
            throw std::invalid_argument("gkms: mode must be 1 or 2");
        }
        mode = it->second[0] - '0';
        options.erase(it);
    }
    return std::make_unique<GkmsDevice>(mode);
}

const DeviceRegistration registration({
    "gkms",
    "a ГКМС meter taking its line A, B (mode 1: 300 baud 8N1, mode 2: 600 baud 8N2)",
    "mode=1|2   the meter's kind (default 1): mode 1 takes 5-byte frames, mode 2\n"
    "           8-byte frames ending in CR\n"
    "The meter listens only while DTR is on and the line is set to its mode's\n"
    "baud rate, 8 data bits, no parity and its stop bits; a frame with a good\n"
    "checksum (and layout) is kept and repeated, any other gets no answer.\n"
    "faults: checksum spoils the checksum byte of the repeat; status does not\n"
    "apply (the repeat has no status byte).\n"
    "state: mode frames refused garbled, and the last frame's words: mode 1\n"
    "a (A×M) ab ((A+B)×M); mode 2 doubled a negative b",
    createGkms,
});

} // namespace
} // namespace lgmsim
