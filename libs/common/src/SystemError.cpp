// The system-error box. The library cannot show windows itself, so the
// program installs the receiver; without one the message goes to stderr.
#include "ZorCommon.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void WriteToStderr(const char* title, const char* text) {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

std::atomic<ZorMessageHandler> g_handler{nullptr};

} // namespace

ZorMessageHandler ZorSetMessageHandler(ZorMessageHandler handler) {
    return g_handler.exchange(handler);
}

void ShowLastSystemError() {
    const int error = errno;
    char text[256];
    // The GNU strerror_r returns the text, which need not be in our buffer.
    const char* message = ::strerror_r(error, text, sizeof text);
    ZorMessageHandler handler = g_handler.load();
    (handler ? handler : WriteToStderr)("GetLastError", message);
}
