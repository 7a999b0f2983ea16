#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

#include "platform/Format.h"

namespace {

std::string printfOf(const char* fmt, double v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// The readouts must read exactly as C's printf writes them, signs and ties included.
TEST(Format, MatchesPrintfForTheReadoutFormats) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {0.0,           -0.0,   -0.04,        0.05,   0.25,   0.35,
                             2.5,           -2.5,   12.34,        12.345, 359.96, 1e300,
                             -1e300,        1e-300, 100.09999847, inf,    -inf,   std::nan(""),
                             -std::nan(""), 4.35,   0.125,        1e21};
    for (const char* fmt : {"%.1f", "%.2f", "X \u00b5T:%.1f", "%.1f\u00b0", "%.0f"})
        for (double v : values) EXPECT_EQ(platform::format(fmt, v), printfOf(fmt, v)) << fmt;

    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    for (int i = 0; i < 20000; ++i) {
        const double v = wide(random) / ((i % 4) + 1) / (i % 2 ? 1000.0 : 1.0);
        ASSERT_EQ(platform::format("%.1f", v), printfOf("%.1f", v)) << v;
        ASSERT_EQ(platform::format("%.2f", v), printfOf("%.2f", v)) << v;
    }
    // Values on and next to decimal ties, where a careless rounding shows.
    for (int k = -20000; k <= 20000; ++k) {
        for (double v : {k / 20.0, k / 200.0, std::nextafter(k / 20.0, 1e9),
                         std::nextafter(k / 20.0, -1e9), k * 0.05, k * 0.005 + 1e6}) {
            ASSERT_EQ(platform::format("%.1f", v), printfOf("%.1f", v)) << v;
            ASSERT_EQ(platform::format("%.2f", v), printfOf("%.2f", v)) << v;
        }
    }
}

TEST(Format, OtherFormatsGoThroughPrintf) {
    EXPECT_EQ(platform::format("Y \u00b5T:%s", "4.0"), "Y \u00b5T:4.0");
    EXPECT_EQ(platform::format("%d%%", 42), "42%");
    EXPECT_EQ(platform::format("%5.1f|%s", 3.14159, "x"), "  3.1|x");
    const std::string longText(300, 'a');
    EXPECT_EQ(platform::format("<%s>", longText.c_str()), "<" + longText + ">");
    EXPECT_EQ(platform::format("%.1f", 1e300).size(), 303u);
}

}  // namespace
