#include "heading/calibration/CalibrationFit.h"

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <Eigen/Eigenvalues>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "heading/calibration/MatrixCheck.h"

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

// A linear least-squares problem row · v = rhs, gathered as its normal equations.
template <int N>
struct Normals {
    using Vector = Eigen::Matrix<double, N, 1>;
    Eigen::Matrix<double, N, N> ata = Eigen::Matrix<double, N, N>::Zero();
    Vector atb = Vector::Zero();
    std::size_t count = 0;

    void add(const Vector& row, double rhs) {
        ata.template selfadjointView<Eigen::Upper>().rankUpdate(row);
        atb += row * rhs;
        ++count;
    }
    Normals without(const Normals& part) const {
        return {ata - part.ata, atb - part.atb, count - part.count};
    }
    std::optional<Vector> solve() const {
        const Eigen::LDLT<Eigen::Matrix<double, N, N>> solver(
            ata.template selfadjointView<Eigen::Upper>());
        if (solver.info() != Eigen::Success) return std::nullopt;
        const Vector v = solver.solve(atb);
        if (!v.allFinite()) return std::nullopt;
        return v;
    }
};

// The least-squares solution of row(p) · v = rhs over all the points.
template <int N, class Row>
std::optional<typename Normals<N>::Vector> solveOver(const std::vector<Vector3d>& points,
                                                     const Row& row) {
    Normals<N> normals;
    for (const Vector3d& p : points) {
        const auto [r, rhs] = row(p);
        normals.add(r, rhs);
    }
    return normals.solve();
}

// How uncertain a fitted centre is: a jackknife over the direction bins, refitting with each
// bin's samples left out in turn. It grows with the noise, and with a model that fits only the
// directions it was shown (a sphere through a cap of an ellipsoid), where the spread of the
// samples alone would not. Returns the centres' standard deviation along their widest direction,
// infinity when leaving a bin out leaves nothing to fit. centreOf maps a solution to the centre,
// or nothing.
template <int N, class Row, class CentreOf>
double jackknifeSpread(const std::vector<Vector3d>& points, const std::vector<std::size_t>& bins,
                       Row row, CentreOf centreOf) {
    std::array<Normals<N>, DirectionBins::kCount> perBin{};
    Normals<N> all;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto [r, rhs] = row(points[i]);
        perBin[bins[i]].add(r, rhs);
        all.add(r, rhs);
    }
    std::vector<Vector3d> centres;
    for (const Normals<N>& bin : perBin) {
        if (bin.count == 0) continue;
        const auto v = all.without(bin).solve();
        const std::optional<Vector3d> centre = v ? centreOf(*v) : std::nullopt;
        if (!centre) return INFINITY;
        centres.push_back(*centre);
    }
    if (centres.size() < 2) return INFINITY;
    Vector3d mean = Vector3d::Zero();
    for (const Vector3d& c : centres) mean += c;
    mean /= static_cast<double>(centres.size());
    Matrix3d spread = Matrix3d::Zero();
    for (const Vector3d& c : centres) spread += (c - mean) * (c - mean).transpose();
    const double k = static_cast<double>(centres.size());
    spread *= (k - 1.0) / k;
    const Vector3d lambda =
        Eigen::SelfAdjointEigenSolver<Matrix3d>(spread, Eigen::EigenvaluesOnly).eigenvalues();
    return std::sqrt(std::max(lambda(2), 0.0));
}

// |x|² = 2 c·x + d, around the samples' mean for conditioning; r² = d + |c|².
struct SphereModel {
    Vector3d mean;
    std::pair<Eigen::Vector4d, double> operator()(const Vector3d& p) const {
        const Vector3d q = p - mean;
        return {Eigen::Vector4d(2.0 * q.x(), 2.0 * q.y(), 2.0 * q.z(), 1.0), q.squaredNorm()};
    }
    std::optional<Vector3d> centreOf(const Eigen::Vector4d& s) const { return mean + s.head<3>(); }
};

struct Sphere {
    Vector3d centre;
    double radius = 0.0;
};

std::optional<Sphere> fitSphere(const std::vector<Vector3d>& points, const SphereModel& model) {
    const auto s = solveOver<4>(points, model);
    if (!s) return std::nullopt;
    const double r2 = (*s)(3) + s->head<3>().squaredNorm();
    if (!(r2 > 0.0)) return std::nullopt;
    return Sphere{*model.centreOf(*s), std::sqrt(r2)};
}

