#include "heading/calibration/CalibrationCollector.h"

#include <cmath>

namespace heading::calibration {

CalibrationCollector::CalibrationCollector(std::optional<double> referenceMicrotesla)
    : reference_(referenceMicrotesla) {
    samples_.reserve(kMaxSamples);
    fit_.refusal = "turn the device to begin";
}

void CalibrationCollector::add(const heading::Heading& raw) {
    const Vector3 v{raw.x, raw.y, raw.z};
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) return;
    if (last_) {
        const double dx = v.x - last_->x, dy = v.y - last_->y, dz = v.z - last_->z;
        if (dx * dx + dy * dy + dz * dz < kMinStep * kMinStep) return;
    }
    last_ = v;
    if (samples_.size() < kMaxSamples) {
        samples_.push_back(v);
    } else {
        samples_[next_] = v;
        next_ = (next_ + 1) % kMaxSamples;
    }
}

const FitResult& CalibrationCollector::refit() {
    fit_ = fitCalibration(samples_, reference_);
    return fit_;
}

void CalibrationCollector::restart() {
    samples_.clear();
    next_ = 0;
    last_.reset();
    fit_ = FitResult{};
    fit_.refusal = "turn the device to begin";
}

}  // namespace heading::calibration
