#include "heading/calibration/DirectionBins.h"

#include <algorithm>
#include <cmath>

namespace heading::calibration {

namespace {

std::array<Vector3, DirectionBins::kCount> makeDirections() {
    std::array<Vector3, DirectionBins::kCount> dirs{};
    std::size_t n = 0;
    for (int i = -1; i <= 1; ++i)
        for (int j = -1; j <= 1; ++j)
            for (int k = -1; k <= 1; ++k) {
                if (i == 0 && j == 0 && k == 0) continue;
                const double len = std::sqrt(double(i * i + j * j + k * k));
                dirs[n++] = {i / len, j / len, k / len};
            }
    return dirs;
}

const std::array<Vector3, DirectionBins::kCount>& directions() {
    static const auto dirs = makeDirections();
    return dirs;
}

}  // namespace

std::optional<std::size_t> DirectionBins::binOf(const Vector3& d) {
    if (!(d.x != 0.0 || d.y != 0.0 || d.z != 0.0)) return std::nullopt;
    const auto& dirs = directions();
    std::size_t best = 0;
    double bestDot = -INFINITY;
    for (std::size_t i = 0; i < kCount; ++i) {
        const double dot = dirs[i].x * d.x + dirs[i].y * d.y + dirs[i].z * d.z;
        if (dot > bestDot) {
            bestDot = dot;
            best = i;
        }
    }
    if (!std::isfinite(bestDot)) return std::nullopt;
    return best;
}

Vector3 DirectionBins::direction(std::size_t i) {
    return directions()[i];
}

void DirectionBins::add(const Vector3& d) {
    if (auto bin = binOf(d)) hit_[*bin] = true;
}

void DirectionBins::addAll(std::span<const Vector3> samples, const Vector3& centre) {
    for (const Vector3& s : samples) add({s.x - centre.x, s.y - centre.y, s.z - centre.z});
}

std::size_t DirectionBins::hitCount() const {
    return static_cast<std::size_t>(std::count(hit_.begin(), hit_.end(), true));
}

double DirectionBins::percent() const {
    return 100.0 * static_cast<double>(hitCount()) / static_cast<double>(kCount);
}

}  // namespace heading::calibration
