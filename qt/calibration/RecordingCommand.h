#pragma once

#include <optional>
#include <string>

namespace platform::qt {

// --calibrate with a replay source needs no window: fits a calibration from the recording in
// file and writes it to out, telling on stdout and stderr how it went; Ctrl+C stops it.
// Returns the exit status.
int calibrateFromRecording(const std::string& file, const std::string& out,
                           std::optional<double> referenceField);

}  // namespace platform::qt
