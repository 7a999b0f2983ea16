#pragma once

#include <optional>
#include <string>

#include "heading/calibration/Calibration.h"

namespace heading::calibration {

// A plain word on a fit that was accepted, for a user who does not read residuals.
enum class Verdict { Good, Usable, Poor };

struct FitVerdict {
    // How far a good fit's radius may lie from the field model's total, and a usable one's.
    static constexpr double kGoodRadiusOff = 0.05;
    static constexpr double kUsableRadiusOff = 0.15;
    static constexpr double kGoodResidual = 1.0;   // % of the radius
    static constexpr double kGoodCoverage = 75.0;  // % of directions

    Verdict verdict = Verdict::Usable;
    // What keeps it from being good, in words a user can act on; empty when it is good.
    std::string reason;
};

// expectedMicrotesla is the field model's total where the device is, when known.
FitVerdict judgeFit(const FitQuality& quality, std::optional<double> expectedMicrotesla);

const char* verdictName(Verdict verdict);

}  // namespace heading::calibration
