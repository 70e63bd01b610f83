// The exports: argument checks, the port table and time-outs. The device
// work is done by the backend the port was opened with.
#include "NkComPort.h"

#include "DeviceName.h"
#include "PortBackend.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace nkcomport {
namespace {

// One open port. Calls on it are serialised by io; NkComPortBreak and
// NkComPortClose only signal abortFd and so never wait for a transfer.
struct OpenPort {
    std::unique_ptr<PortBackend> backend;
    std::string device;
    int abortFd = -1;
    int cancelFd = -1;
    std::mutex io;

    ~OpenPort() {
        backend.reset();
        for (int fd : {abortFd, cancelFd}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
};

struct PortEntry {
    // Serialises opening and closing this port. Opening an RFC 2217 port
    // may take seconds; only this port waits for it.
    std::mutex openClose;
    // Held by the table while open and by every call in progress, so a
    // close from another thread cannot pull the device from under a transfer.
    std::shared_ptr<OpenPort> open;          // guarded by tableLock
    std::string openError;                   // guarded by tableLock
    std::atomic<uint32_t> defaultTimeout{0}; // survives a close and a reopen
};

// Held only for a moment, to read or swap an entry's fields.
std::mutex tableLock;
PortEntry table[NKCOMPORT_PORT_COUNT];

bool validPort(int32_t port) {
    return port >= 0 && port < NKCOMPORT_PORT_COUNT;
}

std::shared_ptr<OpenPort> openPort(int32_t port) {
    std::lock_guard lock(tableLock);
    return table[port].open;
}

bool validTimeout(int32_t timeout) {
    return timeout >= -1;
}

WaitContext waitContext(int32_t port, const OpenPort& open, int32_t timeout) {
    const uint32_t ms =
        timeout == -1 ? table[port].defaultTimeout.load() : static_cast<uint32_t>(timeout);
    // A purge that wanted to wake an earlier transfer must not hit this one.
    drainEventFd(open.cancelFd);
    return {Clock::now() + std::chrono::milliseconds(ms), open.abortFd, open.cancelFd};
}

int32_t readLocked(int32_t port, OpenPort& open, void* buffer, uint32_t count, int32_t timeout) {
    return open.backend->read({static_cast<uint8_t*>(buffer), count},
                              waitContext(port, open, timeout));
}

int32_t writeLocked(int32_t port, OpenPort& open, const void* buffer, uint32_t count,
                    int32_t timeout) {
    return open.backend->write({static_cast<const uint8_t*>(buffer), count},
                               waitContext(port, open, timeout));
}

constexpr uint32_t kControlBits = NKCOMPORT_CTL_RTS_ON | NKCOMPORT_CTL_RTS_CHANGE |
                                  NKCOMPORT_CTL_DTR_ON | NKCOMPORT_CTL_DTR_CHANGE;

int32_t applyControl(OpenPort& open, uint32_t control) {
    std::optional<bool> rts;
    std::optional<bool> dtr;
    if (control & NKCOMPORT_CTL_RTS_CHANGE) {
        rts = (control & NKCOMPORT_CTL_RTS_ON) != 0;
    }
    if (control & NKCOMPORT_CTL_DTR_CHANGE) {
        dtr = (control & NKCOMPORT_CTL_DTR_ON) != 0;
    }
    if (!rts && !dtr) {
        return NKCOMPORT_OK;
    }
    return open.backend->setControlLines(rts, dtr);
}

int32_t copyText(const std::string& text, char* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0 || text.size() >= static_cast<size_t>(size)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int32_t>(text.size());
}

OpenResult openDevice(const std::string& name) {
    const auto address = parseDeviceName(name);
    if (const auto* local = std::get_if<LocalDevice>(&address)) {
        return openTermiosDevice(local->path);
    }
    if (const auto* network = std::get_if<NetworkDevice>(&address)) {
        return openRfc2217Device(network->host, network->port);
    }
    return {nullptr, NKCOMPORT_ERROR_OPEN, std::get<BadDeviceName>(address).reason};
}

constexpr uint32_t kConfigBits =
    NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_TIMEOUT | NKCOMPORT_CFG_DATABITS |
    NKCOMPORT_CFG_STOPBITS | NKCOMPORT_CFG_PARITYCHECK | NKCOMPORT_CFG_PARITY |
    NKCOMPORT_CFG_RTSCONTROL | NKCOMPORT_CFG_DTRCONTROL | NKCOMPORT_CFG_RAW;
constexpr uint32_t kDeviceConfigBits = kConfigBits & ~uint32_t{NKCOMPORT_CFG_TIMEOUT};

} // namespace
} // namespace nkcomport

using namespace nkcomport;

extern "C" {

NKCOMPORT_API int32_t NkComPortOpen(int32_t port) {
    if (!validPort(port)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    PortEntry& entry = table[port];
    std::lock_guard opening(entry.openClose);
    const auto fail = [&](int32_t code, std::string reason) {
        std::lock_guard lock(tableLock);
        entry.openError = std::move(reason);
        return code;
    };
    if (openPort(port)) {
        return port;
    }
    auto open = std::make_shared<OpenPort>();
    open->abortFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    open->cancelFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (open->abortFd < 0 || open->cancelFd < 0) {
        return fail(NKCOMPORT_ERROR_EVENT, std::string("wake-up events: ") + std::strerror(errno));
    }
    open->device = configuredDeviceName(port);
    OpenResult result = openDevice(open->device);
    if (!result.backend) {
        return fail(result.code, result.reason);
    }
    open->backend = std::move(result.backend);
    std::lock_guard lock(tableLock);
    entry.openError.clear();
    entry.open = std::move(open);
    return port;
}

NKCOMPORT_API int32_t NkComPortClose(int32_t port) {
    if (!validPort(port)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    std::shared_ptr<OpenPort> open;
    {
        std::lock_guard closing(table[port].openClose);
        std::lock_guard lock(tableLock);
        open.swap(table[port].open);
    }
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    // A transfer still running in another thread holds its own reference:
    // wake it, and the device closes when it lets go.
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(open->abortFd, &one, sizeof one);
    return NKCOMPORT_OK;
}

NKCOMPORT_API int32_t NkComPortSetConfig(int32_t port, const NkComPortConfig* config) {
    if (!validPort(port) || config == nullptr || (config->Mask & ~kConfigBits) != 0) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    if (config->Mask & kDeviceConfigBits) {
        std::lock_guard io(open->io);
        const int32_t result = open->backend->setConfig(*config);
        if (result != NKCOMPORT_OK) {
            return result;
        }
    }
    if (config->Mask & NKCOMPORT_CFG_TIMEOUT) {
        table[port].defaultTimeout = config->Timeout;
    }
    return NKCOMPORT_OK;
}

NKCOMPORT_API int32_t NkComPortGetConfig(int32_t port, NkComPortConfig* config) {
    if (!validPort(port) || config == nullptr) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_OK;
    }
    if (config->Mask & kDeviceConfigBits & ~uint32_t{NKCOMPORT_CFG_RAW}) {
        std::lock_guard io(open->io);
        const int32_t result = open->backend->getConfig(*config);
        if (result != NKCOMPORT_OK) {
            return result;
        }
    }
    if (config->Mask & NKCOMPORT_CFG_TIMEOUT) {
        config->Timeout = table[port].defaultTimeout;
    }
    return NKCOMPORT_OK;
}

NKCOMPORT_API int32_t NkComPortReadArray(int32_t port, void* buffer, int32_t count,
                                         int32_t timeout) {
    if (!validPort(port) || buffer == nullptr || count <= 0 || !validTimeout(timeout)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    std::lock_guard io(open->io);
    return readLocked(port, *open, buffer, static_cast<uint32_t>(count), timeout);
}

NKCOMPORT_API int32_t NkComPortReadByte(int32_t port, int32_t timeout) {
    uint8_t byte = 0;
    const int32_t result = NkComPortReadArray(port, &byte, 1, timeout);
    return result == NKCOMPORT_OK ? byte : result;
}

NKCOMPORT_API int32_t NkComPortWriteArray(int32_t port, const void* buffer, int32_t count,
                                          int32_t timeout) {
    if (!validPort(port) || buffer == nullptr || count <= 0 || !validTimeout(timeout)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    std::lock_guard io(open->io);
    return writeLocked(port, *open, buffer, static_cast<uint32_t>(count), timeout);
}

NKCOMPORT_API int32_t NkComPortWriteByte(int32_t port, int32_t value, int32_t timeout) {
    const uint8_t byte = static_cast<uint8_t>(value);
    return NkComPortWriteArray(port, &byte, 1, timeout);
}

NKCOMPORT_API int32_t NkComPortWriteAndRead(int32_t port, const void* send, int32_t sendCount,
                                            void* answer, int32_t answerCount, int32_t timeout) {
    if (!validPort(port) || send == nullptr || answer == nullptr || sendCount <= 0 ||
        answerCount <= 0 || !validTimeout(timeout)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    std::lock_guard io(open->io);
    const int32_t written =
        writeLocked(port, *open, send, static_cast<uint32_t>(sendCount), timeout);
    if (written != NKCOMPORT_OK) {
        return written;
    }
    return readLocked(port, *open, answer, static_cast<uint32_t>(answerCount), timeout);
}

NKCOMPORT_API int32_t NkComPortWriteAndReadEx(int32_t port, const NkComPortExRequest* request) {
    if (!validPort(port) || request == nullptr) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const NkComPortExRequest& r = *request;
    const auto badPhase = [](const void* buffer, uint32_t count, int32_t timeout) {
        return buffer != nullptr && (count == 0 || count > INT32_MAX || !validTimeout(timeout));
    };
    if (badPhase(r.Send, r.SendCount, r.SendTimeout) ||
        badPhase(r.Receive, r.ReceiveCount, r.ReceiveTimeout) ||
        ((r.ControlBeforeSend | r.ControlBeforeReceive | r.ControlAtEnd) & ~kControlBits) != 0) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    std::lock_guard io(open->io);
    if (r.Send != nullptr) {
        int32_t result = applyControl(*open, r.ControlBeforeSend);
        if (result == NKCOMPORT_OK) {
            result = writeLocked(port, *open, r.Send, r.SendCount, r.SendTimeout);
        }
        if (result != NKCOMPORT_OK) {
            return result;
        }
    }
    int32_t result = NKCOMPORT_OK;
    if (r.Receive != nullptr) {
        result = applyControl(*open, r.ControlBeforeReceive);
        if (result != NKCOMPORT_OK) {
            return result;
        }
        result = readLocked(port, *open, r.Receive, r.ReceiveCount, r.ReceiveTimeout);
    }
    const int32_t end = applyControl(*open, r.ControlAtEnd);
    return result != NKCOMPORT_OK ? result : end;
}

NKCOMPORT_API int32_t NkComPortBreak(int32_t port) {
    if (!validPort(port)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    const uint64_t one = 1;
    return ::write(open->abortFd, &one, sizeof one) == sizeof one ? NKCOMPORT_OK
                                                                  : NKCOMPORT_ERROR_BREAK;
}

NKCOMPORT_API int32_t NkComPortPurge(int32_t port, uint32_t flags) {
    constexpr uint32_t kAbort = NKCOMPORT_PURGE_ABORT_READ | NKCOMPORT_PURGE_ABORT_WRITE;
    constexpr uint32_t kDiscard = NKCOMPORT_PURGE_INPUT | NKCOMPORT_PURGE_OUTPUT;
    if (!validPort(port) || (flags & ~(kAbort | kDiscard)) != 0) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    if (flags & kAbort) {
        // Wakes a transfer waiting in another thread; there is one transfer
        // per port, so both bits wake whichever it is.
        const uint64_t one = 1;
        if (::write(open->cancelFd, &one, sizeof one) != sizeof one) {
            return NKCOMPORT_ERROR_PURGE;
        }
    }
    if ((flags & kDiscard) == 0) {
        return NKCOMPORT_OK;
    }
    std::lock_guard io(open->io);
    return open->backend->purge(flags & NKCOMPORT_PURGE_INPUT, flags & NKCOMPORT_PURGE_OUTPUT);
}

NKCOMPORT_API int32_t NkComPortSetControl(int32_t port, uint32_t control) {
    if (!validPort(port) || (control & ~kControlBits) != 0) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    std::lock_guard io(open->io);
    return applyControl(*open, control);
}

NKCOMPORT_API int32_t NkComPortGetControl(int32_t port, uint32_t* status) {
    if (!validPort(port) || status == nullptr) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    std::lock_guard io(open->io);
    return open->backend->modemStatus(*status);
}

NKCOMPORT_API int32_t NkComPortGetQueue(int32_t port, uint32_t* input, uint32_t* output) {
    if (!validPort(port)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    if (!open) {
        return NKCOMPORT_ERROR_NOT_OPEN;
    }
    uint32_t in = 0;
    uint32_t out = 0;
    std::lock_guard io(open->io);
    const int32_t result = open->backend->queueCounts(in, out);
    if (result == NKCOMPORT_OK) {
        if (input != nullptr) {
            *input = in;
        }
        if (output != nullptr) {
            *output = out;
        }
    }
    return result;
}

NKCOMPORT_API int32_t NkComPortGetDeviceNameA(int32_t port, char* buffer, int32_t size) {
    if (!validPort(port)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    const auto open = openPort(port);
    return copyText(open ? open->device : configuredDeviceName(port), buffer, size);
}

NKCOMPORT_API int32_t NkComPortGetOpenErrorA(int32_t port, char* buffer, int32_t size) {
    if (!validPort(port)) {
        return NKCOMPORT_ERROR_PARAMETER;
    }
    std::string reason;
    {
        std::lock_guard lock(tableLock);
        reason = table[port].openError;
    }
    return copyText(reason, buffer, size);
}

} // extern "C"
