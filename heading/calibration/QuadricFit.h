#pragma once

// The geometry of a compass calibration: the shape the raw readings of a turning device lie on.
//
// What goes wrong in the real world: the sensor's own offset and magnetised parts nearby (hard
// iron) move the sphere the Earth's field traces off the origin, by more than the field itself
// on some phones; steel near the sensor (soft iron) stretches it into an ellipsoid; every reading
// carries noise of a few tenths of a µT; and a user turns the device through only part of the
// directions, so the points cover a cap of the shape, through which a wrong sphere fits as
// closely as the right one. Raw readings are tens of µT from an origin far from their centre,
// so the squared terms of a quadric differ by orders of magnitude and naive normal equations
// lose the digits that matter.
//
// How this file copes: every model is linear in its unknowns and solved as normal equations
// with a pivoted LDLᵀ, which says when they are singular instead of returning noise. The sphere
// is fitted around the samples' mean, and the ellipsoid in coordinates scaled around that
// sphere, so every column is of one size. How certain a centre is comes from a jackknife over
// the direction bins, refitting with one bin left out at a time: that grows with the noise and
// also with a model that only fits the directions it was shown. Whether the readings bend in a
// way a sphere cannot follow is an F test of the quadratic terms of the distances from the
// sphere, whose regressors are directions, hardly touched by the noise.

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <Eigen/Eigenvalues>
#include <Eigen/LU>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "heading/calibration/DirectionBins.h"

namespace heading::calibration {

using Eigen::Matrix3d;
using Eigen::Vector3d;

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

std::optional<Sphere> fitSphere(const std::vector<Vector3d>& points, const SphereModel& model);

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
                                      const EllipsoidModel& model);

// Whether the readings bend in a way a sphere cannot follow, as a sensor next to steel makes
// them: soft iron stretches the radius by a quadratic form of the direction. The distances of
// the readings from the sphere are fitted over the directions once by a shift alone (constant
// and linear terms, what a sphere can still take up) and once with the five quadratic terms
// added. Returns the F statistic of those five terms and the RMS distance they explain, as a
// share of the radius. The regressors are directions, hardly touched by the noise.
std::pair<double, double> bendBeyondSphere(const std::vector<Vector3d>& points,
                                           const Sphere& sphere);

// The RMS distance of the corrected points w (p − centre) from a sphere of radius, in % of it.
double residualPercent(const std::vector<Vector3d>& points, const Vector3d& centre,
                       const Matrix3d& w, double radius);

}  // namespace heading::calibration
