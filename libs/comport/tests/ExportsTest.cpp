// What every export does before any device is involved: argument checks,
// ports that are not open, device names.
#include "PortTesting.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace porttest;

namespace {

// Every export, called on one port with otherwise valid arguments.
struct Export {
    const char* name;
    std::function<int32_t(int32_t)> call;
};

std::vector<Export> allExports() {
    static uint8_t buffer[4];
    static NkComPortConfig config{};
    static NkComPortExRequest request{buffer, buffer, 1, 1, 0, 0, 0, 10, 10};
    static uint32_t word;
    return {
        {"Open", [](int32_t p) { return NkComPortOpen(p); }},
        {"Close", [](int32_t p) { return NkComPortClose(p); }},
        {"SetConfig", [](int32_t p) { return NkComPortSetConfig(p, &config); }},
        {"GetConfig", [](int32_t p) { return NkComPortGetConfig(p, &config); }},
        {"ReadByte", [](int32_t p) { return NkComPortReadByte(p, 10); }},
        {"ReadArray", [](int32_t p) { return NkComPortReadArray(p, buffer, 4, 10); }},
        {"WriteByte", [](int32_t p) { return NkComPortWriteByte(p, 1, 10); }},
        {"WriteArray", [](int32_t p) { return NkComPortWriteArray(p, buffer, 4, 10); }},
        {"WriteAndRead",
         [](int32_t p) { return NkComPortWriteAndRead(p, buffer, 1, buffer, 1, 10); }},
        {"WriteAndReadEx", [](int32_t p) { return NkComPortWriteAndReadEx(p, &request); }},
        {"Break", [](int32_t p) { return NkComPortBreak(p); }},
        {"Purge", [](int32_t p) { return NkComPortPurge(p, 4); }},
        {"SetControl", [](int32_t p) { return NkComPortSetControl(p, 12); }},
        {"GetControl", [](int32_t p) { return NkComPortGetControl(p, &word); }},
        {"GetQueue", [](int32_t p) { return NkComPortGetQueue(p, &word, &word); }},
        {"GetDeviceNameA",
         [](int32_t p) {
             char name[64];
             return NkComPortGetDeviceNameA(p, name, sizeof name);
         }},
        {"GetOpenErrorA",
         [](int32_t p) {
             char text[64];
             return NkComPortGetOpenErrorA(p, text, sizeof text);
         }},
    };
}

} // namespace

TEST(Exports, PortOutsideZeroToSevenIsInvalid) {
    for (const auto& e : allExports()) {
        for (int32_t port : {-1, 8, 1000, INT32_MIN}) {
            EXPECT_EQ(e.call(port), NKCOMPORT_ERROR_PARAMETER) << e.name << " port " << port;
        }
    }
}

TEST(Exports, PortThatIsNotOpen) {
    const int32_t port = 5;
    for (const auto& e : allExports()) {
        const std::string name = e.name;
        if (name == "Open" || name == "GetDeviceNameA" || name == "GetOpenErrorA") {
            continue;
        }
        const int32_t expected = name == "GetConfig" ? NKCOMPORT_OK : NKCOMPORT_ERROR_NOT_OPEN;
        EXPECT_EQ(e.call(port), expected) << name;
    }
}

TEST(Exports, GetConfigOnAClosedPortLeavesTheRecordAlone) {
    NkComPortConfig config{};
    config.Mask = 0xFF;
    config.BaudRate = 1234;
    config.Timeout = 77;
    config.DataBits = 3;
    NkComPortConfig before = config;
    EXPECT_EQ(NkComPortGetConfig(6, &config), NKCOMPORT_OK);
    EXPECT_EQ(std::memcmp(&config, &before, sizeof config), 0);
}

