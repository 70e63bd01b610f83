// A loop-back plug: every byte comes back, DTR shows as DSR and CD, RTS as CTS.
#include "../Device.h"

#include <charconv>

namespace lgmsim {
namespace {

class EchoDevice final : public Device {
public:
    explicit EchoDevice(size_t length) : length_(length) {}

    void received(std::span<const uint8_t> bytes, DeviceLine& line) override {
        echoed_ += bytes.size();
        if (length_ == 0) {
            line.answer({bytes.begin(), bytes.end()});
            return;
        }
        std::vector<uint8_t> frame(length_);
        for (size_t i = 0; i < length_; ++i) {
            frame[i] = bytes[i % bytes.size()];
        }
        line.answer(std::move(frame));
    }

    void controlLinesChanged(DeviceLine& line) override { followControlLines(line); }
    void connected(DeviceLine& line) override { followControlLines(line); }

    // The echo has no frame layout: its "checksum" is the last byte and its
    // "status" the first, so the framework's faults can be seen on it.
    bool corruptChecksum(std::vector<uint8_t>& frame) const override {
        return flip(frame, frame.size() - 1);
    }
    bool corruptStatus(std::vector<uint8_t>& frame) const override { return flip(frame, 0); }

    std::string state() const override { return "echoed=" + std::to_string(echoed_); }

private:
    static void followControlLines(DeviceLine& line) {
        line.setModemLine(ModemLine::Dsr, line.dtr());
        line.setModemLine(ModemLine::Cd, line.dtr());
        line.setModemLine(ModemLine::Cts, line.rts());
    }

    static bool flip(std::vector<uint8_t>& frame, size_t index) {
        if (frame.empty()) {
            return false;
        }
        frame[index] ^= 0xFF;
        return true;
    }

    size_t length_;
    size_t echoed_ = 0;
};

std::unique_ptr<Device> createEcho(DeviceOptions& options) {
    size_t length = 0;
    if (const auto it = options.find("length"); it != options.end()) {
        const std::string& text = it->second;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), length);
        if (ec != std::errc() || end != text.data() + text.size() || length == 0 ||
            length > 65536) {
            throw std::invalid_argument("echo: length must be 1 … 65536");
        }
        options.erase(it);
    }
    return std::make_unique<EchoDevice>(length);
}

const DeviceRegistration registration({
    "echo",
    "sends every received chunk back; DTR shows as DSR and CD, RTS as CTS",
    "length=N  answer each received chunk with N bytes: the chunk repeated\n"
    "          (a 1-byte request then gets an N-byte answer)\n"
    "faults: checksum flips the last byte of the answer, status the first",
    createEcho,
});

} // namespace
} // namespace lgmsim
