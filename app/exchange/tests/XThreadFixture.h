// The exchange thread against lgmsim over the RFC 2217 backend, on a virtual
// clock. One lgmsim serves every test of the program:
//   COM1  ЛГМ meter, version 2       COM3  БКЛТ rig controller
//   COM2  ЛГМ meter, version 1       COM4  ГКМС meter, mode 1
//   COM5  a pseudo-terminal (opens and closes at once, unlike a network port)
//   COM8  a device that does not exist
// Each test gets its own thread, message queue and exchange log; the
// thread's destructor closes its port, so each test starts on a fresh line.
#pragma once

#include "SimProcess.h"
#include "XMessageQueue.h"
#include "XTestClock.h"
#include "exchange/Tzorxthreadunit.h"

#include "NkComPort.h"
#include "ZorCommon.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <stdlib.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace xtest {

enum Com : uint32_t { kMeterV2 = 0, kMeterV1 = 1, kRig = 2, kGkms = 3, kPty = 4, kMissing = 7 };
inline constexpr Com kSimulated[] = {kMeterV2, kMeterV1, kRig, kGkms};

using Bytes = std::vector<uint8_t>;

inline Bytes FromHex(const std::string& hex) {
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline std::string ToHex(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    for (uint8_t b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

// The simulators, started once for the whole program.
class SimEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        sim = new lgmsim::SimProcess(
            {"lgm,version=2", "lgm,version=1", "bklt,speed=20", "gkms,mode=1"});
        for (const Com com : kSimulated)
            sim->bindComPort(static_cast<int>(com), com);
        pty = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(pty, 0);
        ASSERT_EQ(grantpt(pty), 0);
        ASSERT_EQ(unlockpt(pty), 0);
        setenv("LGMSERVICE_COM5", ptsname(pty), 1);
        setenv("LGMSERVICE_COM8", "/nonexistent/ttyLGM", 1);
    }
    void TearDown() override {
        delete sim;
        sim = nullptr;
        close(pty);
    }
    static inline lgmsim::SimProcess* sim = nullptr;
    static inline int pty = -1;
};

class XThreadTest : public ::testing::Test {
protected:
    XThreadTest() {
        static int counter = 0;
        logPath =
            std::filesystem::temp_directory_path() /
            ("xthread-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".log");
        log = ZorCreateLogA(logPath.c_str(), 0);
        thread.SetNotify(queue.Receiver(), kExchangeMessage, log);
    }

    ~XThreadTest() override {
        thread.Terminate();
        for (const Com device : kSimulated) {
            // The next test's open is refused while the simulator still
            // serves this test's connection.
            EXPECT_TRUE(sim().waitForState(device, "connected", "0"));
            sim().clearFaults(device);
            if (device == kMeterV2 || device == kMeterV1)
                sim().deviceCommand(device, "refuse none");
        }
        thread.SetNotify(nullptr, 0, ZOR_INVALID_HANDLE);
        close(log);
        std::filesystem::remove(logPath);
    }

    static lgmsim::SimProcess& sim() { return *SimEnvironment::sim; }

    // Resumes the thread and opens the port (as the first port choice does),
    // set up for its device.
    void Start(Com com) {
        thread.Resume();
        ASSERT_TRUE(thread.SendCommand(XCmd::OpenPort, com, nullptr)) << thread.Result();
        const uint32_t kind = com == kGkms ? XPortKind::GkmsMode1 : XPortKind::Lgm;
        if (com != kRig) {
            ASSERT_TRUE(thread.PreparePort(kind)) << thread.Result();
        }
    }

    // Sends a command and waits for its message; the result it carries.
    XMessage Run(int32_t code, uint32_t argument, void* data) {
        EXPECT_TRUE(thread.SendCommand(code, argument, data)) << code;
        const auto message = queue.NextOf(code);
        EXPECT_TRUE(message) << "no message for command " << code;
        return message.value_or(XMessage{});
    }

    static int32_t Outcome(const XMessage& message) {
        return message.Failed() ? static_cast<int32_t>(message.LParam) : 0;
    }

    // The exchange log so far, as UTF-8.
    std::string LogText() const {
        std::ifstream in(logPath, std::ios::binary);
        return zor::Cp1251ToUtf8(
            std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }

    static size_t Count(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

    std::shared_ptr<XTestClock> clock = std::make_shared<XTestClock>();
    XMessageQueue queue{clock};
    std::filesystem::path logPath;
    ZorFileHandle log = ZOR_INVALID_HANDLE;
    // Last, so it ends (and stops posting) before the queue goes.
    TZorXThread thread{clock};
};

} // namespace xtest
