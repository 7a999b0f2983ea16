#include "heading/iio/IioBuffer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "heading/Numbers.h"
#include "heading/iio/IioAttributes.h"

namespace heading {

namespace {

namespace fs = std::filesystem;

std::string firstLine(const std::string& text) {
    return std::string(trimSpaces(text.substr(0, text.find('\n'))));
}

// Why an attribute could not be set, for the line saying the device is polled instead.
std::string cannotWrite(const std::string& name, int error) {
    if (isAccessDenied(error) || error == EROFS)
        return name + " is not writable; see README, Permissions";
    if (error == EBUSY) return name + " is busy: another program holds the buffer";
    return "cannot write " + name + ": " + describeReadError(error);
}

// The first trigger whose name begins with the device's: the one its driver made for it
// ("lis3mdl-trigger", "ak8975-dev0").
std::string ownTrigger(const std::string& root, const std::string& device,
                       const AttributeReader& read) {
    if (device.empty()) return {};
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->path().filename().string().starts_with("trigger")) continue;
        const AttributeRead name = read((it->path() / "name").string());
        if (name.error == 0 && firstLine(name.text).starts_with(device))
            names.push_back(firstLine(name.text));
    }
    std::sort(names.begin(), names.end());
    return names.empty() ? std::string() : names.front();
}

}  // namespace

IioBuffer::IioBuffer(const Access& access, IioScanLayout layout, std::string node)
    : changes_(access.read, access.write),
      layout_(std::move(layout)),
      reader_(std::move(node), layout_.scanBytes()) {}

IioBuffer::~IioBuffer() {
    release();
}

std::vector<std::string> IioBuffer::release() {
    reader_.close();
    return changes_.restore();
}

IioBuffer::Opened IioBuffer::open(const IioDeviceInfo& device, const Access& access, double rate) {
    const std::string dir = device.path + "/";
    const auto read = [&](const std::string& name) { return access.read(dir + name); };

    // The elements of a scan, each with its index and storage. An element is absent (its files
    // are not there), or taken, or its files hold garbage: the problem, naming the file.
    std::vector<IioScanLayout::Element> elements;
    struct Found {
        bool present = false;
        std::string problem;
    };
    const auto element = [&](const std::string& name) -> Found {
        const std::string base = "scan_elements/" + name;
        const AttributeRead index = read(base + "_index"), type = read(base + "_type");
        const AttributeRead enabled = read(base + "_en");
        for (const auto* r : {&index, &type, &enabled})
            if (r->error != 0) return {};
        IioScanLayout::Element e{name, 0, {}};
        const auto i = parseInteger(firstLine(index.text));
        if (!i || *i < 0 || *i > 1000000) return {true, base + "_index: expected a whole number"};
        e.index = static_cast<unsigned>(*i);
        try {
            e.type = parseIioScanType(type.text);
        } catch (const AttributeError& error) {
            return {true, base + "_type: " + error.what()};
        }
        elements.push_back(std::move(e));
        return {true, {}};
    };
    for (const char* axis : {"in_magn_x", "in_magn_y", "in_magn_z"}) {
        const Found found = element(axis);
        if (!found.present) return {nullptr, "it has no scan elements for in_magn_x, y and z"};
        if (!found.problem.empty()) return {nullptr, found.problem};
    }
    for (const char* optional : {"in_timestamp", "in_accel_x", "in_accel_y", "in_accel_z"})
        if (const Found found = element(optional); !found.problem.empty())
            return {nullptr, found.problem};
    // Two elements at one index would leave their order in the scan to their names.
    for (auto e = elements.begin(); e != elements.end(); ++e)
        for (auto before = elements.begin(); before != e; ++before)
            if (before->index == e->index)
                return {nullptr, "scan_elements/" + e->name +
                                     "_index: " + std::to_string(e->index) + " is the index of " +
                                     before->name + " as well"};
    // An accelerometer is in the scan with all three axes or not at all.
    if (std::count_if(elements.begin(), elements.end(),
                      [](const auto& e) { return e.name.starts_with("in_accel"); }) != 3)
        std::erase_if(elements, [](const auto& e) { return e.name.starts_with("in_accel"); });

    const AttributeRead enable = read("buffer/enable");
    if (enable.error == ENOENT) return {nullptr, "it has no buffer/enable"};
    if (enable.error != 0)
        return {nullptr, "cannot read buffer/enable: " + describeReadError(enable.error)};
    if (firstLine(enable.text) != "0")
        return {nullptr, "its buffer is on already: another program is reading it"};

    // A device without trigger/ fills its buffer without one.
    std::string trigger;
    const AttributeRead current = read("trigger/current_trigger");
    const bool needsTrigger = current.error != ENOENT;
    if (needsTrigger) {
        if (current.error != 0)
            return {nullptr,
                    "cannot read trigger/current_trigger: " + describeReadError(current.error)};
        trigger = ownTrigger(access.root, device.name, access.read);
        if (trigger.empty()) trigger = firstLine(current.text);
        if (trigger.empty()) return {nullptr, "it has no trigger of its own"};
    }

    std::unique_ptr<IioBuffer> buffer(
        new IioBuffer(access, IioScanLayout(elements), access.devRoot + "/" + device.id));
    buffer->trigger_ = trigger;
    if (const int error = buffer->reader_.open(); error != 0) {
        const std::string node = buffer->reader_.path();
        if (error == EBUSY) return {nullptr, node + " is busy: another program holds the buffer"};
        if (isAccessDenied(error))
            return {nullptr, node + " is not readable; see README, Permissions"};
        return {nullptr, "cannot open " + node + ": " + std::strerror(error)};
    }

    // Every change is undone by the buffer's destruction when a later one fails.
    const auto set = [&](const std::string& name, const std::string& value) {
        const int error = buffer->changes_.set(dir + name, value);
        return error == 0 ? std::string() : cannotWrite(name, error);
    };
    std::vector<std::pair<std::string, std::string>> steps;
    if (needsTrigger) steps.emplace_back("trigger/current_trigger", trigger);
    std::vector<std::string> enables;
    std::error_code ec;
    for (fs::directory_iterator it(dir + "scan_elements", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string file = it->path().filename().string();
        if (file.ends_with("_en")) enables.push_back(file);
    }
    std::sort(enables.begin(), enables.end());
    for (const std::string& file : enables) {
        const std::string name = file.substr(0, file.size() - 3);
        const bool ours = buffer->layout_.find(name) >= 0;
        steps.emplace_back("scan_elements/" + file, ours ? "1" : "0");
    }
    // A wake-up about once a display frame, however fast the device.
    const int watermark = std::clamp(static_cast<int>(std::floor(rate / 60.0)), 1, kLength / 2);
    steps.emplace_back("buffer/length", std::to_string(kLength));
    if (read("buffer/watermark").error != ENOENT)
        steps.emplace_back("buffer/watermark", std::to_string(watermark));
    steps.emplace_back("buffer/enable", "1");
    for (const auto& [name, value] : steps) {
        if (std::string problem = set(name, value); !problem.empty()) {
            for (const std::string& failed : buffer->release()) problem += "; " + failed;
            return {nullptr, problem};
        }
    }
    return {std::move(buffer), {}};
}

}  // namespace heading
