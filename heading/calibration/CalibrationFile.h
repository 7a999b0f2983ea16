#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "heading/AtomicFile.h"
#include "heading/calibration/Calibration.h"

namespace heading::calibration {

// A calibration file that cannot be read or written. The message names the file (and the line).
class CalibrationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The text format: a version line, then one "key values" entry a line (offset, matrix row-major,
// and what the fit reported); empty lines and lines starting with # are skipped.
inline constexpr std::string_view kCalibrationHeader = "fluxprobe calibration 1";

std::string formatCalibration(const Calibration& calibration, const std::string& sensor);

// Throws CalibrationError "name:line: what was wrong"; numbers that are not finite and a
// singular matrix are refused as well.
Calibration parseCalibration(std::string_view text, const std::string& name);
Calibration readCalibrationFile(const std::string& path);

using heading::Existing;

// Puts the whole file in place at once, so that path holds either the old calibration or the
// whole new one.
void writeCalibrationFile(const std::string& path, const Calibration& calibration,
                          const std::string& sensor, Existing existing);

}  // namespace heading::calibration
