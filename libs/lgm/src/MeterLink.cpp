// The exports that move bytes: each runs one exchange of MeterProtocol over
// the caller's NkComPort port.
#include "ZorComLgm.h"

#include "Link.h"
#include "MeterProtocol.h"
#include "NkComPort.h"
#include "Timeouts.h"
#include "ZorCommon.h"

#include <atomic>

namespace {

std::atomic<int32_t> g_log{ZOR_INVALID_HANDLE};

template <typename Exchange> int32_t OnPort(int32_t port, Exchange exchange) {
    lgm::PortLink link(port);
    lgm::MeterProtocol protocol(link, g_log.load(), lgm::LinkTimeouts());
    return exchange(protocol);
}

} // namespace

extern "C" {

ZORCOMLGM_API int32_t ZorComLgmSetLogFile(int32_t log) {
    g_log.store(log);
    return log;
}

ZORCOMLGM_API int32_t ZorComLgmPrepare(int32_t port, uint32_t) {
    NkComPortConfig config{};
    config.Mask = NKCOMPORT_CFG_RAW | NKCOMPORT_CFG_BAUDRATE | NKCOMPORT_CFG_TIMEOUT |
                  NKCOMPORT_CFG_DATABITS | NKCOMPORT_CFG_STOPBITS | NKCOMPORT_CFG_PARITYCHECK |
                  NKCOMPORT_CFG_PARITY | NKCOMPORT_CFG_RTSCONTROL | NKCOMPORT_CFG_DTRCONTROL;
    config.BaudRate = 9600;
    config.Timeout = 6000;
    config.DataBits = 8;
    config.StopBits = NKCOMPORT_STOPBITS_1;
    config.ParityCheck = 0;
    config.Parity = NKCOMPORT_PARITY_NONE;
    config.RtsControl = NKCOMPORT_LINE_OFF;
    config.DtrControl = NKCOMPORT_LINE_ON;
    return NkComPortSetConfig(port, &config);
}

ZORCOMLGM_API int32_t ZorComLgmReadShort(int32_t port, uint32_t command, uint32_t* result) {
    return OnPort(port, [&](lgm::MeterProtocol& p) { return p.ReadShort(command, result); });
}

ZORCOMLGM_API int32_t ZorComLgmReadParams(int32_t port, uint32_t version, void* destination,
                                          uint32_t size) {
    return OnPort(port,
                  [&](lgm::MeterProtocol& p) { return p.ReadParams(version, destination, size); });
}

ZORCOMLGM_API int32_t ZorComLgmWriteParams(int32_t port, uint32_t version, uint32_t flags,
                                           const void* data, uint32_t length) {
    return OnPort(
        port, [&](lgm::MeterProtocol& p) { return p.WriteParams(version, flags, data, length); });
}

ZORCOMLGM_API int32_t ZorComLgmReadTable(int32_t port, uint32_t version, void* destination,
                                         uint32_t size) {
    return OnPort(port,
                  [&](lgm::MeterProtocol& p) { return p.ReadTable(version, destination, size); });
}

ZORCOMLGM_API int32_t ZorComLgmWriteTable(int32_t port, uint32_t version, uint32_t flags,
                                          const void* data, uint32_t length) {
    return OnPort(
        port, [&](lgm::MeterProtocol& p) { return p.WriteTable(version, flags, data, length); });
}

ZORCOMLGM_API int32_t ZorComLgmSetThermoCompensation(int32_t port, uint32_t version, uint32_t flags,
                                                     const double* value) {
    return OnPort(port, [&](lgm::MeterProtocol& p) {
        return p.SetThermoCompensation(version, flags, value);
    });
}

ZORCOMLGM_API int32_t ZorComLgmSetLevel(int32_t port, uint32_t, uint32_t level) {
    return OnPort(port, [&](lgm::MeterProtocol& p) { return p.SetLevel(level); });
}

ZORCOMLGM_API int32_t ZorComLgmGetLongitude(int32_t port, uint32_t, uint32_t* result) {
    return OnPort(port, [&](lgm::MeterProtocol& p) { return p.GetLongitude(result); });
}

ZORCOMLGM_API int32_t ZorComLgmReadAdaptor(int32_t port, uint32_t* result) {
    return OnPort(port, [&](lgm::MeterProtocol& p) { return p.ReadAdaptor(result); });
}

} // extern "C"
