#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "StationTestSupport.h"
#include "station/MinuteFilter.h"
#include "station/SecondMeans.h"

namespace {

using station::MinuteFilter;
using station::StationValue;
using station_test::kDay;
using station_test::second;

// The filter's answer for minute T, from seconds given by value(t) (NaN: missing).
template <class Value>
std::vector<StationValue> run(std::int64_t from, std::int64_t to, Value value) {
    MinuteFilter filter;
    std::vector<StationValue> minutes;
    for (std::int64_t t = from; t <= to; ++t) {
        const double v = value(t);
        if (!std::isnan(v)) filter.push(second(t, v), minutes);
    }
    filter.finish(minutes);
    return minutes;
}

const StationValue* find(const std::vector<StationValue>& minutes, std::int64_t t) {
    for (const auto& m : minutes)
        if (m.time == t) return &m;
    return nullptr;
}

TEST(MinuteFilter, WeighsTheNinetyOneSecondsAroundTheMinuteByTheGaussian) {
    double sum = 0;
    for (int i = -45; i <= 45; ++i) sum += MinuteFilter::weight(i);
    const std::int64_t minute = kDay + 600;
    // A ramp gives the weighted mean of its own times: the minute's time, as the weights are
    // even; a spike at one offset gives that offset's normalised weight.
    for (int spikeAt : {-45, -20, 0, 33, 45}) {
        const auto minutes = run(minute - 100, minute + 100, [&](std::int64_t t) {
            return t == minute + spikeAt ? 1000.0 : 0.0;
        });
        const auto* m = find(minutes, minute);
        ASSERT_NE(m, nullptr);
        EXPECT_NEAR(m->x, 1000.0 * MinuteFilter::weight(spikeAt) / sum, 1e-9) << spikeAt;
    }
    // A second just outside the window counts for nothing.
    const auto outside = run(minute - 100, minute + 100, [&](std::int64_t t) {
        return t == minute + 46 || t == minute - 46 ? 1000.0 : 0.0;
    });
    EXPECT_EQ(find(outside, minute)->x, 0.0);
    EXPECT_NEAR(MinuteFilter::weight(15) / MinuteFilter::weight(0),
                std::exp(-225.0 / (2 * 15.8734 * 15.8734)), 1e-15);
}

TEST(MinuteFilter, RenormalisesUpToNineMissingSecondsAndGivesUpBeyond) {
    const std::int64_t minute = kDay + 3600;
    struct Case {
        const char* what;
        std::set<int> missing;  // offsets from the minute
        bool computed;
    };
    const std::vector<Case> cases = {
        {"none missing", {}, true},
        {"nine missing (9.9%)", {-45, -44, -43, -42, -41, -40, -39, -38, -37}, true},
        {"ten missing (11%)", {-45, -44, -43, -42, -41, -40, -39, -38, -37, -36}, false},
        {"nine spread through", {-30, -20, -10, -1, 0, 1, 10, 20, 30}, true},
        {"ten spread through", {-40, -30, -20, -10, -1, 0, 1, 10, 20, 30}, false},
    };
    for (const Case& c : cases) {
        const auto minutes = run(minute - 200, minute + 200, [&](std::int64_t t) {
            return c.missing.count(int(t - minute)) ? double(NAN) : 50000.0 + double(t - minute);
        });
        const auto* m = find(minutes, minute);
        ASSERT_NE(m, nullptr) << c.what;
        EXPECT_EQ(std::isfinite(m->x), c.computed) << c.what;
        if (c.computed) {
            // Renormalised over the seconds present: the weighted mean of their offsets.
            double sum = 0, weights = 0;
            for (int i = -45; i <= 45; ++i)
                if (!c.missing.count(i)) {
                    sum += MinuteFilter::weight(i) * (50000.0 + i);
                    weights += MinuteFilter::weight(i);
                }
            EXPECT_NEAR(m->x, sum / weights, 1e-9) << c.what;
        }
    }
}

TEST(MinuteFilter, TakesEachComponentOnItsOwn) {
    const std::int64_t minute = kDay + 120;
    MinuteFilter filter;
    std::vector<StationValue> minutes;
    for (std::int64_t t = minute - 60; t <= minute + 60; ++t) {
        StationValue s = second(t, 10.0);
        if (t % 2 == 0) s.y = station::kMissing;   // half of y missing: y is missing
        if (t == minute) s.z = station::kMissing;  // one z missing: z renormalised
        filter.push(s, minutes);
    }
    const auto* m = find(minutes, minute);
    ASSERT_NE(m, nullptr);
    EXPECT_DOUBLE_EQ(m->x, 10.0);
    EXPECT_TRUE(std::isnan(m->y));
    EXPECT_DOUBLE_EQ(m->z, 12.0);
    EXPECT_DOUBLE_EQ(m->f, 13.0);
}

TEST(MinuteFilter, GivesEveryMinuteOnceInOrderAcrossMidnightAndGaps) {
    // Seconds from 23:58:00 to 00:02:10, none from 00:00:51 to 00:01:29.
    const std::int64_t midnight = kDay + 86400;
    const auto minutes = run(midnight - 120, midnight + 130, [&](std::int64_t t) {
        if (t > midnight + 50 && t < midnight + 90) return double(NAN);
        return t < midnight ? 100.0 : 200.0;
    });
    std::vector<std::int64_t> times;
    for (const auto& m : minutes) times.push_back(m.time - midnight);
    EXPECT_EQ(times, (std::vector<std::int64_t>{-60, 0, 60}));
    // The first minute of the new day takes its seconds from both days.
    const auto* first = find(minutes, midnight);
    EXPECT_GT(first->x, 100.0);
    EXPECT_LT(first->x, 200.0);
    EXPECT_NEAR(
        first->x,
        150.0 + 50.0 * MinuteFilter::weight(0) /
                    [] {
                        double s = 0;
                        for (int i = -45; i <= 45; ++i) s += MinuteFilter::weight(i);
                        return s;
                    }(),
        1e-9);
    EXPECT_TRUE(std::isnan(find(minutes, midnight + 60)->x));  // 39 of its seconds missing
    // The minute at 00:02 lacks 00:02:11..00:02:45: more than nine, so it is not given.
    EXPECT_EQ(find(minutes, midnight + 120), nullptr);
}

TEST(MinuteFilter, SkipsMinutesWithNoSecondAndNeverGoesBack) {
    MinuteFilter filter(kDay + 600);  // a restart: nothing before 00:10
    std::vector<StationValue> minutes;
    for (std::int64_t t = kDay + 500; t <= kDay + 700; ++t) filter.push(second(t, 1), minutes);
    filter.push(second(kDay + 650, 1), minutes);  // earlier than the last: ignored
    for (std::int64_t t = kDay + 7200; t <= kDay + 7300; ++t) filter.push(second(t, 1), minutes);
    std::vector<std::int64_t> times;
    for (const auto& m : minutes) times.push_back(m.time - kDay);
    // 00:12 had some of its seconds: it is given, missing; the hour after it had none.
    EXPECT_EQ(times, (std::vector<std::int64_t>{600, 660, 720, 7200}));
    EXPECT_TRUE(std::isnan(minutes[2].x));
}

TEST(SecondMeans, AveragesEachUtcSecondAndLeavesOutWhatComesTooLate) {
    station::SecondMeans means(false);
    std::vector<StationValue> out;
    const auto add = [&](double utc, double v) {
        station::StationSample s;
        s.utc = utc;
        s.v[0] = v;
        s.v[1] = 0;
        s.v[2] = v;
        if (auto done = means.add(s)) out.push_back(*done);
    };
    add(kDay + 0.00, 3);
    add(kDay + 0.50, 5);
    add(kDay + 0.99, 7);
    add(kDay + 1.00, 30);
    add(kDay + 0.75, 1000);  // the clock stepped back: left out
    add(kDay + 3.20, 40);    // second 2 has no sample: it is missing, not made up
    add(kDay + 2.50, 1000);  // back into the gap: left out too, second 3 is not made twice
    if (auto done = means.flush()) out.push_back(*done);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].time, kDay);
    EXPECT_DOUBLE_EQ(out[0].x, 5.0);
    EXPECT_DOUBLE_EQ(out[0].f, std::sqrt(50.0));  // the vector total without a scalar one
    EXPECT_EQ(out[1].time, kDay + 1);
    EXPECT_DOUBLE_EQ(out[1].x, 30.0);
    EXPECT_EQ(out[2].time, kDay + 3);
    EXPECT_EQ(means.leftOut(), 2u);
    EXPECT_DOUBLE_EQ(out[2].x, 40.0);
}

}  // namespace
