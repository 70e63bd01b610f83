// One request–answer exchange with the controller on a port: purging, the
// exchange log, sending, and reading the answer in its two parts.
#pragma once

#include "BkltFrames.h"

#include <cstdint>
#include <span>

namespace zorbklt {

// The exchange log handle shared by every exchange of the library.
void setLogHandle(int handle);
int logHandle();

// Writes a fault note ("!! …\r\n") to the log.
void logNote(const char* note);

// Pauses for ms milliseconds on the protocol time scale.
void pause(int32_t ms);

class Exchange {
public:
    explicit Exchange(int32_t port) : port_(port) {}

    // Purges the input, logs the title and the request, and sends it.
    int32_t send(const char* title, const Frame& request, int32_t timeoutMs);
    // Reads the answer's first byte and logs it under ">>[] Ответ:".
    int32_t readFirst(uint8_t& first, int32_t timeoutMs);
    // Reads the rest of the answer and logs it.
    int32_t readRest(std::span<uint8_t> rest, int32_t timeoutMs);

private:
    int32_t port_;
};

} // namespace zorbklt
