#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "heading/calibration/Calibration.h"
#include "heading/calibration/DirectionBins.h"

namespace heading::calibration {

// What a fit needs before it is trusted.
struct FitLimits {
    static constexpr std::size_t kMinSamples = 100;
    static constexpr double kMinCoverage = 35.0;        // %, for any fit
    static constexpr double kEllipsoidCoverage = 60.0;  // %, for the full fit
    static constexpr double kMaxResidual = 2.0;         // % of the radius
    static constexpr double kMinRadius = 15.0;          // µT
    static constexpr double kMaxRadius = 100.0;         // µT
    static constexpr double kMaxConditioning = 3.0;     // largest / smallest eigenvalue of W
};

struct FitResult {
    // Set when the fit is accepted.
    std::optional<Calibration> calibration;
    // Why it was not, in words a user can act on.
    std::string refusal;
    // As far as it got: coverage as soon as there is a centre, the rest once fitted.
    FitQuality quality;
    DirectionBins bins;
    std::size_t usable = 0;  // finite samples

    bool accepted() const { return calibration.has_value(); }
};

// Fits the ellipsoid the raw samples lie on, taken while the device turned through many
// orientations: centre (hard iron) and symmetric matrix (soft iron). With too little coverage
// for that it fits a sphere (centre and radius only). The correction maps the samples onto a
// sphere of referenceMicrotesla when given (the field model's total at the user's location),
// else of the fitted ellipsoid's geometric-mean radius. Samples that are not finite are skipped.
FitResult fitCalibration(std::span<const Vector3> samples,
                         std::optional<double> referenceMicrotesla = std::nullopt);

// "offset=BX,BY,BZ radius=R residual=P% coverage=C% fit=ellipsoid"
std::string summaryLine(const Calibration& calibration);

}  // namespace heading::calibration
