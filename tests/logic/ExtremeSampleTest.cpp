#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "CompassFixture.h"

// Samples that are not finite, or far beyond any real field, pass through both screens and
// their graphs with no crash and no undefined behaviour (the sanitized build runs these too):
// every readout reads exactly as printf writes the value, and the graphs keep what they were
// given bit for bit.

namespace fluxprobe_test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string printed(const char* fmt, double v) {
    char text[512];
    std::snprintf(text, sizeof text, fmt, v);
    return text;
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct Sample {
    double x, y, z, magnetic, trueHeading;
};

const Sample kExtremes[] = {
    {kNaN, 1.0, 2.0, 10.0, 20.0},          {-kNaN, kNaN, kNaN, kNaN, kNaN},
    {kInf, -kInf, 0.0, kInf, -kInf},       {1e300, -1e300, 1e300, 1e300, -1e300},
    {-1e300, 5.0, -0.0, -1e300, 1e300},    {1e-320, -1e-320, 4.9e-324, -0.0, 359.96},
    {3.4e38, -3.5e38, 1e154, 1e39, -1e39}, {-0.04, 0.05, -0.0, 720.0, -720.0},
};

TEST_F(CompassTest, ExtremeSamplesReadAsPrintfWritesThemOnBothScreens) {
    launch();
    setSlider(40.0f);
    auto screen = openCompass();
    ASSERT_TRUE(screen);
    auto meterGraph = meter->graphView();
    auto compassGraph = screen->graphView();

    for (int reference : {0, 1}) {
        compass::sw = reference;
        for (const Sample& s : kExtremes) {
            SCOPED_TRACE(printed("x=%g", s.x) + printed(" y=%g", s.y) + printed(" z=%g", s.z) +
                         printed(" m=%g", s.magnetic) + printed(" t=%g", s.trueHeading) +
                         " sw=" + std::to_string(reference));
            const int beeps = platform.soundsPlayed();
            const std::uint32_t meterRow = meterGraph->nextIndex();
            const std::uint32_t compassRow = compassGraph->nextIndex();
            platform.deliverHeading(s.x, s.y, s.z, s.magnetic, s.trueHeading);

            EXPECT_EQ(meter->xLabel()->text(), printed("X \u00b5T:%.1f", s.x));
            EXPECT_EQ(meter->yLabel()->text(), printed("Y \u00b5T:%.1f", s.y));
            EXPECT_EQ(meter->zLabel()->text(), printed("Z \u00b5T:%.1f", s.z));
            const float magnitude =
                static_cast<float>(std::sqrt((s.x * s.x + s.y * s.y) + s.z * s.z));
            // Arithmetic does not fix the sign of a NaN, so either spelling is printf's.
            if (std::isnan(magnitude))
                EXPECT_TRUE(meter->magnitudeLabel()->text() == "nan" ||
                            meter->magnitudeLabel()->text() == "-nan");
            else
                EXPECT_EQ(meter->magnitudeLabel()->text(),
                          printed("%.1f", static_cast<double>(magnitude)));
            // The alarm is a plain comparison: a field that is not a number never sounds it.
            EXPECT_EQ(platform.soundsPlayed() - beeps, 100.0f < magnitude ? 1 : 0);

            EXPECT_EQ(screen->xLabel()->text(), printed("%.1f", s.x));
            EXPECT_EQ(screen->yLabel()->text(), printed("%.1f", s.y));
            EXPECT_EQ(screen->zLabel()->text(), printed("%.1f", s.z));
            const float shown = static_cast<float>(reference == 0 ? s.magnetic : s.trueHeading);
            // A negative true heading is an unknown one, and is not shown as a heading.
            if (reference == 1 && s.trueHeading < 0.0)
                EXPECT_EQ(screen->hd()->text(), "--.-\u00b0");
            else
                EXPECT_EQ(screen->hd()->text(), printed("%.1f\u00b0", static_cast<double>(shown)));

            EXPECT_TRUE(sameBits(meterGraph->history(meterRow, 0), s.x));
            EXPECT_TRUE(sameBits(meterGraph->history(meterRow, 1), s.y));
            EXPECT_TRUE(sameBits(meterGraph->history(meterRow, 2), s.z));
            const double g = static_cast<double>(static_cast<float>(s.magnetic) / 4.0f);
            for (std::uint32_t axis = 0; axis < 3; ++axis)
                EXPECT_TRUE(sameBits(compassGraph->history(compassRow, axis), g));

            // Drawing the graphs with these rows in them is harmless too.
            platform.redraw(*meterGraph);
            platform.redraw(*compassGraph);
        }
    }
    EXPECT_EQ(platform.logCount(), 2L * static_cast<long>(std::size(kExtremes)));
    platform.tap("doneButton");
    EXPECT_FALSE(meter->modalViewController());
}

}  // namespace
}  // namespace fluxprobe_test
