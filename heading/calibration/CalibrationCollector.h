#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "heading/Heading.h"
#include "heading/calibration/CalibrationFit.h"

namespace heading::calibration {

// Gathers raw samples while the user turns the device and refits on demand: what a guided
// calibration shows and when it may stop. A device held still, or a source far faster than
// anyone turns, adds nothing new: a sample is kept only when it lies kMinStep from the last
// one kept. The oldest go first beyond kMaxSamples, so a bad start (a magnet nearby) is
// forgotten as the turning goes on.
class CalibrationCollector {
  public:
    static constexpr double kMinStep = 0.5;  // µT
    static constexpr std::size_t kMaxSamples = 3000;

    explicit CalibrationCollector(std::optional<double> referenceMicrotesla = std::nullopt);

    void add(const heading::Heading& raw);
    // Fits what has been kept so far.
    const FitResult& refit();
    const FitResult& latest() const { return fit_; }
    // A full fit, accepted: the calibration may be kept.
    bool done() const { return fit_.accepted() && fit_.quality.kind == FitKind::Ellipsoid; }
    std::size_t kept() const { return samples_.size(); }
    void restart();

  private:
    std::optional<double> reference_;
    std::vector<Vector3> samples_;  // a ring once full
    std::size_t next_ = 0;
    std::optional<Vector3> last_;
    FitResult fit_;
};

}  // namespace heading::calibration
