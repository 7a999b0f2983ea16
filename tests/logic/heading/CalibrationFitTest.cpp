#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "heading/HeadingMath.h"
#include "heading/calibration/CalibrationFit.h"

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

TEST(CalibrationFit, RefusesOrFallsBackOnDataThatCannotCarryAFit) {
    std::mt19937 rng(3);
    const Sensor sensor{{20, -10, 5}};
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
    const auto strong = tumbled(sensor, 140, 400, rng);

    struct Case {
        const char* name;
        std::vector<Vector3> samples;
        bool accepted;
        FitKind kind;
        const char* reason;
    };
    const Case cases[] = {
        {"flat turn", flat, false, {}, "turned only in one plane"},
        {"tilt about one axis", tilted, false, {}, "turned only in one plane"},
        {"20 samples", tumbled(sensor, 48, 20, rng), false, {}, "only 20 usable samples"},
        {"all equal", std::vector<Vector3>(300, Vector3{12, -3, 40}), false, {}, "hardly changed"},
        {"quarter sphere", quarter, true, FitKind::Sphere, ""},
        {"NaNs mixed in", withNaN, true, FitKind::Ellipsoid, ""},
        {"a magnet passing", magnet, false, {}, "a magnet moved nearby"},
        {"140 µT", strong, false, {}, "not the Earth's"},
    };
    for (const Case& c : cases) {
        const auto fit = fitCalibration(c.samples, std::nullopt);
        EXPECT_EQ(fit.accepted(), c.accepted) << c.name << ": " << fit.refusal;
        if (c.accepted && fit.accepted()) {
            EXPECT_EQ(fit.quality.kind, c.kind) << c.name;
            EXPECT_NEAR(fit.calibration->offset.x, 20, 1.0) << c.name;
        } else {
            EXPECT_NE(fit.refusal.find(c.reason), std::string::npos)
                << c.name << ": " << fit.refusal;
        }
    }
}

}  // namespace
