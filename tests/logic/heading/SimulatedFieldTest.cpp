#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "heading/HeadingMath.h"
#include "heading/simulated/SimulatedField.h"

namespace {

using heading::SimulatedField;

double total(const heading::Heading& h) {
    return std::sqrt(h.x * h.x + h.y * h.y + h.z * h.z);
}

TEST(SimulatedField, IsEarthLikeBetweenMagnetPassesAndSweepsTheHeadingOnceAMinute) {
    const double rate = 50;
    double previous = -1;
    int wraps = 0;
    for (std::uint64_t n = 0; n < 60 * 50; ++n) {
        const auto h = SimulatedField::sample(n, rate, std::nullopt);
        ASSERT_EQ(h.timestamp, n / rate);
        ASSERT_EQ(h.magneticHeading, heading::magneticHeadingFromAxes(h.x, h.y));
        ASSERT_EQ(h.trueHeading, -1.0);
        const double inPeriod = std::fmod(h.timestamp, 10.0);
        if (inPeriod <= 6.0 || inPeriod >= 9.0) {
            ASSERT_NEAR(total(h), 48.3, 0.1);
            // Quiet field: the heading is the turn, 6 degrees a second.
            ASSERT_NEAR(h.magneticHeading, std::fmod(h.timestamp * 6.0, 360.0), 1e-9);
            if (previous >= 0 && h.magneticHeading < previous) ++wraps;
            previous = h.magneticHeading;
        }
    }
    EXPECT_EQ(wraps, 0);  // one sweep 0..360 in the first minute, no wrap before it ends
    EXPECT_NEAR(SimulatedField::sample(3000, rate, std::nullopt).magneticHeading, 0.0, 1e-9);
}

TEST(SimulatedField, AMagnetPassCrossesTheDefaultAlarmEveryTenSeconds) {
    for (int period = 0; period < 6; ++period) {
        double peak = 0;
        for (int i = 0; i < 500; ++i) {
            const auto n = static_cast<std::uint64_t>(period * 500 + i);
            peak = std::max(peak, total(SimulatedField::sample(n, 50, std::nullopt)));
        }
        EXPECT_GT(peak, 110.0) << "period " << period;
    }
}

TEST(SimulatedField, DependsOnlyOnTheIndexAndTheRate) {
    EXPECT_EQ(SimulatedField::sample(12345, 1000, 7.5), SimulatedField::sample(12345, 1000, 7.5));
    const auto a = SimulatedField::sample(100, 50, std::nullopt);
    const auto b = SimulatedField::sample(200, 100, std::nullopt);
    EXPECT_EQ(a.x, b.x);
    EXPECT_EQ(a.timestamp, b.timestamp);
    EXPECT_DOUBLE_EQ(SimulatedField::sample(100, 50, 15.0).trueHeading,
                     heading::normalizeDegrees(a.magneticHeading + 15.0));
}

TEST(SimulatedField, AHumIsASineOnXWhateverElseTheFieldDoes) {
    heading::SimulatedMotion plain, tumbling;
    tumbling.tumble = true;
    for (heading::SimulatedMotion motion : {plain, tumbling}) {
        SCOPED_TRACE(motion.tumble ? "tumbling" : "flat");
        heading::SimulatedMotion humming = motion;
        humming.humHz = 50;
        humming.humAmplitude = 1.5;
        for (std::uint64_t n : {0u, 1u, 7u, 12345u, 3600000u}) {
            const auto quiet = SimulatedField::sample(n, 1000, std::nullopt, motion);
            const auto h = SimulatedField::sample(n, 1000, std::nullopt, humming);
            EXPECT_NEAR(h.x - quiet.x, 1.5 * std::sin(2 * std::numbers::pi * 50 * (n / 1000.0)),
                        1e-9);
            EXPECT_EQ(h.y, quiet.y);
            EXPECT_EQ(h.z, quiet.z);
            if (!motion.tumble) {
                EXPECT_EQ(h.magneticHeading, heading::magneticHeadingFromAxes(h.x, h.y));
            }
        }
    }
}

}  // namespace
