// Calibration files come from the user's configuration folder or the command line. Any input
// either parses into a finite, invertible correction that survives being written and read
// again unchanged, or is refused with a CalibrationError naming the file.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Check.h"
#include "heading/calibration/CalibrationFile.h"

namespace cal = heading::calibration;
using fuzz::require;

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
    require(!c.problem(), "an accepted calibration is finite and invertible");
    const cal::Calibration back = cal::parseCalibration(cal::formatCalibration(c, "s"), "again");
    require(back.matrix == c.matrix, "the matrix is written and read back unchanged");
    require(
        back.offset.x == c.offset.x && back.offset.y == c.offset.y && back.offset.z == c.offset.z,
        "the offset is written and read back unchanged");
    heading::Heading h = heading::Heading::of(1e300, -1e300, 3, 0, 2);
    c.apply(h);  // extremes may overflow to infinity, never crash
    return 0;
}
