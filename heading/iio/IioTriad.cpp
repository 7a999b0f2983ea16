#include "heading/iio/IioTriad.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "heading/SourceError.h"

namespace heading {

namespace {

constexpr std::array<const char*, 3> kAxes = {"x", "y", "z"};

// The first of paths that exists, parsed; nothing when none does.
template <typename Parse>
auto readFirst(const AttributeReader& read, std::initializer_list<std::string> paths, Parse parse)
    -> std::optional<decltype(parse(std::string_view{}))> {
    for (const auto& p : paths) {
        const AttributeRead r = read(p);
        if (r.error == ENOENT) continue;
        if (isAccessDenied(r.error)) throw AccessDenied(p);
        if (r.error != 0) throw SourceError("cannot read " + p + ": " + std::strerror(r.error));
        try {
            return parse(r.text);
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
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string axis = in + "_" + kAxes[i];
        rawPaths_[i] = path(axis + "_raw");
        scale_[i] = readFirst(read_, {path(axis + "_scale"), path(in + "_scale")}, parseIioScale)
                        .value_or(1.0);
        offset_[i] =
            readFirst(read_, {path(axis + "_offset"), path(in + "_offset")}, parseIioOffset)
                .value_or(0.0);
    }
    mount_ = readFirst(read_,
                       {path(in + "_mount_matrix"), path("in_mount_matrix"), path("mount_matrix")},
                       parseIioMountMatrix)
                 .value_or(Matrix3{});
    samplingFrequency_ =
        readFirst(read_, {path(in + "_sampling_frequency"), path("sampling_frequency")},
                  parseIioSamplingFrequency)
            .value_or(50.0);
}

std::string IioTriad::path(const std::string& attribute) const {
    return dir_ + "/" + attribute;
}

IioTriad::Reading IioTriad::read() const {
    Reading reading;
    std::array<double, 3> v{};
    for (std::size_t i = 0; i < 3; ++i) {
        const AttributeRead r = read_(rawPaths_[i]);
        if (r.error != 0) {
            reading.error = r.error;
            reading.message = "cannot read " + rawPaths_[i] + ": " + std::strerror(r.error);
            return reading;
        }
        try {
            v[i] = (static_cast<double>(parseIioRaw(r.text)) + offset_[i]) * scale_[i];
        } catch (const AttributeError& e) {
            reading.error = EIO;
            reading.message = rawPaths_[i] + ": " + e.what();
            return reading;
        }
    }
    reading.value = mount_ * Vector3{v[0], v[1], v[2]};
    return reading;
}

}  // namespace heading
