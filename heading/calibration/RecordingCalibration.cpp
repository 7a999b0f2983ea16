#include "heading/calibration/RecordingCalibration.h"

#include <unistd.h>

#include <vector>

#include "heading/SourceError.h"
#include "heading/calibration/CalibrationFile.h"
#include "heading/calibration/CalibrationFit.h"
#include "heading/replay/ReplayFile.h"

namespace heading::calibration {

int calibrateRecording(const std::string& replayPath, const std::string& outPath,
                       std::optional<double> referenceMicrotesla, std::ostream& out,
                       std::ostream& err) {
    // Refused before the work, as --record is, so nobody waits for a fit that cannot be kept.
    if (::access(outPath.c_str(), F_OK) == 0) {
        err << "fluxprobe: calibration file " << outPath << " already exists; it is not overwritten"
            << std::endl;
        return 2;
    }
    std::vector<Vector3> samples;
    try {
        const auto headings = ReplayFile::read(replayPath);
        samples.reserve(headings.size());
        for (const auto& h : headings) samples.push_back({h.x, h.y, h.z});
    } catch (const SourceError& e) {
        err << "fluxprobe: " << e.what() << std::endl;
        return 2;
    }
    const FitResult fit = fitCalibration(samples, referenceMicrotesla);
    if (!fit.accepted()) {
        err << "fluxprobe: calibration from " << replayPath << " refused: " << fit.refusal
            << std::endl;
        return 1;
    }
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
