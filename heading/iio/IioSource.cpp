#include "heading/iio/IioSource.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <utility>
#include <vector>

#include "heading/Callbacks.h"
#include "heading/SampleChannel.h"
#include "heading/SourceError.h"
#include "heading/UtcTime.h"
#include "heading/iio/IioBuffer.h"
#include "heading/iio/IioChanges.h"
#include "heading/iio/IioRateSetting.h"
#include "heading/iio/IioSample.h"
#include "heading/iio/IioScanLoop.h"
#include "heading/iio/IioSensorId.h"

namespace heading {

namespace {

const IioDeviceInfo* pick(const std::vector<IioDeviceInfo>& devices, const std::string& device) {
    for (const auto& d : devices)
        if (d.magnetometer && (device.empty() || d.id == device || d.name == device)) return &d;
    return nullptr;
}

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
                                           std::optional<double> declination, AttributeReader read,
                                           IioOptions options) {
    const auto devices = listIioDevices(root, read);
    const IioDeviceInfo* found = pick(devices, device);
    if (!found) {
        const std::string asked =
            device.empty() ? "IIO magnetometer" : "IIO magnetometer '" + device + "'";
        throw SourceError("no " + asked + " under " + root + "; found " + describeFound(devices));
    }
    return std::make_unique<IioSource>(devices, *found, declination, std::move(read),
                                       std::move(options), root);
}

std::unique_ptr<IioSource> IioSource::findFirst(const std::string& root,
                                                std::optional<double> declination,
                                                AttributeReader read, IioOptions options) {
    const auto devices = listIioDevices(root, read);
    const IioDeviceInfo* found = pick(devices, "");
    if (!found) return nullptr;
    return std::make_unique<IioSource>(devices, *found, declination, std::move(read),
                                       std::move(options), root);
}

IioSource::IioSource(const std::vector<IioDeviceInfo>& devices, const IioDeviceInfo& magnetometer,
                     std::optional<double> declination, AttributeReader read, IioOptions options,
                     std::string root)
    : device_(magnetometer),
      declination_(declination),
      root_(std::move(root)),
      read_(read),
      options_(std::move(options)) {
    if (root_.empty()) root_ = std::filesystem::path(device_.path).parent_path().string();
    try {
        magn_.emplace(magnetometer, "magn", read);
    } catch (const AccessDenied& e) {
        denied_ = e.what();  // told to the delegates at start, as a denied service is
        return;
    }
    foundRate_ = magn_->samplingFrequency();
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

std::optional<double> IioSource::sampleRate() const {
    if (!magn_) return std::nullopt;
    return magn_->samplingFrequency();
}

std::string IioSource::shortName() const {
    return device_.name.empty() ? device_.id : device_.name;
}

void IioSource::start(std::shared_ptr<SampleChannel> channel) {
    stop();
    if (!denied_.empty()) {
        channel->pushError({heading::LocationError::kDenied, denied_});
        return;
    }
    rateChanges_ = std::make_unique<IioChanges>(read_, options_.write);
    // The rate it had when found: a start after a stop finds it put back.
    const IioRateSetting rate =
        IioRateSetting::apply(device_, "magn", foundRate_, options_.rate, *rateChanges_, read_);
    if (!rate.note.empty()) options_.warn(device_.label() + ": " + rate.note);
    magn_->setSamplingFrequency(rate.rate);

    IioBuffer::Opened opened = IioBuffer::open(
        device_, {root_, options_.devRoot, read_, options_.write}, magn_->samplingFrequency());
    if (opened.buffer) {
        buffer_ = std::move(opened.buffer);
        startBuffered(channel);
        return;
    }
    options_.warn("reading " + shortName() + " by polling: " + opened.whyNot);
    auto poller = std::make_shared<Poller>(*magn_, accel_, declination_, pollRate());
    thread_.start([poller = std::move(poller), channel = std::move(channel)](std::stop_token st) {
        poller->run(st, channel);
    });
}

void IioSource::startBuffered(const std::shared_ptr<SampleChannel>& channel) {
    char rate[32];
    const auto end = std::to_chars(rate, rate + sizeof rate, magn_->samplingFrequency()).ptr;
    std::string how =
        "reading " + shortName() + " through its buffer at " + std::string(rate, end) + " Hz";
    if (!buffer_->trigger().empty()) how += " (trigger " + buffer_->trigger() + ")";
    options_.warn(how);
    // The scan's accelerometer axes are the magnetometer's own device's.
    const bool accelInScan = buffer_->hasAccelerometer() && accelLabel_ == device_.label();
    auto loop = std::make_shared<IioScanLoop>(buffer_, *magn_, accel_, accelInScan, declination_);
    thread_.start(
        [loop = std::move(loop), channel](std::stop_token st) { loop->run(st, channel); });
}

void IioSource::stop() {
    if (!thread_.stopWithin(kStopLimit))
        warnOnStderr("the reader of " + device_.label() + " is stuck in a read of the sensor; it " +
                     "is left behind so that fluxprobe can go on");
    // The buffer first: it is switched off before its elements, trigger and rate go back.
    std::vector<std::string> failed;
    if (buffer_) failed = buffer_->release();
    buffer_.reset();
    if (rateChanges_)
        for (std::string& f : rateChanges_->restore()) failed.push_back(std::move(f));
    rateChanges_.reset();
    if (magn_) magn_->setSamplingFrequency(foundRate_);
    for (const std::string& f : failed) options_.warn(f);
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

        const IioTriad::Reading gravity = accel ? accel->read() : IioTriad::Reading{{}, -1, {}};
        heading::Heading h = iioSample(field.value, &gravity, declination,
                                       std::chrono::duration<double>(now - start).count());
        h.utc = utcNow();
        channel->push(h);
    }
}

}  // namespace heading
