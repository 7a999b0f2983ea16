#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "MeterFixture.h"

namespace fluxprobe_test {
namespace {

using platform::AffineTransform;
using platform::Point;

constexpr double kPi = 3.141592653589793;

bool sameBits(const AffineTransform& a, const AffineTransform& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The dial in the meter's interface starts with its centre at (160, 200), frame 110..210 x
// 150..250.
class DialTest : public MeterTest {
  protected:
    void SetUp() override {
        MeterTest::SetUp();
        launch();
        dial = meter->fluxprobeview();
    }
    void began(std::vector<Point> points) { platform.touchesBegan(*meter, points); }
    void moved(std::vector<Point> points) { platform.touchesMoved(*meter, points); }
    std::shared_ptr<platform::View> dial;
};

TEST_F(DialTest, TouchDownRecordsTheFirstTwoTouches) {
    began({{10, 20}});
    EXPECT_EQ(meter->touch1(), (Point{10, 20}));
    EXPECT_EQ(meter->touch2(), (Point{0, 0}));
    began({{1, 2}, {3, 4}, {5, 6}});
    EXPECT_EQ(meter->touch1(), (Point{1, 2}));
    EXPECT_EQ(meter->touch2(), (Point{3, 4}));
    began({});
    EXPECT_EQ(meter->touch1(), (Point{1, 2}));
    EXPECT_EQ(meter->touch2(), (Point{3, 4}));
    EXPECT_EQ(dial->center(), (Point{160, 200}));
    EXPECT_TRUE(dial->transform().isIdentity());
}

TEST_F(DialTest, OneFingerDragPutsTheCentreUnderTheTouchOnlyWhileOnTheDial) {
    moved({{170, 190}});
    EXPECT_EQ(dial->center(), (Point{170, 190}));
    EXPECT_TRUE(dial->transform().isIdentity());
    moved({{300, 400}});  // jumped off the dial: it stays behind
    EXPECT_EQ(dial->center(), (Point{170, 190}));
    moved({{215, 235}});  // back inside the frame where the dial was left
    EXPECT_EQ(dial->center(), (Point{215, 235}));
    EXPECT_EQ(meter->touch1(), (Point{0, 0}));  // a drag records nothing
    EXPECT_EQ(meter->touch2(), (Point{0, 0}));
}

TEST_F(DialTest, TwoFingerGateOpensFromEitherOfTheFirstTwoTouches) {
    struct Case {
        std::vector<Point> touches;
        bool turns;
    };
    const Case cases[] = {
        {{{0, 0}, {400, 400}}, false},
        {{{0, 0}, {400, 400}, {160, 200}}, false},  // a third touch on the dial does not count
        {{{160, 200}, {400, 400}}, true},
        {{{0, 0}, {160, 260}}, false},  // just below the frame's bottom edge
        {{{0, 0}, {160, 249}}, true},
    };
    for (const Case& c : cases) {
        dial->setTransform(AffineTransform::identity());
        began({{1, 1}, {300, 200}});  // touch2 straight right of the centre
        moved(c.touches);
        EXPECT_EQ(!dial->transform().isIdentity(), c.turns) << c.touches[1].x;
        EXPECT_EQ(meter->touch2(), (c.turns ? c.touches[1] : Point{300, 200}));
    }
}

TEST_F(DialTest, QuarterTurnAboutTheCentre) {
    dial->setCenter({100, 100});
    began({{100, 100}, {200, 100}});
    moved({{100, 100}, {100, 200}});
    EXPECT_TRUE(sameBits(dial->transform(), platform::makeRotation(1.5707964f)));
    EXPECT_EQ(meter->touch1(), (Point{100, 100}));
    EXPECT_EQ(meter->touch2(), (Point{100, 200}));
    // The turn adds to the turn the dial already has.
    moved({{100, 100}, {0, 200}});
    const AffineTransform expected = platform::rotate(platform::makeRotation(1.5707964f),
                                                      static_cast<float>((45.0 * kPi) / 180.0));
    EXPECT_TRUE(sameBits(dial->transform(), expected));
}

TEST_F(DialTest, AnglesAreMeasuredFromTheRecordedSecondTouch) {
    struct Case {
        Point recorded, now;
        float expectedDelta;
    };
    const double r179 = 179.0 * kPi / 180.0;
    const Point at179{static_cast<float>(100 + 50 * std::cos(r179)),
                      static_cast<float>(100 + 50 * std::sin(r179))};
    const Point atMinus179{at179.x, 200 - at179.y};
    const auto angle = [](Point p) {
        return static_cast<float>(
            (std::atan2(static_cast<double>(p.y - 100.0f), static_cast<double>(p.x - 100.0f)) *
             180.0) /
            kPi);
    };
    const Case cases[] = {
        {{0, 0}, {200, 100}, 135.0f},     // touch2 never recorded: previous angle -135
        {{100, 100}, {100, 150}, 90.0f},  // recorded at the centre: angle 0
        {{200, 100}, {100, 100}, -0.0f},  // now at the centre: angle 0
        {at179, atMinus179, angle(atMinus179) - angle(at179)},  // about -358, not wrapped
    };
    for (const Case& c : cases) {
        dial->setTransform(AffineTransform::identity());
        dial->setCenter({100, 100});
        began({{100, 100}, c.recorded});
        if (c.recorded == (Point{0, 0})) began({{100, 100}});  // touch-down with one finger only
        moved({{100, 100}, c.now});
        const float rho = static_cast<float>((static_cast<double>(c.expectedDelta) * kPi) / 180.0);
        EXPECT_TRUE(sameBits(dial->transform(), platform::rotate(AffineTransform::identity(), rho)))
            << c.now.x << "," << c.now.y;
    }
    EXPECT_NEAR(angle(atMinus179) - angle(at179), -358.0f, 1e-3);
    // A -358 degree turn leaves the dial as a 2 degree turn would.
    const AffineTransform two = platform::makeRotation(static_cast<float>(2.0 * kPi / 180.0));
    EXPECT_NEAR(dial->transform().a, two.a, 1e-5);
    EXPECT_NEAR(dial->transform().b, two.b, 1e-5);
}

TEST_F(DialTest, MovesWithNoTouchesChangeNothing) {
    began({{5, 5}, {6, 6}});
    moved({});
    EXPECT_EQ(dial->center(), (Point{160, 200}));
    EXPECT_TRUE(dial->transform().isIdentity());
    EXPECT_EQ(meter->touch2(), (Point{6, 6}));
}

TEST_F(DialTest, TheGateUsesTheFrameOfTheTurnedDial) {
    // A long thin dial turned a quarter: its frame becomes tall and narrow.
    dial->setFrame(platform::makeRect(60, 190, 200, 20));  // centre (160, 200)
    dial->setTransform(platform::makeRotation(1.5707964f));
    began({{1, 1}, {300, 200}});
    moved({{0, 0}, {250, 200}});  // inside the unturned bounds, outside the turned frame
    EXPECT_EQ(meter->touch2(), (Point{300, 200}));
    moved({{0, 0}, {160, 290}});  // inside the turned frame
    EXPECT_EQ(meter->touch2(), (Point{160, 290}));
}

}  // namespace
}  // namespace fluxprobe_test
