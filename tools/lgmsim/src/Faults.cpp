#include "Faults.h"

#include <algorithm>
#include <charconv>

namespace lgmsim {

namespace {

struct KindName {
    FaultKind kind;
    std::string_view name;
    bool valueAllowed;
    bool valueRequired;
};

constexpr KindName kKinds[] = {
    {FaultKind::Silent, "silent", false, false}, {FaultKind::Checksum, "checksum", false, false},
    {FaultKind::Status, "status", false, false}, {FaultKind::Short, "short", true, false},
    {FaultKind::Drop, "drop", true, false},      {FaultKind::Delay, "delay", true, true},
};

bool parseNumber(std::string_view text, uint32_t& value) {
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

} // namespace

std::optional<Fault> parseFault(std::string_view text, std::string& error) {
    Fault fault{};
    if (const auto slash = text.find('/'); slash != std::string_view::npos) {
        uint32_t count = 0;
        if (!parseNumber(text.substr(slash + 1), count) || count == 0) {
            error = "bad count in fault '" + std::string(text) + "'";
            return std::nullopt;
        }
        fault.count = count;
        text = text.substr(0, slash);
    }
    if (const auto at = text.find('@'); at != std::string_view::npos) {
        if (!parseNumber(text.substr(at + 1), fault.skip)) {
            error = "bad number of answers to let through in fault '" + std::string(text) + "'";
            return std::nullopt;
        }
        text = text.substr(0, at);
    }
    std::string_view name = text;
    std::string_view value;
    const auto colon = text.find(':');
    if (colon != std::string_view::npos) {
        name = text.substr(0, colon);
        value = text.substr(colon + 1);
    }
    for (const auto& kind : kKinds) {
        if (kind.name != name) {
            continue;
        }
        fault.kind = kind.kind;
        if (colon != std::string_view::npos) {
            uint32_t number = 0;
            if (!kind.valueAllowed || !parseNumber(value, number)) {
                error = "bad value in fault '" + std::string(text) + "'";
                return std::nullopt;
            }
            fault.value = number;
        } else if (kind.valueRequired) {
            error = "fault '" + std::string(name) + "' needs a value";
            return std::nullopt;
        }
        return fault;
    }
    error = "unknown fault '" + std::string(name) +
            "' (silent, checksum, status, short[:N], drop[:N], delay:MS; then [@SKIP][/COUNT])";
    return std::nullopt;
}

void FaultSet::set(const Fault& fault) {
    faults_[static_cast<size_t>(fault.kind)] = fault;
}

bool FaultSet::empty() const {
    for (const auto& fault : faults_) {
        if (fault) {
            return false;
        }
    }
    return true;
}

FaultPlan FaultSet::take(size_t frameSize) {
    FaultPlan plan;
    for (auto& slot : faults_) {
        if (!slot) {
            continue;
        }
        if (slot->skip > 0) {
            --slot->skip;
            continue;
        }
        const Fault fault = *slot;
        if (fault.count && --*slot->count == 0) {
            slot.reset();
        }
        switch (fault.kind) {
        case FaultKind::Silent:
            plan.silent = true;
            break;
        case FaultKind::Checksum:
            plan.badChecksum = true;
            break;
        case FaultKind::Status:
            plan.badStatus = true;
            break;
        case FaultKind::Short: {
            const size_t keep = fault.value ? *fault.value : (frameSize > 0 ? frameSize - 1 : 0);
            plan.keepBytes = plan.keepBytes ? std::min(*plan.keepBytes, keep) : keep;
            break;
        }
        case FaultKind::Drop: {
            const size_t keep = fault.value.value_or(0);
            plan.keepBytes = plan.keepBytes ? std::min(*plan.keepBytes, keep) : keep;
            plan.drop = true;
            break;
        }
        case FaultKind::Delay:
            plan.delay = std::chrono::milliseconds(*fault.value);
            break;
        }
    }
    return plan;
}

std::string FaultSet::describe() const {
    std::string text;
    for (const auto& fault : faults_) {
        if (!fault) {
            continue;
        }
        if (!text.empty()) {
            text += ',';
        }
        text += kKinds[static_cast<size_t>(fault->kind)].name;
        if (fault->value) {
            text += ':' + std::to_string(*fault->value);
        }
        if (fault->skip > 0) {
            text += '@' + std::to_string(fault->skip);
        }
        if (fault->count) {
            text += '/' + std::to_string(*fault->count);
        }
    }
    return text.empty() ? "none" : text;
}

} // namespace lgmsim
