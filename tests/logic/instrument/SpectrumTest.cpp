#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

#include "heading/simulated/SimulatedField.h"
#include "heading/simulated/SimulatedSource.h"
#include "instrument/SampleWindow.h"
#include "instrument/Spectrum.h"
#include "instrument/SpectrumAnalyser.h"

namespace {

using instrument::SampleWindow;
using instrument::Spectrum;
using instrument::SpectrumAnalyser;
using instrument::TimedSample;
using Status = Spectrum::Status;

constexpr double kTau = 2.0 * std::numbers::pi;

// count samples at rate of field(t) on a steady Earth-like field, timed n / rate.
void fill(SampleWindow& window, double rate, std::size_t count,
          const std::function<TimedSample(double)>& field) {
    for (std::size_t n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) / rate;
        TimedSample s = field(t);
        s.t = t;
        s.x += 20.0;
        s.y -= 44.0;
        s.z += 30.0;
        window.add(s);
    }
}

// A sine of amplitude (peak, µT) at hz on one axis (0 x, 1 y, 2 z).
std::function<TimedSample(double)> tone(double hz, double amplitude, int axis) {
    return [=](double t) {
        TimedSample s;
        const double v = amplitude * std::sin(kTau * hz * t + 0.3);
        (axis == 0 ? s.x : axis == 1 ? s.y : s.z) = v;
        return s;
    };
}

TEST(Spectrum, FindsAPureTonesRmsAndFrequency) {
    struct Case {
        double rate, hz, amplitude;
        int axis;
        std::size_t size;
    };
    const Case cases[] = {
        {20, 7.3, 1.0, 0, 32},        {50, 12.3, 2.0, 1, 64},          {120, 50.0, 2.093, 2, 128},
        {1000, 50.0, 2.093, 0, 1024}, {1000, 60.0, 0.05, 2, 1024},     {1000, 437.7, 10.0, 1, 1024},
        {4000, 1234.5, 3.0, 1, 4096}, {10000, 2000.0, 800.0, 0, 4096}, {997, 149.9, 0.02, 0, 1024},
        {64, 10.0, 1.0, 0, 64},  // a rate that is a power of two is a window of its own size
        {1024, 50.0, 1.0, 1, 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hz << " Hz at " << c.rate << " samples/s");
        SampleWindow window;
        fill(window, c.rate, 5000, tone(c.hz, c.amplitude, c.axis));
        SpectrumAnalyser analyser;
        const Spectrum& s = analyser.analyse(window);
        ASSERT_EQ(s.status, Status::Ready);
        EXPECT_NEAR(s.rate, c.rate, c.rate * 1e-9);
        EXPECT_EQ(s.size, c.size);
        ASSERT_EQ(s.hz.size(), c.size / 2 + 1);
        EXPECT_NEAR(s.hz.back(), c.rate / 2, 1e-9 * c.rate);
        const double rms = c.amplitude / std::sqrt(2.0);
        EXPECT_NEAR(s.acRms, rms, 0.01 * rms);
        ASSERT_TRUE(s.dominantHz);
        EXPECT_NEAR(*s.dominantHz, c.hz, 0.5 * c.rate / static_cast<double>(c.size));
        // The bins are the tone's RMS too: on its own axis, none on the others.
        double own = 0.0, others = 0.0;
        for (std::size_t k = 0; k < s.hz.size(); ++k)
            for (int a = 0; a < 3; ++a) (a == c.axis ? own : others) += s.axes[a][k] * s.axes[a][k];
        EXPECT_NEAR(std::sqrt(own), rms, 0.01 * rms);
        EXPECT_LT(std::sqrt(others), 1e-9 * c.amplitude + 1e-12);
    }
}