TEST(Exports, BadArgumentsAreRejectedBeforeThePortIsLookedAt) {
    uint8_t buffer[4] = {};
    const int32_t port = 5; // not open: -19 must win over -18
    EXPECT_EQ(NkComPortReadArray(port, nullptr, 4, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortReadArray(port, buffer, 0, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortReadArray(port, buffer, -4, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortReadArray(port, buffer, 4, -2), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortReadByte(port, -5), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortWriteArray(port, nullptr, 4, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortWriteArray(port, buffer, 0, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortWriteAndRead(port, nullptr, 1, buffer, 1, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortWriteAndRead(port, buffer, 1, nullptr, 1, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortWriteAndRead(port, buffer, 0, buffer, 1, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortWriteAndRead(port, buffer, 1, buffer, 0, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortSetConfig(port, nullptr), NKCOMPORT_ERROR_PARAMETER);
    NkComPortConfig unknownBit{};
    unknownBit.Mask = 0x100;
    EXPECT_EQ(NkComPortSetConfig(port, &unknownBit), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortGetConfig(port, nullptr), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortGetControl(port, nullptr), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortSetControl(port, 0x10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortPurge(port, 0x10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortWriteAndReadEx(port, nullptr), NKCOMPORT_ERROR_PARAMETER);

    const NkComPortExRequest bad[] = {
        {buffer, nullptr, 0, 0, 0, 0, 0, 10, 10},           // send buffer, no count
        {nullptr, buffer, 0, 0, 0, 0, 0, 10, 10},           // receive buffer, no count
        {buffer, nullptr, 0x80000000u, 0, 0, 0, 0, 10, 10}, // count too large
        {buffer, nullptr, 1, 0, 0, 0, 0, -2, 10},           // bad time-out
        {nullptr, nullptr, 0, 0, 0x20, 0, 0, 10, 10},       // unknown control bit
    };
    for (const auto& request : bad) {
        EXPECT_EQ(NkComPortWriteAndReadEx(port, &request), NKCOMPORT_ERROR_PARAMETER);
    }
}

TEST(Exports, DeviceNameFollowsTheEnvironment) {
    ::unsetenv("LGMSERVICE_COM1");
    EXPECT_EQ(deviceName(0), "/dev/ttyS0");
    ::unsetenv("LGMSERVICE_COM8");
    EXPECT_EQ(deviceName(7), "/dev/ttyS7");
    pointPortAt(7, "rfc2217://127.0.0.1:4000");
    EXPECT_EQ(deviceName(7), "rfc2217://127.0.0.1:4000");
    ::unsetenv("LGMSERVICE_COM8");

    // "/dev/ttyS0" is ten characters: the terminator needs an eleventh.
    char name[11];
    EXPECT_EQ(NkComPortGetDeviceNameA(0, name, 11), 10);
    EXPECT_STREQ(name, "/dev/ttyS0");
    EXPECT_EQ(NkComPortGetDeviceNameA(0, name, 10), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortGetDeviceNameA(0, nullptr, 11), NKCOMPORT_ERROR_PARAMETER);
    EXPECT_EQ(NkComPortGetDeviceNameA(0, name, 0), NKCOMPORT_ERROR_PARAMETER);
}

TEST(Exports, OpenFailuresKeepTheirReason) {
    struct Case {
        const char* device;
        const char* reason;
    };
    const Case cases[] = {
        {"/dev/nonexistent-serial-port", "/dev/nonexistent-serial-port: No such file or directory"},
        {"/dev/null", "/dev/null: not a serial device"},
        {"ttyS0", "ttyS0: not a device path or rfc2217:// address"},
        {"rfc2217://nowhere", "rfc2217://nowhere: expected rfc2217://host:port"},
    };
    for (const auto& c : cases) {
        pointPortAt(4, c.device);
        EXPECT_EQ(NkComPortOpen(4), NKCOMPORT_ERROR_OPEN) << c.device;
        EXPECT_EQ(openError(4), c.reason);
    }
    ::unsetenv("LGMSERVICE_COM5");
}
