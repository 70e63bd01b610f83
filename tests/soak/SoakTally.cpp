#include "SoakTally.h"

namespace {

template <class Key> std::string Counts(const std::map<Key, uint64_t>& counts) {
    std::string text;
    for (const auto& [key, count] : counts) {
        text += text.empty() ? " (" : ", ";
        if constexpr (std::is_same_v<Key, std::string>)
            text += key;
        else
            text += std::to_string(key);
        text += ": " + std::to_string(count);
    }
    return text.empty() ? text : text + ")";
}

} // namespace

std::string SoakTally::Summary(std::chrono::seconds elapsed, uint32_t seed) const {
    return "soak: " + std::to_string(elapsed.count()) + " s, seed " + std::to_string(seed) +
           ": commands " + std::to_string(Commands) + Counts(ByCommand) + ", refused " +
           std::to_string(Refused) + ", faults injected " + std::to_string(Faults) +
           Counts(ByFault) + ", failures reported " + std::to_string(Failures) + Counts(ByError) +
           ", reconnects " + std::to_string(Reconnects) + ", aborts " + std::to_string(Aborts) +
           ", violations " + std::to_string(Violations.size());
}
