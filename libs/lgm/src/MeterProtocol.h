// The exchanges of the meter and adaptor link over any Link, with their log
// lines. Each method is one export of the library with the same arguments
// (less the port) and results; the exports run them over the port.
#pragma once

#include "Frames.h"
#include "Link.h"
#include "Timeouts.h"

#include <cstdint>

namespace lgm {

class MeterProtocol {
public:
    MeterProtocol(Link& link, int log, const Timeouts& timeouts)
        : link_(link), log_(log), timeouts_(timeouts) {}

    int32_t ReadShort(uint32_t command, uint32_t* result);
    int32_t ReadParams(uint32_t version, void* destination, uint32_t size);
    int32_t WriteParams(uint32_t version, uint32_t flags, const void* data, uint32_t length);
    int32_t ReadTable(uint32_t version, void* destination, uint32_t size);
    int32_t WriteTable(uint32_t version, uint32_t flags, const void* data, uint32_t length);
    int32_t SetThermoCompensation(uint32_t version, uint32_t flags, const double* value);
    int32_t SetLevel(uint32_t level);
    int32_t GetLongitude(uint32_t* result);
    int32_t ReadAdaptor(uint32_t* result);

private:
    // A status byte that is neither the command nor a refusal answers some
    // other request (a stale byte, a meter of another version): what follows
    // it is not read as this block, even when its checksum would agree.
    enum class StatusRule {
        Answer,  // 0xFF is a refusal (-22), any other stranger -25
        PreRead, // anything but the command is -25, without a fault note
    };

    int32_t ReadBlockChecked(const char* title, const BlockCommands& block, void* destination,
                             uint32_t size);
    int32_t ReadBlock(const char* title, uint8_t command, uint32_t length, uint8_t* out,
                      StatusRule rule);
    int32_t WriteBlock(const char* title, uint8_t command, const uint8_t* data, uint32_t dataLength,
                       uint32_t length);
    int32_t RewriteTable2(uint32_t flags, const uint8_t* journal, uint32_t journalLength,
                          const uint8_t* thermoByte);
    void Log(const char* title, const uint8_t* bytes, uint32_t count);
    void Note(const char* text);

    Link& link_;
    int log_;
    const Timeouts& timeouts_;
};

} // namespace lgm
