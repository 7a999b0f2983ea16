#include "qt/calibration/RecordingCommand.h"

#include <iostream>

#include "heading/SourceChoice.h"
#include "heading/SourceError.h"
#include "heading/calibration/RecordingCalibration.h"
#include "qt/Options.h"
#include "qt/StopSignals.h"

namespace platform::qt {

std::optional<int> calibrateFromRecordingIfAsked(const std::vector<std::string>& args) {
    Options options;
    heading::SourceChoice choice;
    try {
        options = parseOptions(args);
        if (!options.calibrate) return std::nullopt;
        choice = heading::parseSourceChoice(options.source.spec);
    } catch (const std::exception&) {
        return std::nullopt;  // the normal start reports it, as for any run
    }
    if (choice.kind != heading::SourceChoice::Kind::Replay) return std::nullopt;
    if (options.source.calibrationOut.empty()) {
        std::cerr << "fluxprobe: --calibrate from a replay needs --calibration-out=FILE, the file "
                     "to write the calibration to"
                  << std::endl;
        return 2;
    }
    // Not restarted, so that a read waiting on a FIFO returns to look.
    const StopSignals stop(StopSignals::Reads::Interrupted);
    return heading::calibration::calibrateRecording(
        choice.file, options.source.calibrationOut, options.source.referenceField, std::cout,
        std::cerr, [] { return StopSignals::received(); });
}

}  // namespace platform::qt
