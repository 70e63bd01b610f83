// Faults a test switches on for a device's answers.
//
// A fault is written KIND[:VALUE][@SKIP][/COUNT]:
//   silent        the device takes the request but sends no answer
//   checksum      the answer's checksum is wrong (the device corrupts it)
//   status        the answer's status byte is wrong (the device corrupts it)
//   short[:N]     only the first N bytes of the answer go out (default: all but the last)
//   drop[:N]      the first N bytes go out (default none), then the connection is closed
//   delay:MS      the answer goes out MS milliseconds late
// @SKIP lets the next SKIP answers through sound before the fault starts
// (a command answered twice, a write preceded by a read, can be hit on its
// later answer). /COUNT limits the fault to COUNT answers; without it the
// fault stays until cleared. Setting a kind again replaces it.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lgmsim {

enum class FaultKind { Silent, Checksum, Status, Short, Drop, Delay };
inline constexpr size_t kFaultKinds = 6;

struct Fault {
    FaultKind kind;
    std::optional<uint32_t> value;
    std::optional<uint32_t> count; // empty: until cleared
    uint32_t skip = 0;             // answers let through before it starts
};

// Parses one fault; on failure returns empty and sets error.
std::optional<Fault> parseFault(std::string_view text, std::string& error);

// What to do with one answer.
struct FaultPlan {
    bool silent = false;
    bool badChecksum = false;
    bool badStatus = false;
    std::optional<size_t> keepBytes; // cut the answer to this many bytes
    bool drop = false;               // close the connection after what is kept
    std::chrono::milliseconds delay{0};
};

class FaultSet {
public:
    void set(const Fault& fault);
    void clear() { faults_ = {}; }
    bool empty() const;

    // The plan for the next answer of frameSize bytes; uses up one skipped
    // answer of each fault still waiting, and one of each counted fault
    // that applies.
    FaultPlan take(size_t frameSize);

    // "checksum/2,delay:100,status@1/1", or "none"; SKIP is what is left.
    std::string describe() const;

private:
    std::array<std::optional<Fault>, kFaultKinds> faults_;
};

} // namespace lgmsim
