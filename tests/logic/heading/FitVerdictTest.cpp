#include <gtest/gtest.h>

#include <optional>

#include "heading/calibration/FitVerdict.h"

namespace {

using heading::calibration::FitKind;
using heading::calibration::FitQuality;
using heading::calibration::judgeFit;
using heading::calibration::Verdict;

TEST(FitVerdict, NamesWhatKeepsAFitFromBeingGood) {
    struct Case {
        FitKind kind;
        double fitted, residual, coverage;
        std::optional<double> expected;
        Verdict verdict;
        const char* reasonHas;
    };
    const Case cases[] = {
        {FitKind::Ellipsoid, 47.4, 0.5, 90, 47.5, Verdict::Good, ""},
        {FitKind::Ellipsoid, 47.4, 0.5, 90, std::nullopt, Verdict::Good, ""},
        // Off by a little more than 5%: usable; by more than 15%: poor, whatever else.
        {FitKind::Ellipsoid, 50.0, 0.5, 90, 47.5, Verdict::Usable, "should be about 48"},
        {FitKind::Ellipsoid, 52.0, 0.5, 90, 45.0, Verdict::Poor, "the fit found 52"},
        {FitKind::Ellipsoid, 40.0, 0.5, 90, 47.5, Verdict::Poor, "turn the device away"},
        {FitKind::Sphere, 47.4, 0.5, 50, 47.5, Verdict::Usable, "only the offset"},
        {FitKind::Ellipsoid, 47.4, 1.5, 90, 47.5, Verdict::Usable, "scatter"},
        {FitKind::Ellipsoid, 47.4, 0.5, 70, 47.5, Verdict::Usable, "not reached"},
    };
    for (const Case& c : cases) {
        FitQuality q;
        q.kind = c.kind;
        q.radius = c.expected.value_or(c.fitted);  // corrected onto the model's total
        q.fittedRadius = c.fitted;
        q.residualPercent = c.residual;
        q.coveragePercent = c.coverage;
        const auto v = judgeFit(q, c.expected);
        EXPECT_EQ(v.verdict, c.verdict)
            << c.fitted << " µT, " << c.residual << "%, " << c.coverage << "%";
        EXPECT_NE(v.reason.find(c.reasonHas), std::string::npos) << v.reason;
        EXPECT_EQ(v.reason.empty(), c.verdict == Verdict::Good) << v.reason;
    }
}

}  // namespace
