#include "heading/iio/IioScanLoop.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "heading/SampleChannel.h"
#include "heading/UtcTime.h"
#include "heading/iio/IioSample.h"

namespace heading {

IioScanLoop::IioScanLoop(std::shared_ptr<IioBuffer> buffer, IioTriad magn,
                         std::optional<IioTriad> accel, bool accelInScan,
                         std::optional<double> declination)
    : buffer_(std::move(buffer)),
      magn_(std::move(magn)),
      accel_(std::move(accel)),
      accelInScan_(accelInScan && accel_),
      declination_(declination) {
    const IioScanLayout& layout = buffer_->layout();
    x_ = layout.find("in_magn_x");
    y_ = layout.find("in_magn_y");
    z_ = layout.find("in_magn_z");
    ax_ = layout.find("in_accel_x");
    ay_ = layout.find("in_accel_y");
    az_ = layout.find("in_accel_z");
    timestamp_ = layout.find("in_timestamp");
}

double IioScanLoop::timeOf(const unsigned char* scan) {
    if (timestamp_ < 0)
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    const long long ns = buffer_->layout().value(scan, timestamp_);
    if (!origin_) origin_ = ns;
    // A clock set back (the kernel's stamps may follow the wall clock) must not send t back.
    if (ns - *origin_ < last_) origin_ = ns - last_;
    last_ = ns - *origin_;
    return static_cast<double>(last_) / 1e9;
}

double IioScanLoop::utcOf(const unsigned char* scan) const {
    const double now = utcNow();
    if (timestamp_ < 0) return now;
    // The kernel stamps scans with the wall clock unless told to use another clock; stamps far
    // from it come from another one and say nothing of UTC.
    const double kernel = static_cast<double>(buffer_->layout().value(scan, timestamp_)) / 1e9;
    return std::fabs(kernel - now) < kPlausibleStampSeconds ? kernel : now;
}

void IioScanLoop::run(std::stop_token stop, const std::shared_ptr<SampleChannel>& channel) {
    started_ = std::chrono::steady_clock::now();
    IioScanReader& reader = buffer_->reader();
    const IioScanLayout& layout = buffer_->layout();
    const std::size_t size = layout.scanBytes();
    bool failing = false;
    const auto fail = [&](const std::string& message) {
        if (!failing) channel->pushError({heading::LocationError::kLocationUnknown, message});
        failing = true;
    };
    std::vector<heading::Heading> samples;
    while (!stop.stop_requested()) {
        if (!reader.isOpen()) {
            {
                std::unique_lock lock(mutex_);
                if (wake_.wait_for(lock, stop, kReopenPause, [] { return false; })) return;
            }
            if (stop.stop_requested()) return;
            if (const int error = reader.open(); isAccessDenied(error)) {
                channel->pushError({heading::LocationError::kDenied,
                                    "cannot read " + reader.path() + ": " + std::strerror(error)});
                return;
            }
            continue;
        }
        const IioScanReader::Batch batch = reader.read(kWait);
        samples.clear();
        for (std::size_t at = 0; at + size <= batch.scans.size(); at += size) {
            const unsigned char* scan = batch.scans.data() + at;
            const double t = timeOf(scan);
            const IioTriad::Reading field = magn_.convert(
                {layout.value(scan, x_), layout.value(scan, y_), layout.value(scan, z_)});
            if (field.error != 0) {
                channel->push(samples);
                samples.clear();
                fail(field.message);
                continue;
            }
            std::optional<IioTriad::Reading> gravity;
            if (accelInScan_)
                gravity = accel_->convert(
                    {layout.value(scan, ax_), layout.value(scan, ay_), layout.value(scan, az_)});
            else if (accel_)
                gravity = accel_->read();
            samples.push_back(
                iioSample(field.value, gravity ? &*gravity : nullptr, declination_, t));
            samples.back().utc = utcOf(scan);
            failing = false;
        }
        channel->push(samples);
        if (batch.error != 0) {
            const std::string why = batch.error == IioScanReader::kClosed
                                        ? "the device node closed"
                                        : std::string(std::strerror(batch.error));
            if (isAccessDenied(batch.error)) {
                channel->pushError(
                    {heading::LocationError::kDenied, "cannot read " + reader.path() + ": " + why});
                return;
            }
            fail("cannot read " + reader.path() + ": " + why);
        }
    }
}

}  // namespace heading
