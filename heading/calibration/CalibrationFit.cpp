// Taking a compass calibration, in the user's terms.
//
// What goes wrong in the real world: a user turns the phone flat on the table and calls it
// done, or stops after a few seconds; a magnet or a steel desk leg moves while the samples are
// taken; the device is never turned on one of its sides, so the readings are a cap of the
// ellipsoid that any stretched shape fits; the readings come from a source that is not a
// magnetometer in µT at all; steel next to the sensor squashes the field so much that a
// correction would blow the noise up; the field found is not the Earth's.
//
// How this file copes: it fits only what the samples can carry and says why it will not fit
// more, in words a user can act on. First the samples themselves: enough of them, finite, of a
// magnetic field's size, spread in three dimensions. Then a sphere (hard iron alone), the
// directions it was seen from, and only with enough of those and every side of the device seen,
// the full ellipsoid (soft iron too). A sphere stands in only where the readings are round. A fit
// is kept only when its radius is the Earth's (and the field model's, when it is known here), its
// residual small and its offset certain; the geometry behind each test is in QuadricFit.h.

#include "heading/calibration/CalibrationFit.h"

#include <Eigen/Core>
#include <Eigen/Eigenvalues>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "heading/calibration/MatrixCheck.h"
#include "heading/calibration/QuadricFit.h"

namespace heading::calibration {

namespace {

using Eigen::Matrix3d;
using Eigen::Vector3d;

Vector3d toEigen(const Vector3& v) {
    return {v.x, v.y, v.z};
}

FitResult refuse(FitResult result, std::string why) {
    result.refusal = std::move(why);
    return result;
}

// The first side of the device the field was never seen from, as the direction bins tell it:
// without both sides of every axis an ellipsoid can be stretched to fit any one-sided set.
std::optional<std::string> missingSide(const DirectionBins& bins) {
    static constexpr const char* kSides[3][2] = {
        {"right edge", "left edge"}, {"top edge", "bottom edge"}, {"front", "back"}};
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side) {
            bool seen = false;
            for (std::size_t i = 0; i < DirectionBins::kCount && !seen; ++i) {
                const Vector3 d = DirectionBins::direction(i);
                const double along = axis == 0 ? d.x : axis == 1 ? d.y : d.z;
                seen = bins.hit(i) && (side == 0 ? along > 0.1 : along < -0.1);
            }
            if (!seen)
                return std::string("the field was never seen from the device's ") +
                       kSides[axis][side] + ": turn it so that its " + kSides[axis][side] +
                       " faces where its " + kSides[axis][1 - side] + " did";
        }
    return std::nullopt;
}

Calibration makeCalibration(const Vector3d& centre, const Matrix3d& w, FitQuality quality) {
    Calibration c;
    c.offset = {centre.x(), centre.y(), centre.z()};
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            c.matrix[static_cast<std::size_t>(r * 3 + col)] = w(r, col);
    c.quality = quality;
    return c;
}

std::string format(const char* pattern, double value) {
    std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, pattern, value)), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, value);
    return text;
}

}  // namespace

