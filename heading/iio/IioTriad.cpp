#include "heading/iio/IioTriad.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "heading/SourceError.h"

namespace heading {

namespace {

constexpr std::array<const char*, 3> kAxes = {"x", "y", "z"};

// The first of paths that exists, parsed, and which one it was; nothing when none does.
template <typename Parse>
auto readFirst(const AttributeReader& read, std::initializer_list<std::string> paths, Parse parse,
               std::string* found = nullptr) -> std::optional<decltype(parse(std::string_view{}))> {
    for (const auto& p : paths) {
        const AttributeRead r = read(p);
        if (r.error == ENOENT) continue;
        if (isAccessDenied(r.error)) throw AccessDenied(p);
        if (r.error != 0) throw SourceError("cannot read " + p + ": " + describeReadError(r.error));
        try {
            auto value = parse(r.text);
            if (found) *found = p;
            return value;
        } catch (const AttributeError& e) {
            throw SourceError(p + ": " + e.what());
        }
    }
    return std::nullopt;
}

}  // namespace

IioTriad::IioTriad(const IioDeviceInfo& device, std::string type, AttributeReader read)
    : dir_(device.path), type_(std::move(type)), read_(std::move(read)) {
    const std::string in = "in_" + type_;
    std::array<std::string, 3> scalePaths, offsetPaths;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string axis = in + "_" + kAxes[i];
        rawPaths_[i] = path(axis + "_raw");
        scale_[i] = readFirst(read_, {path(axis + "_scale"), path(in + "_scale")}, parseIioScale,
                              &scalePaths[i])
                        .value_or(1.0);
        offset_[i] = readFirst(read_, {path(axis + "_offset"), path(in + "_offset")},
                               parseIioOffset, &offsetPaths[i])
                         .value_or(0.0);
    }
    std::string mountPath;
    mount_ = readFirst(read_,
                       {path(in + "_mount_matrix"), path("in_mount_matrix"), path("mount_matrix")},
                       parseIioMountMatrix, &mountPath)
                 .value_or(Matrix3{});
    refuseOverflow(scalePaths, offsetPaths, mountPath);
    samplingFrequency_ =
        readFirst(read_, {path(in + "_sampling_frequency"), path("sampling_frequency")},
                  parseIioSamplingFrequency)
            .value_or(50.0);
}

void IioTriad::refuseOverflow(const std::array<std::string, 3>& scalePaths,
                              const std::array<std::string, 3>& offsetPaths,
                              const std::string& mountPath) const {
    // A raw reading of 1 (or 0 with the offset) is the least a sensor can report; if even that
    // overflows on the way to a sample, every reading would.
    const auto fits = [](double v) { return std::isfinite(v * kHeadroom); };
    std::array<double, 3> unit{};
    for (std::size_t i = 0; i < 3; ++i) {
        const auto tooLarge = [&](const std::string& file, const char* what, double value) {
            char number[32];
            const auto end = std::to_chars(number, number + sizeof number, value).ptr;
            throw SourceError(file + ": " + what + " of " + std::string(number, end) +
                              " makes every reading too large a number to use");
        };
        if (!fits(scale_[i])) tooLarge(scalePaths[i], "a scale", scale_[i]);
        unit[i] = (1.0 + std::fabs(offset_[i])) * scale_[i];
        if (!fits(unit[i])) tooLarge(offsetPaths[i], "an offset", offset_[i]);
    }
    const auto& m = mount_.m;
    for (std::size_t row = 0; row < 3; ++row) {
        const double most = std::fabs(m[3 * row]) * unit[0] + std::fabs(m[3 * row + 1]) * unit[1] +
                            std::fabs(m[3 * row + 2]) * unit[2];
        if (!fits(most))
            throw SourceError(mountPath +
                              ": this mount matrix makes every reading too large a number to use");
    }
}

std::string IioTriad::path(const std::string& attribute) const {
    return dir_ + "/" + attribute;
}

IioTriad::Reading IioTriad::read() const {
    std::array<long long, 3> raw{};
    for (std::size_t i = 0; i < 3; ++i) {
        const AttributeRead r = read_(rawPaths_[i]);
        Reading failed;
        if (r.error != 0) {
            failed.error = r.error;
            failed.message = "cannot read " + rawPaths_[i] + ": " + describeReadError(r.error);
            return failed;
        }
        try {
            raw[i] = parseIioRaw(r.text);
        } catch (const AttributeError& e) {
            failed.error = EIO;
            failed.message = rawPaths_[i] + ": " + e.what();
            return failed;
        }
    }
    return convert(raw);
}

IioTriad::Reading IioTriad::convert(const std::array<long long, 3>& raw) const {
    Reading reading;
    std::array<double, 3> v{};
    for (std::size_t i = 0; i < 3; ++i)
        v[i] = (static_cast<double>(raw[i]) + offset_[i]) * scale_[i];
    reading.value = mount_ * Vector3{v[0], v[1], v[2]};
    if (!std::isfinite(reading.value.x * kHeadroom) ||
        !std::isfinite(reading.value.y * kHeadroom) ||
        !std::isfinite(reading.value.z * kHeadroom)) {
        reading.error = ERANGE;
        reading.message =
            dir_ + ": in_" + type_ + "_x/y/z_raw give a value too large a number to use";
    }
    return reading;
}

}  // namespace heading
