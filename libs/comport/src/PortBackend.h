// The device side of one open port: a local serial device or an RFC 2217
// connection. The export layer checks arguments, keeps the port table and
// resolves time-outs; a backend only moves bytes and settings.
#pragma once

#include "NkComPort.h"
#include "Wait.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace nkcomport {

class PortBackend {
public:
    virtual ~PortBackend() = default;

    // Device fields of config selected by its mask (never the time-out bit).
    virtual int32_t setConfig(const NkComPortConfig& config) = 0;
    virtual int32_t getConfig(NkComPortConfig& config) = 0;

    // Move exactly buffer.size() bytes before the deadline, waking on the
    // port's signals. Bytes read before a failure stay in the buffer.
    virtual int32_t read(std::span<uint8_t> buffer, const WaitContext& wait) = 0;
    virtual int32_t write(std::span<const uint8_t> bytes, const WaitContext& wait) = 0;

    // Discards buffered input and/or output.
    virtual int32_t purge(bool input, bool output) = 0;

    // RTS first, then DTR; an empty optional leaves the line alone.
    virtual int32_t setControlLines(std::optional<bool> rts, std::optional<bool> dtr) = 0;
    virtual int32_t modemStatus(uint32_t& status) = 0;
    virtual int32_t queueCounts(uint32_t& input, uint32_t& output) = 0;
};

// The outcome of opening a device: a backend, or a code and the reason.
struct OpenResult {
    std::unique_ptr<PortBackend> backend;
    int32_t code = NKCOMPORT_OK;
    std::string reason;
};

OpenResult openTermiosDevice(const std::string& path);
OpenResult openRfc2217Device(const std::string& host, uint16_t tcpPort);

} // namespace nkcomport
