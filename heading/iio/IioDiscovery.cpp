#include "heading/iio/IioDiscovery.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "heading/Numbers.h"

namespace heading {

namespace {

namespace fs = std::filesystem;

bool hasAll(const fs::path& dir, const char* type) {
    std::error_code ec;
    for (const char* axis : {"x", "y", "z"})
        if (!fs::exists(dir / (std::string("in_") + type + "_" + axis + "_raw"), ec)) return false;
    return true;
}

long long deviceNumber(const std::string& id) {
    return parseInteger(std::string_view(id).substr(10)).value_or(-1);
}

}  // namespace

std::string IioDeviceInfo::label() const {
    return name.empty() ? id : id + " (" + name + ")";
}

std::vector<IioDeviceInfo> listIioDevices(const std::string& root, const AttributeReader& read) {
    std::vector<IioDeviceInfo> devices;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string id = it->path().filename().string();
        if (!id.starts_with("iio:device") || !parseInteger(std::string_view(id).substr(10)))
            continue;
        const fs::path dir = it->path();
        std::error_code e;
        if (!fs::exists(dir / "name", e)) continue;
        IioDeviceInfo info;
        info.id = id;
        info.path = dir.string();
        const AttributeRead name = read((dir / "name").string());
        if (name.error == 0) {
            std::string_view text = name.text;
            while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
                text.remove_suffix(1);
            info.name = std::string(text);
        }
        info.magnetometer = hasAll(dir, "magn");
        info.accelerometer = hasAll(dir, "accel");
        devices.push_back(std::move(info));
    }
    std::sort(devices.begin(), devices.end(),
              [](const auto& a, const auto& b) { return deviceNumber(a.id) < deviceNumber(b.id); });
    return devices;
}

std::string describeFound(const std::vector<IioDeviceInfo>& devices) {
    if (devices.empty()) return "no IIO devices";
    std::string text;
    for (const auto& d : devices) {
        if (!text.empty()) text += ", ";
        text += d.id + " (" + (d.name.empty() ? "unnamed" : d.name);
        if (!d.magnetometer) text += ", not a magnetometer";
        text += ")";
    }
    return text;
}

}  // namespace heading
