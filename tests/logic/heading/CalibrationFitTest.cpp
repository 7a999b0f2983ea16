#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "heading/HeadingMath.h"
#include "heading/calibration/CalibrationCollector.h"
#include "heading/calibration/CalibrationFit.h"
#include "heading/calibration/SampleThinner.h"

namespace {

using heading::Vector3;
using heading::calibration::fitCalibration;
using heading::calibration::FitKind;
using Matrix = std::array<double, 9>;

constexpr double kPi = std::numbers::pi;

Vector3 times(const Matrix& m, const Vector3& v) {
    return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
            m[6] * v.x + m[7] * v.y + m[8] * v.z};
}

double norm(const Vector3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// A sensor next to steel: raw = soft · field + offset + noise. soft = Q diag(e) Qᵀ, symmetric,
// Q a turn of angle about axis.
struct Sensor {
    Vector3 offset;
    Vector3 eigen{1, 1, 1};
    Vector3 axis{0, 0, 1};
    double angle = 0.0;
    double noise = 0.15;

    Matrix soft() const {
        const double n = norm(axis), x = axis.x / n, y = axis.y / n, z = axis.z / n;
        const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
        const Matrix q{t * x * x + c,     t * x * y - s * z, t * x * z + s * y,
                       t * x * y + s * z, t * y * y + c,     t * y * z - s * x,
                       t * x * z - s * y, t * y * z + s * x, t * z * z + c};
        const double e[3] = {eigen.x, eigen.y, eigen.z};
        Matrix m{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                for (int k = 0; k < 3; ++k) m[i * 3 + j] += q[i * 3 + k] * e[k] * q[j * 3 + k];
        return m;
    }

    Vector3 read(const Vector3& field, std::mt19937& rng) const {
        std::normal_distribution<double> jitter(0.0, noise);
        const Vector3 s = times(soft(), field);
        return {s.x + offset.x + jitter(rng), s.y + offset.y + jitter(rng),
                s.z + offset.z + jitter(rng)};
    }
};

// n readings of a field of strength earth, the device in random orientations over the sphere.
std::vector<Vector3> tumbled(const Sensor& sensor, double earth, int n, std::mt19937& rng) {
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<Vector3> out;
    for (int i = 0; i < n; ++i) {
        Vector3 d{g(rng), g(rng), g(rng)};
        const double len = norm(d);
        out.push_back(sensor.read({earth * d.x / len, earth * d.y / len, earth * d.z / len}, rng));
    }
    return out;
}

// The field seen by a device lying flat with its top edge at heading degrees.
Vector3 flatField(double earth, double inclination, double heading) {
    const double h = earth * std::cos(inclination * kPi / 180);
    const double a = heading * kPi / 180;
    return {-h * std::sin(a), h * std::cos(a), -earth * std::sin(inclination * kPi / 180)};
}

double angleBetween(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

TEST(CalibrationFit, CorrectsSensorsNextToSteelToTheTrueFieldAndHeading) {
    struct Case {
        double earth, inclination;
        Sensor sensor;
    };
    const Case cases[] = {
        {48, 60, {{40, -60, 25}, {0.85, 1.0, 1.15}, {1, 2, 3}, 0.7}},
        {30, 20, {{-80, 80, -80}, {1.15, 0.9, 1.0}, {0, 1, 0}, 0.4}},
        {60, 70, {{5, 0, 70}, {0.9, 1.1, 0.95}, {3, -1, 1}, 1.9}},
        {45, -40, {{-30, -15, 0}, {1.0, 1.0, 1.0}, {0, 0, 1}, 0.0}},  // hard iron only
    };
    std::mt19937 rng(14);
    for (const Case& c : cases) {
        const auto fit = fitCalibration(tumbled(c.sensor, c.earth, 400, rng), c.earth);
        ASSERT_TRUE(fit.accepted()) << c.earth << " µT: " << fit.refusal;
        EXPECT_EQ(fit.quality.kind, FitKind::Ellipsoid);
        const auto& cal = *fit.calibration;

        double magnitudeSq = 0;
        const auto check = tumbled(c.sensor, c.earth, 400, rng);
        for (const Vector3& raw : check) {
            const double e = (norm(cal.correct(raw)) - c.earth) / c.earth;
            magnitudeSq += e * e;
        }
        EXPECT_LT(std::sqrt(magnitudeSq / 400), 0.01) << c.earth << " µT";

        double before = 0, after = 0, worst = 0;
        for (int deg = 0; deg < 360; ++deg) {
            const Vector3 raw = c.sensor.read(flatField(c.earth, c.inclination, deg), rng);
            const Vector3 fixed = cal.correct(raw);
            const double off =
                angleBetween(heading::magneticHeadingFromAxes(fixed.x, fixed.y), deg);
            const double raw0 = angleBetween(heading::magneticHeadingFromAxes(raw.x, raw.y), deg);
            after += off * off;
            before += raw0 * raw0;
            worst = std::max(worst, off);
        }
        const double rmsAfter = std::sqrt(after / 360), rmsBefore = std::sqrt(before / 360);
        EXPECT_LT(rmsAfter, 1.0) << "heading RMS " << rmsBefore << "° uncorrected, " << rmsAfter
                                 << "° corrected (" << c.earth << " µT)";
        EXPECT_LT(worst, 3.0) << "worst heading error " << worst << "°";
        std::printf(
            "  %g µT at %g°: heading RMS %.1f° uncorrected, %.2f° corrected (worst %.2f°)\n",
            c.earth, c.inclination, rmsBefore, rmsAfter, worst);
    }
}

TEST(CalibrationFit, WithoutAReferenceKeepsTheEllipsoidsMeanRadius) {
    std::mt19937 rng(7);
    const Sensor sensor{{10, 20, 30}, {0.9, 1.0, 1.1}, {1, 0, 0}, 0.3};
    const auto fit = fitCalibration(tumbled(sensor, 50, 400, rng));
    ASSERT_TRUE(fit.accepted()) << fit.refusal;
    EXPECT_NEAR(fit.quality.radius, 50 * std::cbrt(0.9 * 1.0 * 1.1), 0.2);
    EXPECT_NEAR(fit.calibration->offset.z, 30, 0.2);
}

// The field seen by a device turned round once in a plane, wobbling out of it by wobble (a share
// of the field): the readings' thinnest spread is wobble times their widest.
std::vector<Vector3> wobblingTurn(const Sensor& sensor, double wobble, std::mt19937& rng) {
    std::vector<Vector3> out;
    for (int i = 0; i < 400; ++i) {
        const double a = i * 2 * kPi / 400;
        out.push_back(
            sensor.read({48 * std::cos(a), 48 * std::sin(a), 48 * wobble * std::sin(5 * a)}, rng));
    }
    return out;
}

// Readings only from directions within a cone around +z: the device never turned over.
std::vector<Vector3> oneSided(const Sensor& sensor, double minZ, int n, std::mt19937& rng) {
    const Sensor ideal{{0, 0, 0}, {1, 1, 1}, {0, 0, 1}, 0.0, 0.0};
    std::vector<Vector3> out;
    while (static_cast<int>(out.size()) < n)
        for (Vector3 v : tumbled(ideal, 48, 1, rng))
            if (v.z >= minZ * 48) out.push_back(sensor.read(v, rng));
    return out;
}

TEST(CalibrationFit, RefusesOrFallsBackOnDataThatCannotCarryAFit) {
    std::mt19937 rng(3);
    const Sensor sensor{{20, -10, 5}};
    const Sensor steel{{20, -10, 5}, {0.92, 1.0, 1.08}};
    auto turn = [&](auto field) {
        std::vector<Vector3> out;
        for (int i = 0; i < 400; ++i) out.push_back(sensor.read(field(i * 360.0 / 400), rng));
        return out;
    };
    const auto flat = turn([](double a) { return flatField(48, 60, a); });
    // Turned about the device's x axis only: the field sweeps the y-z plane.
    const auto tilted = turn([](double a) {
        return Vector3{20, 44 * std::cos(a * kPi / 180), 44 * std::sin(a * kPi / 180)};
    });
    // A quarter of the sphere: the screen never faced down, the top edge never north.
    std::vector<Vector3> quarter;
    for (Vector3 v : tumbled(Sensor{{0, 0, 0}, {1, 1, 1}, {0, 0, 1}, 0.0, 0.0}, 48, 1600, rng))
        if (v.z > 0 && v.y > 0) quarter.push_back(sensor.read(v, rng));
    auto withNaN = tumbled(sensor, 48, 400, rng);
    for (int i = 0; i < 40; ++i) withNaN.insert(withNaN.begin() + i * 10, {NAN, 1, INFINITY});
    // A magnet brought up to the device while it turned.
    auto magnet = tumbled(sensor, 48, 400, rng);
    for (int i = 150; i < 250; ++i) magnet[i].x += 25.0 * std::sin((i - 150) * kPi / 100);
    auto huge = tumbled(sensor, 48, 400, rng);
    for (Vector3& v : huge) v = {v.x * 1e198, v.y * 1e198, v.z * 1e198};

    struct Case {
        const char* name;
        std::vector<Vector3> samples;
        bool accepted;
        FitKind kind;
        const char* reason;  // of the refusal, or the advice given with a sphere fit
        std::optional<double> reference = std::nullopt;
    };
    const Case cases[] = {
        {"flat turn", flat, false, {}, "turned only in one plane"},
        {"tilt about one axis", tilted, false, {}, "turned only in one plane"},
        // The plane's threshold, from both sides: a wobble of 9% is a plane, 11% is not.
        {"wobbling 9%", wobblingTurn(sensor, 0.09, rng), false, {}, "turned only in one plane"},
        {"wobbling 11%", wobblingTurn(sensor, 0.11, rng), false, {}, "only 8 of 26 directions"},
        {"20 samples", tumbled(sensor, 48, 20, rng), false, {}, "only 20 usable samples"},
        {"99 samples", tumbled(sensor, 48, 99, rng), false, {}, "only 99 usable samples"},
        {"100 samples", tumbled(sensor, 48, 100, rng), true, FitKind::Ellipsoid, ""},
        {"all equal", std::vector<Vector3>(300, Vector3{12, -3, 40}), false, {}, "hardly changed"},
        {"1e200 µT", huge, false, {}, "not a magnetic field in µT"},
        {"quarter sphere", quarter, true, FitKind::Sphere, ""},
        // Within 26° of one direction: the face and edge bins around it, 5 of 26.
        {"one cap",
         oneSided(Sensor{{20, -10, 5}, {1, 1, 1}, {0, 0, 1}, 0, 0.02}, 0.9, 400, rng),
         false,
         {},
         "the field was seen in only 5 of 26 directions (19%)"},
        {"never turned over", oneSided(sensor, 0.2, 600, rng), true, FitKind::Sphere,
         "never seen from the device's back: turn it so that its back faces where its front did"},
        {"never turned over, next to steel",
         oneSided(steel, 0.2, 600, rng),
         false,
         {},
         "never seen from the device's back"},
        {"a cap next to steel",
         oneSided(steel, 0.6, 400, rng),
         false,
         {},
         "never seen from the device's back"},
        {"NaNs mixed in", withNaN, true, FitKind::Ellipsoid, ""},
        {"a magnet passing", magnet, false, {}, "a magnet moved nearby"},
        {"140 µT", tumbled(sensor, 140, 400, rng), false, {}, "not the Earth's"},
        {"squashed 3.2 times",
         tumbled(Sensor{{20, -10, 5}, {0.5, 1.0, 1.6}, {1, 2, 3}, 0.7}, 48, 400, rng),
         false,
         {},
         "squashed 3.2 times"},
        // The field model's total where the device is, against the fit's: 15% apart at most.
        {"56 µT where 47 are",
         tumbled(sensor, 56, 400, rng),
         false,
         {},
         "the field here should be about 47 µT; the fit found 56 µT: turn the device away from "
         "steel and try again",
         47.0},
        {"53.5 µT where 47 are", tumbled(sensor, 53.5, 400, rng), true, FitKind::Ellipsoid, "",
         47.0},
    };
    for (const Case& c : cases) {
        const auto fit = fitCalibration(c.samples, c.reference);
        EXPECT_EQ(fit.accepted(), c.accepted) << c.name << ": " << fit.refusal;
        if (c.accepted && fit.accepted()) {
            EXPECT_EQ(fit.quality.kind, c.kind) << c.name;
            EXPECT_NEAR(fit.calibration->offset.x, 20, 1.0) << c.name;
            EXPECT_NE(fit.advice.find(c.reason), std::string::npos) << c.name << ": " << fit.advice;
        } else {
            EXPECT_NE(fit.refusal.find(c.reason), std::string::npos)
                << c.name << ": " << fit.refusal;
        }
    }
}

// A sphere fitted to one side of a sensor next to steel fits that side well and lies several
// µT off: whatever the seed, it is refused, while the same sides without steel still give an
// offset.
TEST(CalibrationFit, RefusesEveryOneSidedFitOfASensorNextToSteel) {
    struct Case {
        double soft;  // the soft iron's stretch along one axis, and squeeze along another
        double minZ;  // how far the device's back stayed from the field
    };
    const Case cases[] = {{0.0, 0.2},  {0.0, 0.6},  {0.04, 0.2}, {0.04, 0.4}, {0.04, 0.6},
                          {0.06, 0.6}, {0.08, 0.2}, {0.08, 0.4}, {0.08, 0.6}, {0.10, 0.6}};
    for (const Case& c : cases)
        for (unsigned seed = 1; seed <= 12; ++seed) {
            std::mt19937 rng(seed);
            const Sensor sensor{{20, -10, 5}, {1 - c.soft, 1.0, 1 + c.soft}, {1, 2, 3}, 0.7 * seed};
            const auto fit = fitCalibration(oneSided(sensor, c.minZ, 600, rng));
            const std::string name = "soft iron " + std::to_string(c.soft) + ", z ≥ " +
                                     std::to_string(c.minZ) + ", seed " + std::to_string(seed);
            if (c.soft == 0.0) {
                ASSERT_TRUE(fit.accepted()) << name << ": " << fit.refusal;
                EXPECT_NEAR(fit.calibration->offset.z, 5, 0.5) << name;
            } else {
                EXPECT_FALSE(fit.accepted()) << name << ": offset z " << fit.calibration->offset.z;
                EXPECT_NE(fit.refusal.find("never seen from the device's back"), std::string::npos)
                    << name << ": " << fit.refusal;
            }
        }
}

TEST(CalibrationFit, ACollectorKeepsOnlyReadingsThatMoved) {
    heading::calibration::CalibrationCollector collector;
    // 0.6 µT from the last one kept is a move; 0.4 µT (1.6 after 1.2) is not.
    for (double x : {0.0, 0.6, 1.2, 1.6, 2.0})
        collector.add(heading::Heading::of(x, 20, -44, 0, -1));
    EXPECT_EQ(collector.kept(), 4u);
}

TEST(CalibrationFit, ThinsALongRecordingToABoundedShareSpreadOverItsDirections) {
    std::mt19937 rng(11);
    heading::calibration::SampleThinner thinner;
    const Sensor sensor{{40, -60, 25}, {0.9, 1.0, 1.1}, {1, 0, 0}, 0.3};
    // Hours lying still, then one turn through every direction.
    for (int i = 0; i < 1'000'000; ++i) thinner.add(sensor.read({0, 20, -44}, rng));
    for (const Vector3& v : tumbled(sensor, 48, 3000, rng)) thinner.add(v);
    const auto kept = thinner.samples();
    EXPECT_LE(kept.size(), heading::calibration::SampleThinner::kCapacity);
    const auto fit = fitCalibration(kept);
    ASSERT_TRUE(fit.accepted()) << fit.refusal;
    EXPECT_EQ(fit.quality.kind, FitKind::Ellipsoid);
    EXPECT_NEAR(fit.calibration->offset.z, 25, 0.5);
}

}  // namespace
