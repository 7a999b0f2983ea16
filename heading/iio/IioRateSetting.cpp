#include "heading/iio/IioRateSetting.h"

#include <cerrno>
#include <charconv>
#include <cmath>

#include "heading/iio/IioAttributes.h"
#include "heading/iio/IioRates.h"

namespace heading {

namespace {

std::string number(double v) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, v).ptr;
    return std::string(text, end);
}

// The first of names under dir that exists, or empty.
std::string firstPresent(const std::string& dir, std::initializer_list<std::string> names,
                         const AttributeReader& read, AttributeRead* got = nullptr) {
    for (const auto& name : names) {
        AttributeRead r = read(dir + name);
        if (r.error == ENOENT) continue;
        if (got) *got = std::move(r);
        return name;
    }
    return {};
}

}  // namespace

IioRateSetting IioRateSetting::apply(const IioDeviceInfo& device, const std::string& type,
                                     double current, std::optional<double> requested,
                                     IioChanges& changes, const AttributeReader& read) {
    IioRateSetting setting{current, {}};
    const std::string dir = device.path + "/";
    const std::string in = "in_" + type + "_sampling_frequency";
    const std::string file = firstPresent(dir, {in, "sampling_frequency"}, read);
    if (file.empty()) {
        if (requested) setting.note = "rate=" + number(*requested) + " is ignored: it has no " + in;
        return setting;
    }
    AttributeRead offered;
    const std::string available =
        firstPresent(dir, {in + "_available", "sampling_frequency_available"}, read, &offered);
    double target = current;
    if (!available.empty() && offered.error == 0) {
        try {
            target = IioRates::parse(offered.text).choose(requested);
        } catch (const AttributeError& e) {
            setting.note = "its rate is left as it is: " + available + ": " + e.what();
            return setting;
        }
    } else if (requested) {
        target = *requested;  // nothing to choose from: the driver takes it or refuses it
    }
    if (target == current) return setting;
    if (const int error = changes.set(dir + file, number(target)); error != 0) {
        const std::string why = isAccessDenied(error) || error == EROFS
                                    ? file + " is not writable; see README, Permissions"
                                    : "cannot write " + file + ": " + describeReadError(error);
        setting.note = "its rate stays at " + number(current) + " Hz: " + why;
        return setting;
    }
    // The driver may round what it was given.
    const AttributeRead now = read(dir + file);
    try {
        setting.rate = now.error == 0 ? parseIioSamplingFrequency(now.text) : target;
    } catch (const AttributeError&) {
        setting.rate = target;
    }
    return setting;
}

}  // namespace heading
