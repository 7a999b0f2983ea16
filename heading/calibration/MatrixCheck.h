#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "heading/HeadingMath.h"

namespace heading::calibration {

// The strongest field a check assumes a sensor may report: 10 mT, beyond any magnetometer's range.
inline constexpr double kStrongestField = 10000.0;  // µT

// What a sensor next to steel can do to a field, and so what a correction of it may undo: a
// symmetric, positive definite matrix (no mirroring, no flattening) at most kMaxAnisotropy times
// stronger in one direction than in another, and with its offset a field of kStrongestField still
// a finite number whose square is finite too. Why matrix (row-major, called name in the text)
// and offset are not that, or nothing.
struct MatrixProblem {
    enum class Where { Offset, Matrix } where;
    std::string text;
};
inline constexpr double kMaxAnisotropy = 3.0;
std::optional<MatrixProblem> matrixProblem(const std::array<double, 9>& matrix,
                                           const Vector3& offset, std::string_view name);

}  // namespace heading::calibration
