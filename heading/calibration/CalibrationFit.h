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
    static constexpr std::size_t kMinBins = 9;         // of 26 (35%), for any fit
    static constexpr std::size_t kEllipsoidBins = 16;  // of 26 (62%), for the full fit
    // Standard deviation of the readings across their thinnest direction, against the widest:
    // below this they were turned in one plane only.
    static constexpr double kMinThickness = 0.1;
    static constexpr double kMaxResidual = 2.0;      // % of the radius
    static constexpr double kMinRadius = 15.0;       // µT
    static constexpr double kMaxRadius = 100.0;      // µT
    static constexpr double kMaxConditioning = 3.0;  // largest / smallest eigenvalue of W
    // The fitted field against the field model's total where the device is.
    static constexpr double kMaxReferenceDeviation = 0.15;
    // The offset's standard deviation (along its least certain direction) against the radius.
    static constexpr double kMaxCentreSpread = 0.02;
    // A sphere fit is refused when a bend of the readings that only soft iron makes is both
    // certain (its F statistic, against about 1 for round readings) and not negligible (its RMS
    // against the radius).
    static constexpr double kMaxBendF = 6.0;
    static constexpr double kMinBend = 0.001;
};

struct FitResult {
    // Set when the fit is accepted.
    std::optional<Calibration> calibration;
    // Why it was not, in words a user can act on.
    std::string refusal;
    // For a sphere fit where the full one was wanted: which way to turn for it.
    std::string advice;
    // As far as it got: coverage as soon as there is a centre, the rest once fitted.
    FitQuality quality;
    DirectionBins bins;
    std::size_t usable = 0;  // finite samples

    bool accepted() const { return calibration.has_value(); }
};

// Fits the ellipsoid the raw samples lie on, taken while the device turned through many
// orientations: centre (hard iron) and symmetric matrix (soft iron). With too little coverage
// for that, or with the field never seen from one side of the device, it fits a sphere (centre
// and radius only). A fit whose offset is uncertain, or whose radius strays from the reference,
// is refused. The correction maps the samples onto a
// sphere of referenceMicrotesla when given (the field model's total at the user's location),
// else of the fitted ellipsoid's geometric-mean radius. Samples that are not finite are skipped.
FitResult fitCalibration(std::span<const Vector3> samples,
                         std::optional<double> referenceMicrotesla = std::nullopt);

// What to tell a user whose fit found fittedMicrotesla where the field model says expected.
std::string radiusOffAdvice(double fittedMicrotesla, double expectedMicrotesla);

// "offset=BX,BY,BZ radius=R residual=P% coverage=C% fit=ellipsoid"
std::string summaryLine(const Calibration& calibration);

}  // namespace heading::calibration
