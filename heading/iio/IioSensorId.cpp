#include "heading/iio/IioSensorId.h"

#include <filesystem>
#include <system_error>

namespace heading {

namespace {

std::string safe(std::string_view text) {
    std::string out;
    for (char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        out += plain ? c : (c == '/' ? '-' : '_');
    }
    while (!out.empty() && out.front() == '-') out.erase(out.begin());
    return out;
}

}  // namespace

std::string iioSensorId(const IioDeviceInfo& device) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // /sys/bus/iio/devices/iio:device0 links to /sys/devices/.../i2c-1/1-000c/iio:device0.
    fs::path real = fs::canonical(device.path, ec);
    if (ec) real = fs::path(device.path);
    std::string parent = real.parent_path().string();
    constexpr std::string_view kDevices = "/sys/devices/";
    if (parent.starts_with(kDevices)) parent = parent.substr(kDevices.size());
    const std::string name = device.name.empty() ? std::string("iio") : safe(device.name);
    return name + "@" + safe(parent);
}

}  // namespace heading
