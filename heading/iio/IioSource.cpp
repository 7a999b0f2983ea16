#include "heading/iio/IioSource.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <utility>
#include <vector>

#include "heading/Callbacks.h"
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

struct IioSource::Poller {
    IioTriad magn;
    std::optional<IioTriad> accel;
    std::optional<double> declination;
    double rate;
    std::mutex mutex;
    std::condition_variable_any wake;

    void run(std::stop_token stop, const std::shared_ptr<SampleChannel>& channel);
};

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
        channel->pushError({heading::LocationError::kDenied, denied_});
        return;
    }
    auto poller = std::make_shared<Poller>(*magn_, accel_, declination_, pollRate());
    thread_.start([poller = std::move(poller), channel = std::move(channel)](std::stop_token st) {
        poller->run(st, channel);
    });
}

void IioSource::stop() {
    if (!thread_.stopWithin(kStopLimit))
        warnOnStderr("the reader of " + device_.label() + " is stuck in a read of the sensor; it " +
                     "is left behind so that fluxprobe can go on");
}

std::string IioSource::describe() const {
    std::string text = device_.label();
    if (!accelLabel_.empty()) text += ", tilt from " + accelLabel_;
    return text;
}

std::string IioSource::sensorId() const {
    return iioSensorId(device_);
}

void IioSource::Poller::run(std::stop_token stop, const std::shared_ptr<SampleChannel>& channel) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / rate));
    auto due = start;
    bool failing = false;
    while (true) {
        {
            std::unique_lock lock(mutex);
            if (wake.wait_until(lock, stop, due, [] { return false; }) || stop.stop_requested())
                return;
        }
        const IioTriad::Reading field = magn.read();
        const auto now = Clock::now();
        // A poll cannot read the past: after a late wake-up, go on from now.
        due += period;
        if (due < now) due = now + period;

        if (field.error != 0) {
            if (isAccessDenied(field.error)) {
                channel->pushError({heading::LocationError::kDenied, field.message});
                return;
            }
            if (!failing)
                channel->pushError({heading::LocationError::kLocationUnknown, field.message});
            failing = true;
            continue;
        }
        failing = false;

        heading::Heading h;
        h.x = field.value.x * kGaussToMicrotesla;
        h.y = field.value.y * kGaussToMicrotesla;
        h.z = field.value.z * kGaussToMicrotesla;
        const IioTriad::Reading gravity = accel ? accel->read() : IioTriad::Reading{{}, -1, {}};
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
        h.trueHeading = trueHeadingFrom(h.magneticHeading, declination);
        h.timestamp = std::chrono::duration<double>(now - start).count();
        channel->push(h);
    }
}

}  // namespace heading
