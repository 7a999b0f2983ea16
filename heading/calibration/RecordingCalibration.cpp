#include "heading/calibration/RecordingCalibration.h"

#include <unistd.h>

#include <cstring>

#include "heading/SourceError.h"
#include "heading/calibration/CalibrationFile.h"
#include "heading/calibration/CalibrationFit.h"
#include "heading/calibration/SampleThinner.h"
#include "heading/replay/ReplayFile.h"

namespace heading::calibration {

int calibrateRecording(const std::string& replayPath, const std::string& outPath,
                       std::optional<double> referenceMicrotesla, std::ostream& out,
                       std::ostream& err, const std::function<int()>& stopSignal) {
    // Refused before the work, as --record is, so nobody waits for a fit that cannot be kept.
    if (::access(outPath.c_str(), F_OK) == 0) {
        err << "fluxprobe: calibration file " << outPath << " already exists; it is not overwritten"
            << std::endl;
        return 2;
    }
    const auto stopped = [&] {
        const int signal = stopSignal ? stopSignal() : 0;
        if (signal == 0) return false;
        const char* name = sigabbrev_np(signal);
        err << "fluxprobe: SIG" << (name ? name : "?") << ": calibration from " << replayPath
            << " stopped; nothing was written" << std::endl;
        return true;
    };
    // However long the recording, the fit takes a bounded share of it.
    SampleThinner thinner;
    try {
        const bool whole = ReplayFile::scan(
            replayPath,
            [&thinner](const heading::Heading& h) {
                thinner.add({h.x, h.y, h.z});
            },
            [&] { return stopSignal && stopSignal() != 0; });
        if (!whole && stopped()) return 1;
    } catch (const SourceError& e) {
        err << "fluxprobe: " << e.what() << std::endl;
        return 2;
    }
    const FitResult fit = fitCalibration(thinner.samples(), referenceMicrotesla);
    if (!fit.accepted()) {
        err << "fluxprobe: calibration from " << replayPath << " refused: " << fit.refusal
            << std::endl;
        return 1;
    }
    if (stopped()) return 1;
    try {
        writeCalibrationFile(outPath, *fit.calibration, "", Existing::Refuse);
    } catch (const CalibrationError& e) {
        err << "fluxprobe: " << e.what() << std::endl;
        return 2;
    }
    out << summaryLine(*fit.calibration) << std::endl;
    return 0;
}

}  // namespace heading::calibration
