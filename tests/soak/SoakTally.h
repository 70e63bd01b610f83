// What a soak run counted, and the summary line it ends with.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct SoakTally {
    uint64_t Commands = 0;                   // taken by the thread (codes 1 … 19)
    std::map<int32_t, uint64_t> ByCommand;   // command code → taken
    uint64_t Refused = 0;                    // refused by the busy thread
    uint64_t Failures = 0;                   // failed results posted (commands and rig polls)
    std::map<int32_t, uint64_t> ByError;     // error code → failures
    uint64_t Faults = 0;                     // faults switched on in the devices
    std::map<std::string, uint64_t> ByFault; // fault kind → switched on
    uint64_t Reconnects = 0;                 // ports opened again after a dropped connection
    uint64_t Aborts = 0;                     // "Прекратить" during a command
    std::vector<std::string> Violations;

    // "soak: 180 s, seed 7: commands 3120 (…), faults injected 412 (…),
    // failures reported 530 (-10: 300, …), reconnects 41, aborts 12,
    // violations 0"
    std::string Summary(std::chrono::seconds elapsed, uint32_t seed) const;
};