FitResult fitCalibration(std::span<const Vector3> samples,
                         std::optional<double> referenceMicrotesla) {
    FitResult result;
    std::vector<Vector3d> points;
    points.reserve(samples.size());
    double strongest = 0.0;
    for (const Vector3& s : samples)
        if (std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z)) {
            points.push_back(toEigen(s));
            strongest = std::max(strongest, std::hypot(s.x, s.y, s.z));
        }
    result.usable = points.size();
    if (points.size() < FitLimits::kMinSamples)
        return refuse(result, "only " + std::to_string(points.size()) +
                                  " usable samples so far: keep turning the device (at least " +
                                  std::to_string(FitLimits::kMinSamples) + " are needed)");
    if (strongest > kStrongestField)
        return refuse(result, format("the readings reach %.3g µT: that is not a magnetic field in "
                                     "µT (a magnetometer reads a few thousand at most)",
                                     strongest));

    Vector3d mean = Vector3d::Zero();
    for (const Vector3d& p : points) mean += p;
    mean /= static_cast<double>(points.size());
    Matrix3d spread = Matrix3d::Zero();
    for (const Vector3d& p : points) spread += (p - mean) * (p - mean).transpose();
    spread /= static_cast<double>(points.size());
    const Vector3d spreadAxes =
        Eigen::SelfAdjointEigenSolver<Matrix3d>(spread, Eigen::EigenvaluesOnly).eigenvalues();
    // Standard deviations along the data's principal axes, smallest first.
    const double thinnest = std::sqrt(std::max(spreadAxes(0), 0.0));
    const double widest = std::sqrt(std::max(spreadAxes(2), 0.0));
    if (!(widest > 1.0))
        return refuse(result,
                      "the readings hardly changed: turn the device through many directions "
                      "(or check that the sensor is working)");
    if (thinnest < FitLimits::kMinThickness * widest)
        return refuse(result,
                      "turned only in one plane: also tilt the device forward and sideways");

    const SphereModel sphereModel{mean};
    const auto sphere = fitSphere(points, sphereModel);
    if (!sphere)
        return refuse(result,
                      "the readings do not lie on a sphere: turn the device slowly "
                      "through many directions, away from magnets and steel");
    std::vector<std::size_t> binOfPoint;
    binOfPoint.reserve(points.size());
    for (const Vector3d& p : points) {
        const Vector3d d = p - sphere->centre;
        binOfPoint.push_back(DirectionBins::binOf({d.x(), d.y(), d.z()}).value_or(0));
        result.bins.add({d.x(), d.y(), d.z()});
    }
    result.quality.coveragePercent = result.bins.percent();
    result.quality.kind = FitKind::Sphere;
    result.quality.radius = sphere->radius;
    const std::size_t bins = result.bins.hitCount();
    if (bins < FitLimits::kMinBins)
        return refuse(result, "the field was seen in only " + std::to_string(bins) + " of " +
                                  std::to_string(DirectionBins::kCount) +
                                  format(" directions (%.0f%%): keep turning the device, screen "
                                         "up, down and on every edge",
                                         result.quality.coveragePercent));

    Vector3d centre = sphere->centre;
    double fittedRadius = sphere->radius;
    double offsetSpread = jackknifeSpread<4>(
        points, binOfPoint, sphereModel, [&](const auto& v) { return sphereModel.centreOf(v); });
    Matrix3d unit = Matrix3d::Identity() / sphere->radius;  // maps the fit onto radius 1
    // Where the full fit is wanted but a side is missing, the sphere stands in; if it does not
    // fit either, the user is told which way to turn.
    std::optional<std::string> side;
    if (bins >= FitLimits::kEllipsoidBins) side = missingSide(result.bins);
    if (bins >= FitLimits::kEllipsoidBins && !side) {
        const EllipsoidModel model{*sphere};
        const auto ellipsoid = fitEllipsoid(points, model);
        if (!ellipsoid)
            return refuse(result,
                          "the readings do not lie on an ellipsoid: a magnet moved "
                          "nearby, or the sensor is faulty; start again away from it");
        const Eigen::SelfAdjointEigenSolver<Matrix3d> eig(ellipsoid->shape);
        const Vector3d lambda = eig.eigenvalues();
        if (!(lambda(0) > 0.0))
            return refuse(result,
                          "the readings do not lie on an ellipsoid: a magnet moved "
                          "nearby, or the sensor is faulty; start again away from it");
        result.quality.kind = FitKind::Ellipsoid;
        centre = ellipsoid->centre;
        offsetSpread = jackknifeSpread<9>(points, binOfPoint, model,
                                          [&](const auto& v) { return model.centreOf(v); });
        unit = eig.operatorSqrt();
        // Semi-axes are 1/√λ; their geometric mean is the radius.
        fittedRadius = std::pow(lambda(0) * lambda(1) * lambda(2), -1.0 / 6.0);
        const double conditioning = std::sqrt(lambda(2) / lambda(0));
        if (conditioning > FitLimits::kMaxConditioning)
            return refuse(result, format("the field is squashed %.1f times in one direction, too "
                                         "much to correct: move the device away from steel and "
                                         "magnets",
                                         conditioning));
    }
    // A sphere stands in for the ellipsoid only where the readings are round: soft iron seen from
    // part of the sphere pulls a sphere's centre far off, though it fits the part it was shown.
    if (result.quality.kind == FitKind::Sphere) {
        const auto [f, bend] = bendBeyondSphere(points, *sphere);
        if (f > FitLimits::kMaxBendF && bend > FitLimits::kMinBend)
            return refuse(result, missingSide(result.bins)
                                      .value_or("steel nearby bends the readings, which only the "
                                                "full fit corrects: keep turning the device, "
                                                "screen up, down and on every edge"));
    }
    result.advice = side.value_or("");
    result.quality.radius = fittedRadius;
    if (fittedRadius < FitLimits::kMinRadius || fittedRadius > FitLimits::kMaxRadius)
        return refuse(result, format("the field measured %.0f µT, not the Earth's (15 to 100 "
                                     "µT): move away from magnets and steel and start again",
                                     fittedRadius));

    result.quality.fittedRadius = fittedRadius;
    const double target = referenceMicrotesla.value_or(fittedRadius);
    const Matrix3d w = unit * target;
    result.quality.radius = target;
    result.quality.residualPercent = residualPercent(points, centre, w, target);
    if (!std::isfinite(result.quality.residualPercent) ||
        result.quality.residualPercent > FitLimits::kMaxResidual)
        return refuse(result, side.value_or("a magnet moved nearby: start again away from it"));
    if (referenceMicrotesla && std::fabs(fittedRadius - *referenceMicrotesla) >
                                   FitLimits::kMaxReferenceDeviation * *referenceMicrotesla)
        return refuse(result, radiusOffAdvice(fittedRadius, *referenceMicrotesla));
    if (!(offsetSpread <= FitLimits::kMaxCentreSpread * fittedRadius))
        return refuse(result, side.value_or(format("the fit is uncertain (its offset by ±%.1f "
                                                   "µT): turn the device slowly through more "
                                                   "directions, away from steel",
                                                   offsetSpread)));
    result.calibration = makeCalibration(centre, w, result.quality);
    return result;
}

std::string radiusOffAdvice(double fitted, double expected) {
    return format("the field here should be about %.0f µT; ", expected) +
           format("the fit found %.0f µT: turn the device away from steel and try again", fitted);
}

std::string summaryLine(const Calibration& c) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "offset=%.2f,%.2f,%.2f radius=%.2f residual=%.2f%% coverage=%.0f%% fit=%s",
                  c.offset.x, c.offset.y, c.offset.z, c.quality.radius, c.quality.residualPercent,
                  c.quality.coveragePercent, kindName(c.quality.kind));
    return text;
}

}  // namespace heading::calibration
