// Writes (plain, privileged, version-2 table with its pre-read, thermo
// compensation) against any answer: only a true repeat is accepted.
#include "FuzzCheck.h"
#include "ZorLang.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lgmfuzz;
    if (size < 2)
        return 0;
    const uint32_t what = data[0] % 4;
    const uint32_t version = data[1] % 3;
    const uint32_t flags = data[1] & 0x80;
    lgm::ScriptedLink link(data + 2, static_cast<uint32_t>(size - 2));
    lgm::MeterProtocol protocol(link, NullLog(), Timeouts());

    std::vector<uint8_t> payload(128);
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<uint8_t>(i * 7 + data[0]);
    const double thermo = (data[0] >> 2) - 10.0;
    int32_t result = 0;
    switch (what) {
    case 0:
        result = protocol.WriteParams(version, flags, payload.data(), 128);
        break;
    case 1:
        result = protocol.WriteTable(version, flags, payload.data(), 128);
        break;
    case 2:
        result = protocol.WriteTable(2, flags, payload.data(), data[0] >> 2);
        break;
    default:
        result = protocol.SetThermoCompensation(2, flags, &thermo);
        break;
    }
    Require(OneOf(result, {ZOR_OK, ZOR_ERR_BAD_PARAM, ZOR_ERR_REJECTED, ZOR_ERR_BAD_VALUES,
                           ZOR_ERR_CHECKSUM, ZOR_ERR_ECHO_MISMATCH, ZOR_ERR_READ_TIMEOUT}));
    if (result == ZOR_OK) {
        // Accepted only when the answer repeats the frame that went out, with
        // the true checksum where the frame carried the privileged one.
        const auto& sent = link.Sent();
        const bool preRead = sent.size() > 1 && sent[0] == 0x13;
        const size_t frameAt = preRead ? 1 : 0;
        const size_t answerAt = 2 + (preRead ? 1 + 33 : 0);
        const size_t frameLength = sent.size() - frameAt;
        Require(frameLength >= 4 && size >= answerAt + frameLength);
        const uint8_t* frame = sent.data() + frameAt;
        const uint8_t* echo = data + answerAt;
        const uint8_t offset = (frame[0] == 0x12 || frame[0] == 0x15) ? 0x5B : 0;
        for (size_t i = 0; i + 1 < frameLength; ++i)
            Require(echo[i] == frame[i]);
        Require(echo[frameLength - 1] == static_cast<uint8_t>(frame[frameLength - 1] + offset));
    }
    return 0;
}
