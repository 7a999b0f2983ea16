#include "heading/calibration/MatrixCheck.h"

#include <Eigen/Core>
#include <Eigen/Eigenvalues>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace heading::calibration {

namespace {

// The fewest digits that read back as v, so that two numbers told apart look apart.
std::string number(double v) {
    char text[32];
    for (int digits = 6; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, v);
        if (std::strtod(text, nullptr) == v) break;
    }
    return text;
}

std::string rounded(double v) {
    char text[32];
    std::snprintf(text, sizeof text, v < 1000 ? "%.3g" : v < 1e15 ? "%.0f" : "%.3g", v);
    return text;
}

// The corrected field and its squared magnitude (a readout's total) stay finite.
bool usable(double bound) {
    return std::isfinite(3.0 * bound * bound);
}

}  // namespace

std::optional<MatrixProblem> matrixProblem(const std::array<double, 9>& m, const Vector3& offset,
                                           std::string_view name) {
    using Where = MatrixProblem::Where;
    const std::string n(name);
    double largestOffset = 0.0;
    for (double v : {offset.x, offset.y, offset.z}) {
        if (!std::isfinite(v))
            return MatrixProblem{Where::Offset, "the offset is not a finite number"};
        largestOffset = std::max(largestOffset, std::fabs(v));
    }
    const double reach = kStrongestField + largestOffset;
    if (!usable(reach))
        return MatrixProblem{Where::Offset, "an offset of " + rounded(largestOffset) +
                                                " µT is too large a number to use"};
    double largest = 0.0;
    for (double v : m) {
        if (!std::isfinite(v))
            return MatrixProblem{Where::Matrix, n + " holds a value that is not a finite number"};
        largest = std::max(largest, std::fabs(v));
    }
    if (!(largest > 0.0)) return MatrixProblem{Where::Matrix, n + " is singular"};
    // Relative to the matrix's scale: a tiny but well-shaped matrix is still invertible, and a
    // huge one's determinant does not overflow.
    std::array<double, 9> u{};
    for (std::size_t i = 0; i < 9; ++i) u[i] = m[i] / largest;
    const double det = u[0] * (u[4] * u[8] - u[5] * u[7]) - u[1] * (u[3] * u[8] - u[5] * u[6]) +
                       u[2] * (u[3] * u[7] - u[4] * u[6]);
    if (!(std::fabs(det) > 1e-9)) return MatrixProblem{Where::Matrix, n + " is singular"};
    for (int r = 0; r < 3; ++r)
        for (int c = r + 1; c < 3; ++c) {
            const double a = m[static_cast<std::size_t>(r * 3 + c)];
            const double b = m[static_cast<std::size_t>(c * 3 + r)];
            if (!(std::fabs(a - b) <= 1e-9 * largest))
                return MatrixProblem{
                    Where::Matrix, n + " is not symmetric: row " + std::to_string(r + 1) +
                                       ", column " + std::to_string(c + 1) + " holds " + number(a) +
                                       " but row " + std::to_string(c + 1) + ", column " +
                                       std::to_string(r + 1) + " holds " + number(b)};
        }
    Eigen::Matrix3d a;
    a << u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8];
    const Eigen::Vector3d lambda = Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(
                                       (a + a.transpose()) / 2, Eigen::EigenvaluesOnly)
                                       .eigenvalues();
    if (!(lambda(0) > 0.0))
        return MatrixProblem{Where::Matrix,
                             n + " is not positive definite: it would mirror or flatten the field"};
    const double ratio = lambda(2) / lambda(0);
    // A little room, so that a fit accepted at the bound loads again.
    if (ratio > kMaxAnisotropy * (1.0 + 1e-9))
        return MatrixProblem{Where::Matrix, n + " is " + rounded(ratio) +
                                                " times stronger in one direction than in "
                                                "another; steel does at most 3"};
    double rowSum = 0.0;
    for (int r = 0; r < 3; ++r)
        rowSum = std::max(rowSum, std::fabs(m[static_cast<std::size_t>(r * 3)]) +
                                      std::fabs(m[static_cast<std::size_t>(r * 3 + 1)]) +
                                      std::fabs(m[static_cast<std::size_t>(r * 3 + 2)]));
    // Bounds both raw = matrix · field + offset and corrected = matrix · (raw − offset).
    if (!usable(rowSum * reach + largestOffset))
        return MatrixProblem{Where::Matrix, n + " and the offset make a field of 10 mT too large "
                                                "a number to use"};
    return std::nullopt;
}

}  // namespace heading::calibration
