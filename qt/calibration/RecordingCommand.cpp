#include "qt/calibration/RecordingCommand.h"

#include <iostream>

#include "heading/calibration/RecordingCalibration.h"
#include "qt/StopSignals.h"

namespace platform::qt {

int calibrateFromRecording(const std::string& file, const std::string& out,
                           std::optional<double> referenceField) {
    // Not restarted, so that a read waiting on a FIFO returns to look.
    const StopSignals stop(StopSignals::Reads::Interrupted);
    return heading::calibration::calibrateRecording(file, out, referenceField, std::cout, std::cerr,
                                                    [] { return StopSignals::received(); });
}

}  // namespace platform::qt