// a x² + b y² + c z² + 2d xy + 2e xz + 2f yz + 2g x + 2h y + 2i z = 1, in coordinates scaled
// around the sphere's fit so that the nine columns are of one size.
struct EllipsoidModel {
    using Vector9d = Eigen::Matrix<double, 9, 1>;
    Sphere sphere;

    std::pair<Vector9d, double> operator()(const Vector3d& p) const {
        const Vector3d u = (p - sphere.centre) / sphere.radius;
        Vector9d row;
        row << u.x() * u.x(), u.y() * u.y(), u.z() * u.z(), 2 * u.x() * u.y(), 2 * u.x() * u.z(),
            2 * u.y() * u.z(), 2 * u.x(), 2 * u.y(), 2 * u.z();
        return {row, 1.0};
    }
    static Matrix3d shapeOf(const Vector9d& v) {
        Matrix3d a;
        a << v(0), v(3), v(4), v(3), v(1), v(5), v(4), v(5), v(2);
        return a;
    }
    // The centre, in scaled coordinates: where the gradient of the quadric vanishes.
    static std::optional<Vector3d> scaledCentreOf(const Vector9d& v) {
        const Eigen::FullPivLU<Matrix3d> lu(shapeOf(v));
        if (!lu.isInvertible()) return std::nullopt;
        return Vector3d(-lu.solve(Vector3d(v(6), v(7), v(8))));
    }
    std::optional<Vector3d> centreOf(const Vector9d& v) const {
        const auto u0 = scaledCentreOf(v);
        if (!u0) return std::nullopt;
        return Vector3d(sphere.centre + sphere.radius * *u0);
    }
};

struct Ellipsoid {
    Vector3d centre;
    Matrix3d shape;  // (x − centre)ᵀ shape (x − centre) = 1
};

std::optional<Ellipsoid> fitEllipsoid(const std::vector<Vector3d>& points,
                                      const EllipsoidModel& model) {
    const auto v = solveOver<9>(points, model);
    if (!v) return std::nullopt;
    const auto u0 = EllipsoidModel::scaledCentreOf(*v);
    if (!u0) return std::nullopt;
    const Matrix3d a = EllipsoidModel::shapeOf(*v);
    const double k = 1.0 + u0->dot(a * *u0);
    if (!(k > 0.0)) return std::nullopt;
    const double r0 = model.sphere.radius;
    // Back to raw units: u = (x − c0) / r0.
    return Ellipsoid{model.sphere.centre + r0 * *u0, a / (k * r0 * r0)};
}

// Whether the readings bend in a way a sphere cannot follow, as a sensor next to steel makes
// them: soft iron stretches the radius by a quadratic form of the direction. The distances of
// the readings from the sphere are fitted over the directions once by a shift alone (constant
// and linear terms, what a sphere can still take up) and once with the five quadratic terms
// added. Returns the F statistic of those five terms and the RMS distance they explain, as a
// share of the radius. The regressors are directions, hardly touched by the noise.
std::pair<double, double> bendBeyondSphere(const std::vector<Vector3d>& points,
                                           const Sphere& sphere) {
    using Vector9d = Eigen::Matrix<double, 9, 1>;
    auto rowOf = [&](const Vector3d& p) {
        const Vector3d n = (p - sphere.centre).normalized();
        Vector9d row;
        row << 1.0, n.x(), n.y(), n.z(), n.x() * n.x() - n.y() * n.y(), 3.0 * n.z() * n.z() - 1.0,
            n.x() * n.y(), n.x() * n.z(), n.y() * n.z();
        return std::pair{row, (p - sphere.centre).norm() - sphere.radius};
    };
    Normals<9> quadratic;
    Normals<4> shift;
    for (const Vector3d& p : points) {
        const auto [row, e] = rowOf(p);
        quadratic.add(row, e);
        shift.add(row.head<4>(), e);
    }
    const auto q = quadratic.solve();
    const auto l = shift.solve();
    if (!q || !l) return {0.0, 0.0};
    double withBend = 0.0, withoutBend = 0.0;
    for (const Vector3d& p : points) {
        const auto [row, e] = rowOf(p);
        withBend += std::pow(row.dot(*q) - e, 2);
        withoutBend += std::pow(row.head<4>().dot(*l) - e, 2);
    }
    const double n = static_cast<double>(points.size());
    const double explained = std::max(withoutBend - withBend, 0.0);
    const double f = withBend > 0.0 ? (explained / 5.0) / (withBend / (n - 9.0)) : INFINITY;
    return {f, std::sqrt(explained / n) / sphere.radius};
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
