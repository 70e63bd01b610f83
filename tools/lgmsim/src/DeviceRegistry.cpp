#include "Device.h"

#include <algorithm>

namespace lgmsim {

namespace {
std::vector<DeviceInfo>& registry() {
    static std::vector<DeviceInfo> devices;
    return devices;
}
} // namespace

DeviceRegistration::DeviceRegistration(DeviceInfo info) {
    auto& devices = registry();
    devices.push_back(std::move(info));
    std::sort(devices.begin(), devices.end(),
              [](const DeviceInfo& a, const DeviceInfo& b) { return a.kind < b.kind; });
}

const std::vector<DeviceInfo>& registeredDevices() {
    return registry();
}

const DeviceInfo* findDevice(std::string_view kind) {
    for (const auto& info : registry()) {
        if (info.kind == kind) {
            return &info;
        }
    }
    return nullptr;
}

} // namespace lgmsim
