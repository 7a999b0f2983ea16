#pragma once

#include <cstddef>
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

// Throws CalibrationError "name:line: what was wrong": a malformed or repeated entry, or numbers
// that are no correction a sensor needs (see matrixProblem).
Calibration parseCalibration(std::string_view text, const std::string& name);

// A calibration file is a few hundred bytes; anything beyond this is not one.
inline constexpr std::size_t kMaxCalibrationBytes = 64 * 1024;

// Reads and parses a regular file of at most kMaxCalibrationBytes, never waiting on a FIFO.
Calibration readCalibrationFile(const std::string& path);

using heading::Existing;

// Puts the whole file in place at once, so that path holds either the old calibration or the
// whole new one.
void writeCalibrationFile(const std::string& path, const Calibration& calibration,
                          const std::string& sensor, Existing existing);

}  // namespace heading::calibration