TEST(Spectrum, AddsTwoTonesAndNamesTheStronger) {
    struct Case {
        double hzA, ampA, hzB, ampB, dominant;
    };
    const Case cases[] = {
        {50.0, 1.0, 150.0, 0.5, 50.0},
        {60.0, 0.3, 180.0, 0.9, 180.0},
        {50.0, 2.0, 60.0, 1.0, 50.0},  // a few bins apart
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hzA << " Hz and " << c.hzB << " Hz");
        SampleWindow window;
        auto a = tone(c.hzA, c.ampA, 0), b = tone(c.hzB, c.ampB, 1);
        fill(window, 1000, 2000, [&](double t) {
            TimedSample s = a(t);
            s.y = b(t).y;
            return s;
        });
        SpectrumAnalyser analyser;
        const Spectrum& s = analyser.analyse(window);
        ASSERT_EQ(s.status, Status::Ready);
        const double rms = std::sqrt((c.ampA * c.ampA + c.ampB * c.ampB) / 2.0);
        EXPECT_NEAR(s.acRms, rms, 0.01 * rms);
        ASSERT_TRUE(s.dominantHz);
        EXPECT_NEAR(*s.dominantHz, c.dominant, 0.5 * 1000.0 / 1024.0);
    }
}

TEST(Spectrum, CountsTheBandFromItsLowEdgeToTheNyquistBinOnce) {
    struct Case {
        const char* what;
        double rate, hz;
        bool inBand;
    };
    const Case cases[] = {
        {"a tone at half of 50 a second", 50, 25, true},
        {"a tone at half of 1000 a second", 1000, 500, true},
        {"a tone on the last bin under 5 Hz", 1000, 5 * 1000 / 1024.0, false},
        {"a tone on the last bin under 5 Hz at 50 a second", 50, 6 * 50 / 64.0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SampleWindow window;
        // 1 µT rms: at half the rate a cosine's samples alternate between +1 and -1.
        const double amplitude = c.hz == c.rate / 2 ? 1.0 : std::sqrt(2.0);
        fill(window, c.rate, 2048, [&](double t) {
            return TimedSample{0.0, amplitude * std::cos(kTau * c.hz * t), 0.0, 0.0};
        });
        SpectrumAnalyser analyser;
        const Spectrum& s = analyser.analyse(window);
        ASSERT_EQ(s.status, Status::Ready);
        if (c.inBand) {
            EXPECT_NEAR(s.acRms, 1.0, 0.01);
            ASSERT_TRUE(s.dominantHz);
            EXPECT_NEAR(*s.dominantHz, c.hz, 0.1 * c.rate / static_cast<double>(s.size));
        } else {
            // Only the window's leakage into the first bin of the band is left.
            EXPECT_LT(s.acRms, 0.5);
            if (s.dominantHz) {
                EXPECT_GE(*s.dominantHz, SpectrumAnalyser::kLowEdgeHz);
            }
        }
    }
}

TEST(Spectrum, SeesNoAcInASteadyOrSlowlyDriftingField) {
    struct Case {
        double rate;
        double slope;   // µT a second on x
        double wander;  // µT of a 0.2 Hz swing on y
        double noise;   // µT, uniform half-width on every axis
    };
    const Case cases[] = {
        {50, 0.0, 0.0, 0.0},   {1000, 0.0, 0.0, 0.0}, {50, 0.5, 3.0, 0.0},
        {1000, 2.0, 5.0, 0.0}, {50, 0.5, 3.0, 0.05},  {1000, 2.0, 5.0, 0.05},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "drift " << c.slope << ", wander " << c.wander
                                        << ", noise " << c.noise << " at " << c.rate);
        std::uint32_t seed = 12345;
        auto noise = [&] {
            seed = seed * 1664525u + 1013904223u;
            return c.noise * (2.0 * (seed >> 8) / 16777216.0 - 1.0);
        };
        SampleWindow window;
        fill(window, c.rate, 3000, [&](double t) {
            return TimedSample{0.0, c.slope * t + noise(),
                               c.wander * std::sin(kTau * 0.2 * t) + noise(), noise()};
        });
        SpectrumAnalyser analyser;
        const Spectrum& s = analyser.analyse(window);
        ASSERT_EQ(s.status, Status::Ready);
        // Uniform noise of half-width a: a / sqrt(3) on each axis, a for the vector.
        EXPECT_LE(s.acRms, 1.1 * c.noise + 0.0005);
        if (c.noise == 0.0) {
            EXPECT_FALSE(s.dominantHz);
            EXPECT_EQ(instrument::summaryFields(s), "ac_rms=0.000 dominant_hz=none");
        }
    }
}

