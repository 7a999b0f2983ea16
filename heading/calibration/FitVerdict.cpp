#include "heading/calibration/FitVerdict.h"

#include <cmath>

#include "heading/calibration/CalibrationFit.h"

namespace heading::calibration {

FitVerdict judgeFit(const FitQuality& q, std::optional<double> expected) {
    FitVerdict v;
    const double fitted = q.fittedRadius > 0.0 ? q.fittedRadius : q.radius;
    const double off = expected && *expected > 0.0 ? std::fabs(fitted / *expected - 1.0) : 0.0;
    if (off > FitVerdict::kUsableRadiusOff) {
        v.verdict = Verdict::Poor;
        v.reason = radiusOffAdvice(fitted, *expected);
    } else if (q.kind != FitKind::Ellipsoid) {
        v.reason = "only the offset was fitted: turn through more directions for a full fit";
    } else if (q.residualPercent > FitVerdict::kGoodResidual) {
        v.reason = "the readings scatter about the fit: turn more slowly, away from steel";
    } else if (q.coveragePercent < FitVerdict::kGoodCoverage) {
        v.reason = "some directions were not reached: turn through every direction";
    } else if (off > FitVerdict::kGoodRadiusOff) {
        v.reason = radiusOffAdvice(fitted, *expected);
    } else {
        v.verdict = Verdict::Good;
    }
    return v;
}

const char* verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::Good:
            return "good";
        case Verdict::Usable:
            return "usable";
        case Verdict::Poor:
            return "poor";
    }
    return "usable";
}

}  // namespace heading::calibration
