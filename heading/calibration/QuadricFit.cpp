#include "heading/calibration/QuadricFit.h"

namespace heading::calibration {

std::optional<Sphere> fitSphere(const std::vector<Vector3d>& points, const SphereModel& model) {
    const auto s = solveOver<4>(points, model);
    if (!s) return std::nullopt;
    const double r2 = (*s)(3) + s->head<3>().squaredNorm();
    if (!(r2 > 0.0)) return std::nullopt;
    return Sphere{*model.centreOf(*s), std::sqrt(r2)};
}

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

double residualPercent(const std::vector<Vector3d>& points, const Vector3d& centre,
                       const Matrix3d& w, double radius) {
    double sum = 0.0;
    for (const Vector3d& p : points) {
        const double e = ((w * (p - centre)).norm() - radius) / radius;
        sum += e * e;
    }
    return 100.0 * std::sqrt(sum / static_cast<double>(points.size()));
}

}  // namespace heading::calibration
