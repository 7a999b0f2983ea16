#pragma once

#include <string>

namespace heading::calibration {

// Where a sensor's calibration is kept: $XDG_CONFIG_HOME/fluxprobe/calibration/<sensor>.conf,
// with ~/.config standing in for an unset or relative XDG_CONFIG_HOME. Empty when neither
// is known.
std::string storedCalibrationPath(const std::string& sensor);

// The same, with its folders made; throws CalibrationError when they cannot be.
std::string prepareStoredCalibrationPath(const std::string& sensor);

}  // namespace heading::calibration
