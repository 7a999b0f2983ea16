#include <gtest/gtest.h>

#include <optional>

#include "heading/SilenceLimit.h"

namespace {

TEST(SilenceLimit, FollowsTheSourcesPaceAndNeverFallsUnderASecond) {
    struct Case {
        double hz;
        std::optional<double> driverRate;  // what the driver says, when it does
        int perStamp;                      // samples delivered with one stamp (a batch)
    };
    const Case cases[] = {{1, {}, 1},  {10, {}, 1},   {50, {}, 1},  {1000, {}, 1},
                          {1, 1.0, 1}, {10, 10.0, 1}, {1000, {}, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hz);
        const double period = 1.0 / c.hz;
        heading::SilenceLimit limit;
        limit.setRate(c.driverRate);
        for (int i = 0; i < 40; ++i)
            for (int k = 0; k < c.perStamp; ++k) limit.sample(i / c.perStamp * period);
        const double gap = c.perStamp * period;
        const double threeMissed = std::max(1.0, 3 * gap);
        // Just before the next sample is due, and after two missed: not stale.
        EXPECT_FALSE(limit.stale(gap * 0.99));
        EXPECT_FALSE(limit.stale(std::min(2 * gap, threeMissed) * 0.99));
        // After three missed (or a second, for a fast source): stale.
        EXPECT_TRUE(limit.stale(threeMissed * 1.001));
        EXPECT_FALSE(limit.stale(threeMissed * 0.999));
    }
}

TEST(SilenceLimit, KnowsASlowDriverFromItsRateBeforeTwoSamplesCome) {
    heading::SilenceLimit limit;
    EXPECT_DOUBLE_EQ(limit.seconds(), 1.0);
    limit.setRate(0.5);
    limit.sample(0.0);
    EXPECT_DOUBLE_EQ(limit.seconds(), 6.0);
    // A few stray intervals (a hiccup, a replay's pause) do not move the median.
    limit.setRate(std::nullopt);
    limit.reset();
    for (int i = 0; i < 10; ++i) limit.sample(i * 0.5);
    limit.sample(60.0);
    limit.sample(60.5);
    EXPECT_DOUBLE_EQ(limit.seconds(), 1.5);
    // A source started again counts from its new stamps.
    limit.sample(0.0);
    EXPECT_DOUBLE_EQ(limit.seconds(), 1.5);
}

}  // namespace
