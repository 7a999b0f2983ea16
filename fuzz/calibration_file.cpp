// Calibration files come from the user's configuration folder or the command line. Any input
// either parses into a correction a sensor next to steel could need (symmetric, positive
// definite, at most 3 times stronger in one direction, each entry once) that keeps every field
// up to 10 mT finite and survives being written and read again unchanged, or is refused with a
// CalibrationError naming the file.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "Check.h"
#include "heading/calibration/CalibrationFile.h"

namespace cal = heading::calibration;
using fuzz::require;

namespace {

// The keys of the entries in text, each once, as a file that was accepted must have them.
bool eachKeyOnce(std::string_view text) {
    std::set<std::string_view> keys;
    bool header = true;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const auto start = line.find_first_not_of(" \t\r");
        if (start == std::string_view::npos) continue;
        line.remove_prefix(start);
        if (header || line.front() == '#') {
            header = false;
            continue;
        }
        if (!keys.insert(line.substr(0, line.find_first_of(" \t\r"))).second) return false;
    }
    return true;
}

void requireShape(const cal::Calibration& c) {
    const auto& m = c.matrix;
    double largest = 0.0;
    for (double v : m) largest = std::max(largest, std::fabs(v));
    require(std::fabs(m[1] - m[3]) <= 1e-9 * largest && std::fabs(m[2] - m[6]) <= 1e-9 * largest &&
                std::fabs(m[5] - m[7]) <= 1e-9 * largest,
            "an accepted matrix is symmetric");
    // Positive definite: every leading minor positive (Sylvester), to the matrix's own scale.
    const double d1 = m[0], d2 = m[0] * m[4] - m[1] * m[3];
    const double d3 = m[0] * (m[4] * m[8] - m[5] * m[7]) - m[1] * (m[3] * m[8] - m[5] * m[6]) +
                      m[2] * (m[3] * m[7] - m[4] * m[6]);
    require(d1 > 0 && d2 > -1e-9 * largest * largest && d3 > 0,
            "an accepted matrix neither mirrors nor flattens");
    // No diagonal entry can be more than 3 times another's when the eigenvalues are not.
    const double low = std::min({m[0], m[4], m[8]}), high = std::max({m[0], m[4], m[8]});
    require(high <= 3.0 * (1 + 1e-6) * low, "an accepted matrix is at most 3 times stronger");
    for (double x : {-1e4, 1e4})
        for (double y : {-1e4, 1e4})
            for (double z : {-1e4, 1e4}) {
                const heading::Vector3 v = c.correct({x, y, z});
                require(std::isfinite(v.x * v.x + v.y * v.y + v.z * v.z),
                        "an accepted calibration keeps a field of 10 mT finite");
            }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    cal::Calibration c;
    try {
        c = cal::parseCalibration(text, "input.conf");
    } catch (const cal::CalibrationError& e) {
        const std::string_view message = e.what();
        require(message.starts_with("input.conf"), "a refusal names the file");
        require(fuzz::printable(message), "a refusal is printable");
        return 0;
    }
    require(!c.problem(), "an accepted calibration passes its own check");
    require(eachKeyOnce(text), "an accepted file gives each entry once");
    requireShape(c);
    const cal::Calibration back = cal::parseCalibration(cal::formatCalibration(c, "s"), "again");
    require(back.matrix == c.matrix, "the matrix is written and read back unchanged");
    require(
        back.offset.x == c.offset.x && back.offset.y == c.offset.y && back.offset.z == c.offset.z,
        "the offset is written and read back unchanged");
    heading::Heading h = heading::Heading::of(1e300, -1e300, 3, 0, 2);
    c.apply(h);  // extremes may overflow to infinity, never crash
    return 0;
}
