#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "CompassFixture.h"

namespace fluxprobe_test {
namespace {

using compass::CompassViewController;
using platform::ViewChange;

TEST_F(CompassTest, EachReadingWritesPointHeadingAndAxes) {
    launch();
    auto screen = openCompass();
    struct Case {
        double x, y, z, magnetic;
        const char *point, *hd, *xText, *yText, *zText;
    };
    const Case cases[] = {
        {1, 2, 3, 12.34, "N", "12.3\u00b0", "1.0", "2.0", "3.0"},
        {-12.345, 0, -0.04, 90.0, "E", "90.0\u00b0", "-12.3", "0.0", "-0.0"},
        {0.05, 0.25, 1e6, 359.96, "N", "360.0\u00b0", "0.1", "0.2", "1000000.0"},
        {0, 0, 0, -1.0, "N", "-1.0\u00b0", "0.0", "0.0", "0.0"},
        {0, 0, 0, 250.0, "W", "250.0\u00b0", "0.0", "0.0", "0.0"},
        {0, 0, 0, 247.0, "SW", "247.0\u00b0", "0.0", "0.0", "0.0"},
    };
    for (const Case& c : cases) {
        platform.deliverHeading(c.x, c.y, c.z, c.magnetic);
        EXPECT_EQ(screen->magnitudeLabel()->text(), c.point) << c.magnetic;
        EXPECT_EQ(screen->hd()->text(), c.hd) << c.magnetic;
        EXPECT_EQ(screen->xLabel()->text(), c.xText) << c.magnetic;
        EXPECT_EQ(screen->yLabel()->text(), c.yText) << c.magnetic;
        EXPECT_EQ(screen->zLabel()->text(), c.zText) << c.magnetic;
    }
}

TEST_F(CompassTest, KeepsTheTotalFieldOfTheLatestReading) {
    launch();
    auto screen = openCompass();
    platform.deliverHeading(3, 4, 12);
    EXPECT_EQ(screen->magnitude(), 13.0f);
    EXPECT_EQ(screen->heading()->z, 12.0);
    EXPECT_EQ(screen->trueHeading(), 0.0);
}

TEST_F(CompassTest, AHeadingThatIsNotANumberKeepsThePointAndTheDial) {
    launch();
    auto screen = openCompass();
    platform.deliverHeading(0, 0, 0, std::nan(""));
    EXPECT_EQ(screen->magnitudeLabel()->text(), "--");  // still the interface text
    EXPECT_TRUE(dial().isIdentity());
    platform.deliverHeading(0, 0, 0, 90.0);
    const platform::AffineTransform turned = dial();
    platform.deliverHeading(0, 0, 0, std::nan(""));
    EXPECT_EQ(screen->magnitudeLabel()->text(), "E");
    EXPECT_EQ(dial(), turned);
    for (double bad : {HUGE_VAL, -HUGE_VAL, 1e300}) {
        platform.deliverHeading(0, 0, 0, bad);
        EXPECT_EQ(dial(), turned) << bad;
    }
    EXPECT_EQ(screen->hd()->text(), "inf°");  // 1e300 narrows to infinity
}

TEST_F(CompassTest, TrueNorthDrivesPointLabelAndDialButNeverTheGraph) {
    launch();
    auto screen = openCompass();
    compass::sw = 1;
    platform.deliverHeading(0, 0, 0, 270.0, 90.0);
    EXPECT_EQ(compass::val, 90.0f);
    EXPECT_EQ(screen->magnitudeLabel()->text(), "E");
    EXPECT_EQ(screen->hd()->text(), "90.0\u00b0");
    EXPECT_EQ(dial(), platform::makeRotation(1.5707963705062866f));

    platform.deliverHeading(0, 0, 0, 270.0, 280.0);
    EXPECT_EQ(screen->hd()->text(), "280.0\u00b0");
    // A live sensor that does not know where it is reports -1 for the true heading: unknown,
    // so no heading, no compass point, and the dial stays at the last true heading.
    const platform::AffineTransform turned = dial();
    platform.deliverHeading(0, 0, 0, 270.0, -1.0);
    EXPECT_EQ(compass::val, -1.0f);
    EXPECT_EQ(screen->hd()->text(), "--.-\u00b0");
    EXPECT_EQ(screen->magnitudeLabel()->text(), "");
    EXPECT_EQ(dial(), turned);
    // Magnetic north still shows a negative magnetic heading as it is.
    compass::sw = 0;
    platform.deliverHeading(0, 0, 0, -1.0, -1.0);
    EXPECT_EQ(screen->hd()->text(), "-1.0\u00b0");
    EXPECT_EQ(screen->magnitudeLabel()->text(), "N");

    const graph::GraphView& g = *screen->graphView();
    ASSERT_EQ(g.nextIndex(), 4u);
    for (std::uint32_t row = 0; row < 3; ++row)
        for (std::uint32_t axis = 0; axis < 3; ++axis) EXPECT_EQ(g.history(row, axis), 67.5);
}

TEST_F(CompassTest, GraphGetsTheMagneticHeadingNarrowedThenQuartered) {
    launch();
    auto screen = openCompass();
    const double magnetic = 0.1;  // 0.1f / 4.0f differs from 0.1 / 4.0
    platform.deliverHeading(0, 0, 0, magnetic);
    const double expected = static_cast<double>(static_cast<float>(magnetic) / 4.0f);
    ASSERT_NE(expected, magnetic / 4.0);
    for (std::uint32_t axis = 0; axis < 3; ++axis)
        EXPECT_EQ(screen->graphView()->history(0, axis), expected);
}

TEST_F(CompassTest, DialTurnsClockwiseByTheHeading) {
    launch();
    openCompass();
    struct Case {
        double heading;
        float angle;
    };
    const Case cases[] = {
        {90.0, 1.5707963705062866f},
        {180.0, 3.1415927410125732f},
        {45.0, 0.78539818525314331f},
        {-1.0, -0.017453292519943295f},
    };
    for (const Case& c : cases) {
        platform.deliverHeading(0, 0, 0, c.heading);
        EXPECT_EQ(dial(), platform::makeRotation(c.angle)) << c.heading;
    }
    platform.deliverHeading(0, 0, 0, 0.0);
    EXPECT_TRUE(dial().isIdentity());
}

TEST_F(CompassTest, EveryReadingEmptiesExactlyTheMarkerLabelsFirstAndInOrder) {
    launch();
    auto screen = openCompass();
    EXPECT_EQ(screen->n1()->text(), "n");
    EXPECT_EQ(screen->p24()->text(), "tick");

    const std::set<std::string> markers(CompassViewController::kMarkerNames.begin(),
                                        CompassViewController::kMarkerNames.end());
    for (int reading = 0; reading < 2; ++reading) {
        platform.clearRecords();
        platform.deliverHeading(1, 2, 3, 100.0);
        // The meter writes labels of the same names first; the compass's own writes come last.
        std::vector<std::string> emptied;
        std::size_t lastMarker = 0, lastPoint = 0, index = 0;
        for (const auto& e : platform.shown()) {
            ++index;
            if (e.change != ViewChange::Text) continue;
            if (markers.count(e.view)) {
                EXPECT_EQ(e.value, "") << e.view;
                emptied.push_back(e.view);
                lastMarker = index;
            } else if (e.view == "magnitudeLabel") {
                lastPoint = index;
            }
        }
        const std::vector<std::string> order(CompassViewController::kMarkerNames.begin(),
                                             CompassViewController::kMarkerNames.end());
        EXPECT_EQ(emptied, order);
        EXPECT_LT(lastMarker, lastPoint);
    }
    EXPECT_EQ(screen->magnitudeLabel()->text(), "E");
    EXPECT_EQ(screen->hd()->text(), "100.0\u00b0");
}

TEST_F(CompassTest, EachMarkerAccessorReachesItsOwnLabel) {
    launch();
    auto screen = openCompass();
    using Getter = std::shared_ptr<platform::Label> (CompassViewController::*)() const;
    const Getter getters[] = {
        &CompassViewController::n1,  &CompassViewController::s1,  &CompassViewController::e1,
        &CompassViewController::w1,  &CompassViewController::sw1, &CompassViewController::nw1,
        &CompassViewController::se1, &CompassViewController::ne1, &CompassViewController::p1,
        &CompassViewController::p2,  &CompassViewController::p3,  &CompassViewController::p4,
        &CompassViewController::p5,  &CompassViewController::p6,  &CompassViewController::p7,
        &CompassViewController::p8,  &CompassViewController::p9,  &CompassViewController::p10,
        &CompassViewController::p11, &CompassViewController::p12, &CompassViewController::p13,
        &CompassViewController::p14, &CompassViewController::p15, &CompassViewController::p16,
        &CompassViewController::p17, &CompassViewController::p18, &CompassViewController::p19,
        &CompassViewController::p20, &CompassViewController::p21, &CompassViewController::p22,
        &CompassViewController::p23, &CompassViewController::p24,
    };
    static_assert(std::size(getters) == CompassViewController::kMarkerCount);
    for (std::size_t i = 0; const auto getter : getters) {
        const char* name = CompassViewController::kMarkerNames[i++];
        auto label = ((*screen).*getter)();
        ASSERT_TRUE(label) << name;
        EXPECT_EQ(label->name(), name);
    }

    // Setting a field to what it holds keeps the object; setting nothing lets it go.
    std::weak_ptr<platform::Label> x = screen->xLabel();
    screen->setXLabel(screen->xLabel());
    EXPECT_EQ(screen->xLabel(), x.lock());
    std::weak_ptr<platform::Label> p24 = screen->p24();
    screen->setP24(nullptr);
    EXPECT_FALSE(screen->p24());
    EXPECT_FALSE(p24.expired());  // the view tree still holds the label itself
}

}  // namespace
}  // namespace fluxprobe_test
