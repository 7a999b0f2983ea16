#include "heading/calibration/CalibrationFit.h"

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <Eigen/Eigenvalues>
#include <cmath>
#include <cstdio>
#include <vector>

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

struct Sphere {
    Vector3d centre;
    double radius = 0.0;
};

// |x|² = 2 c·x + d, least squares through the normal equations; r² = d + |c|².
std::optional<Sphere> fitSphere(const std::vector<Vector3d>& points, const Vector3d& mean) {
    Eigen::Matrix4d ata = Eigen::Matrix4d::Zero();
    Eigen::Vector4d atb = Eigen::Vector4d::Zero();
    for (const Vector3d& p : points) {
        const Vector3d q = p - mean;  // centred for conditioning
        const Eigen::Vector4d row(2.0 * q.x(), 2.0 * q.y(), 2.0 * q.z(), 1.0);
        ata.selfadjointView<Eigen::Upper>().rankUpdate(row);
        atb += row * q.squaredNorm();
    }
    const Eigen::LDLT<Eigen::Matrix4d> solver(ata.selfadjointView<Eigen::Upper>());
    if (solver.info() != Eigen::Success) return std::nullopt;
    const Eigen::Vector4d s = solver.solve(atb);
    const double r2 = s(3) + s.head<3>().squaredNorm();
    if (!s.allFinite() || !(r2 > 0.0)) return std::nullopt;
    return Sphere{mean + s.head<3>(), std::sqrt(r2)};
}

struct Ellipsoid {
    Vector3d centre;
    Matrix3d shape;  // (x − centre)ᵀ shape (x − centre) = 1
};

// a x² + b y² + c z² + 2d xy + 2e xz + 2f yz + 2g x + 2h y + 2i z = 1, in coordinates scaled
// around the sphere's fit so that the nine columns are of one size.
std::optional<Ellipsoid> fitEllipsoid(const std::vector<Vector3d>& points, const Sphere& sphere) {
    using Vector9d = Eigen::Matrix<double, 9, 1>;
    using Matrix9d = Eigen::Matrix<double, 9, 9>;
    Matrix9d ata = Matrix9d::Zero();
    Vector9d atb = Vector9d::Zero();
    for (const Vector3d& p : points) {
        const Vector3d u = (p - sphere.centre) / sphere.radius;
        Vector9d row;
        row << u.x() * u.x(), u.y() * u.y(), u.z() * u.z(), 2 * u.x() * u.y(), 2 * u.x() * u.z(),
            2 * u.y() * u.z(), 2 * u.x(), 2 * u.y(), 2 * u.z();
        ata.selfadjointView<Eigen::Upper>().rankUpdate(row);
        atb += row;
    }
    const Eigen::LDLT<Matrix9d> solver(ata.selfadjointView<Eigen::Upper>());
    if (solver.info() != Eigen::Success) return std::nullopt;
    const Vector9d v = solver.solve(atb);
    if (!v.allFinite()) return std::nullopt;
    Matrix3d a;
    a << v(0), v(3), v(4), v(3), v(1), v(5), v(4), v(5), v(2);
    const Vector3d g(v(6), v(7), v(8));
    const Eigen::FullPivLU<Matrix3d> lu(a);
    if (!lu.isInvertible()) return std::nullopt;
    const Vector3d u0 = -lu.solve(g);
    const double k = 1.0 + u0.dot(a * u0);
    if (!(k > 0.0)) return std::nullopt;
    // Back to raw units: u = (x − c0) / r0.
    return Ellipsoid{sphere.centre + sphere.radius * u0, a / (k * sphere.radius * sphere.radius)};
}

double residualPercent(const std::vector<Vector3d>& points, const Vector3d& centre,
                       const Matrix3d& w, double radius) {
    double sum = 0.0;
    for (const Vector3d& p : points) {
        const double e = ((w * (p - centre)).norm() - radius) / radius;
        sum += e * e;
    }
    return 100.0 * std::sqrt(sum / static_cast<double>(points.size()));
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
    for (const Vector3& s : samples)
        if (std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z))
            points.push_back(toEigen(s));
    result.usable = points.size();
    if (points.size() < FitLimits::kMinSamples)
        return refuse(result, "only " + std::to_string(points.size()) +
                                  " usable samples so far: keep turning the device (at least " +
                                  std::to_string(FitLimits::kMinSamples) + " are needed)");

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
    if (thinnest < 0.1 * widest)
        return refuse(result,
                      "turned only in one plane: also tilt the device forward and sideways");

    const auto sphere = fitSphere(points, mean);
    if (!sphere)
        return refuse(result,
                      "the readings do not lie on a sphere: turn the device slowly "
                      "through many directions, away from magnets and steel");
    for (const Vector3d& p : points) {
        const Vector3d d = p - sphere->centre;
        result.bins.add({d.x(), d.y(), d.z()});
    }
    result.quality.coveragePercent = result.bins.percent();
    result.quality.kind = FitKind::Sphere;
    result.quality.radius = sphere->radius;
    if (result.quality.coveragePercent < FitLimits::kMinCoverage)
        return refuse(result, format("the device pointed in only %.0f%% of directions: keep "
                                     "turning it, screen up, down and on every edge",
                                     result.quality.coveragePercent));

    Vector3d centre = sphere->centre;
    double fittedRadius = sphere->radius;
    Matrix3d unit = Matrix3d::Identity() / sphere->radius;  // maps the fit onto radius 1
    if (result.quality.coveragePercent >= FitLimits::kEllipsoidCoverage) {
        const auto ellipsoid = fitEllipsoid(points, *sphere);
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
        return refuse(result, "a magnet moved nearby: start again away from it");
    result.calibration = makeCalibration(centre, w, result.quality);
    return result;
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
