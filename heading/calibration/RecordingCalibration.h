#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace heading::calibration {

// Calibrates from a recorded session, all at once: reads the replay file, fits from a thinned
// share of it (memory stays flat however long it is), writes the calibration to outPath (never
// replacing a file) and prints the summary line on out. Problems go to err as "fluxprobe: ..."
// lines. stopSignal, when given, names a signal that asks to stop (0 for none); it is asked as
// the file is read and before writing. Returns the exit status: 0 written, 1 the fit was refused
// or the work stopped by a signal (nothing written either way), 2 bad input (the replay file, an
// existing or unwritable out).
int calibrateRecording(const std::string& replayPath, const std::string& outPath,
                       std::optional<double> referenceMicrotesla, std::ostream& out,
                       std::ostream& err, const std::function<int()>& stopSignal = {});

}  // namespace heading::calibration