// The simulated field turns and has a magnet pass by, but carries no hum: no window of it, at
// any point of the pass, may name a frequency.
TEST(Spectrum, NamesNoHumInAFieldThatChangesOnlySlowly) {
    for (const double rate : {50.0, 200.0}) {
        SampleWindow window;
        SpectrumAnalyser analyser;
        analyser.setResolution(heading::SimulatedSource::kResolution);
        for (std::uint64_t n = 0; n < static_cast<std::uint64_t>(20 * rate); ++n) {
            const heading::Heading h = heading::SimulatedField::sample(n, rate, std::nullopt);
            window.add({static_cast<double>(n) / rate, h.x, h.y, h.z});
            if (n % 5 != 0) continue;
            const Spectrum& s = analyser.analyse(window);
            if (!s.ready()) continue;
            EXPECT_FALSE(s.dominantHz) << *s.dominantHz << " Hz at " << n / rate << " s, "
                                       << s.acRms << " µT rms, " << rate << " Hz";
            EXPECT_EQ(s.acRms, 0.0) << n / rate << " s";
        }
    }
    // A hum the source does resolve is named, however weak beside the field.
    const struct {
        double resolution, amplitude;
        bool named;
    } cases[] = {{0.1, 0.2, true}, {0.1, 0.05, false}, {0.01, 0.05, true}, {0.0, 0.002, true}};
    for (const auto& c : cases) {
        SampleWindow window;
        fill(window, 1000, 2000, tone(50.0, c.amplitude, 0));
        SpectrumAnalyser analyser;
        analyser.setResolution(c.resolution);
        EXPECT_EQ(analyser.analyse(window).dominantHz.has_value(), c.named)
            << c.amplitude << " µT against " << c.resolution;
    }
}

TEST(Spectrum, RefusesWindowsItCannotAnalyse) {
    struct Case {
        const char* what;
        double rate;
        std::size_t count;
        std::function<double(std::size_t)> time;  // of sample n
        Status status;
    };
    const auto even = [](double rate) {
        return [rate](std::size_t n) { return static_cast<double>(n) / rate; };
    };
    const Case cases[] = {
        {"no sample", 50, 0, even(50), Status::Collecting},
        {"one sample", 50, 1, even(50), Status::Collecting},
        {"under a second", 1000, 1000, even(1000), Status::Collecting},
        {"19.9 a second", 19.9, 200, even(19.9), Status::TooSlow},
        {"1 a second", 1, 200, even(1), Status::TooSlow},
        {"one interval 15% long", 100, 300,
         [](std::size_t n) { return n * 0.01 + (n >= 250 ? 0.0015 : 0.0); }, Status::Irregular},
        {"one sample missing", 100, 300,
         [](std::size_t n) { return (n + (n >= 280 ? 1 : 0)) * 0.01; }, Status::Irregular},
        {"jitter of 4% throughout", 100, 300,
         [](std::size_t n) { return n * 0.01 + (n % 2 ? 0.0004 : 0.0); }, Status::Ready},
        {"time standing still", 100, 300, [](std::size_t) { return 5.0; }, Status::Irregular},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SampleWindow window;
        for (std::size_t n = 0; n < c.count; ++n)
            window.add({c.time(n), std::sin(static_cast<double>(n)), 0.0, 0.0});
        SpectrumAnalyser analyser;
        const Spectrum& s = analyser.analyse(window);
        EXPECT_EQ(s.status, c.status);
        if (c.status == Status::Ready) continue;
        EXPECT_TRUE(s.hz.empty());
        EXPECT_FALSE(s.dominantHz);
        EXPECT_EQ(instrument::summaryFields(s), "ac_rms=none dominant_hz=none");
    }
    SampleWindow slow;
    fill(slow, 10, 100, tone(3, 1, 0));
    SpectrumAnalyser analyser;
    EXPECT_EQ(instrument::describe(analyser.analyse(slow).status),
              "AC needs at least 20 samples a second");
}

TEST(Spectrum, PrintsItsFiguresForTheSummary) {
    SampleWindow window;
    fill(window, 1000, 1024, tone(50, 1.48 * std::sqrt(2.0), 0));
    SpectrumAnalyser analyser;
    EXPECT_EQ(instrument::summaryFields(analyser.analyse(window)), "ac_rms=1.480 dominant_hz=50.0");
}

}  // namespace
