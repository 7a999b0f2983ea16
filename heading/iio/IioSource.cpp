#include "heading/iio/IioSource.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>
#include <vector>

#include "heading/SampleChannel.h"
#include "heading/SourceError.h"
#include "heading/iio/IioSensorId.h"

namespace heading {

namespace {

const IioDeviceInfo* pick(const std::vector<IioDeviceInfo>& devices, const std::string& device) {
    for (const auto& d : devices)
        if (d.magnetometer && (device.empty() || d.id == device || d.name == device)) return &d;
    return nullptr;
}

constexpr double kGaussToMicrotesla = 100.0;

}  // namespace

std::unique_ptr<IioSource> IioSource::open(const std::string& root, const std::string& device,
                                           std::optional<double> declination,
                                           AttributeReader read) {
    const auto devices = listIioDevices(root, read);
    const IioDeviceInfo* found = pick(devices, device);
    if (!found) {
        const std::string asked =
            device.empty() ? "IIO magnetometer" : "IIO magnetometer '" + device + "'";
        throw SourceError("no " + asked + " under " + root + "; found " + describeFound(devices));
    }
    return std::make_unique<IioSource>(devices, *found, declination, std::move(read));
}

std::unique_ptr<IioSource> IioSource::findFirst(const std::string& root,
                                                std::optional<double> declination,
                                                AttributeReader read) {
    const auto devices = listIioDevices(root, read);
    const IioDeviceInfo* found = pick(devices, "");
    if (!found) return nullptr;
    return std::make_unique<IioSource>(devices, *found, declination, std::move(read));
}

IioSource::IioSource(const std::vector<IioDeviceInfo>& devices, const IioDeviceInfo& magnetometer,
                     std::optional<double> declination, AttributeReader read)
    : device_(magnetometer), declination_(declination) {
    try {
        magn_.emplace(magnetometer, "magn", read);
    } catch (const AccessDenied& e) {
        denied_ = e.what();  // told to the delegates at start, as a denied service is
        return;
    }
    // The accelerometer on the magnetometer's own device first, else the first in the tree.
    std::vector<const IioDeviceInfo*> candidates;
    if (magnetometer.accelerometer) candidates.push_back(&magnetometer);
    for (const auto& d : devices)
        if (d.accelerometer && d.id != magnetometer.id) candidates.push_back(&d);
    for (const IioDeviceInfo* d : candidates) {
        try {
            accel_.emplace(*d, "accel", read);
            accelLabel_ = d->label();
            break;
        } catch (const AccessDenied&) {
            // Without gravity the heading is still good on a level device.
        }
    }
}

IioSource::~IioSource() {
    stop();
}

double IioSource::pollRate() const {
    return magn_ ? std::min(magn_->samplingFrequency(), kMaxPollRate) : 0.0;
}

void IioSource::start(std::shared_ptr<SampleChannel> channel) {
    stop();
    if (!denied_.empty()) {
        channel->pushError({platform::LocationError::kDenied, denied_});
        return;
    }
    thread_.start([this, channel = std::move(channel)](std::stop_token st) { run(st, channel); });
}

void IioSource::stop() {
    thread_.stop();
}

std::string IioSource::describe() const {
    std::string text = device_.label();
    if (!accelLabel_.empty()) text += ", tilt from " + accelLabel_;
    return text;
}

std::string IioSource::sensorId() const {
    return iioSensorId(device_);
}

void IioSource::run(std::stop_token stop, std::shared_ptr<SampleChannel> channel) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / pollRate()));
    auto due = start;
    bool failing = false;
    while (true) {
        {
            std::unique_lock lock(mutex_);
            if (wake_.wait_until(lock, stop, due, [] { return false; }) || stop.stop_requested())
                return;
        }
        const IioTriad::Reading field = magn_->read();
        const auto now = Clock::now();
        // A poll cannot read the past: after a late wake-up, go on from now.
        due += period;
        if (due < now) due = now + period;

        if (field.error != 0) {
            if (isAccessDenied(field.error)) {
                channel->pushError({platform::LocationError::kDenied, field.message});
                return;
            }
            if (!failing)
                channel->pushError({platform::LocationError::kLocationUnknown, field.message});
            failing = true;
            continue;
        }
        failing = false;

        platform::Heading h;
        h.x = field.value.x * kGaussToMicrotesla;
        h.y = field.value.y * kGaussToMicrotesla;
        h.z = field.value.z * kGaussToMicrotesla;
        const IioTriad::Reading gravity = accel_ ? accel_->read() : IioTriad::Reading{{}, -1, {}};
        h.magneticHeading = gravity.error == 0
                                ? tiltCompensatedHeading({h.x, h.y, h.z}, gravity.value)
                                : magneticHeadingFromAxes(h.x, h.y);
        // Huge but finite axes can still overflow the tilt maths; the flat heading cannot.
        if (!std::isfinite(h.magneticHeading))
            h.magneticHeading = magneticHeadingFromAxes(h.x, h.y);
        if (gravity.error == 0) {
            h.gravityX = gravity.value.x;
            h.gravityY = gravity.value.y;
            h.gravityZ = gravity.value.z;
        }
        h.trueHeading = trueHeadingFrom(h.magneticHeading, declination_);
        h.timestamp = std::chrono::duration<double>(now - start).count();
        channel->push(h);
    }
}

}  // namespace heading
