#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace heading::calibration {

// Calibrates from a recorded session, all at once: reads the replay file, fits, writes the
// calibration to outPath (never replacing a file) and prints the summary line on out. Problems
// go to err as "fluxprobe: ..." lines. Returns the exit status: 0 written, 1 the fit was
// refused (the reason is printed), 2 bad input (the replay file, an existing or unwritable out).
int calibrateRecording(const std::string& replayPath, const std::string& outPath,
                       std::optional<double> referenceMicrotesla, std::ostream& out,
                       std::ostream& err);

}  // namespace heading::calibration
