#include <gtest/gtest.h>

#include <cmath>

#include "platform/Geometry.h"
#include "platform/View.h"

namespace {

using namespace platform;

TEST(Geometry, RectContainsPointIncludesOnlyTheLeadingEdges) {
    const Rect r = makeRect(110, 150, 100, 100);
    struct Case {
        Point p;
        bool inside;
    };
    const Case cases[] = {{{110, 150}, true},  {{209.9f, 249.9f}, true}, {{210, 200}, false},
                          {{160, 250}, false}, {{109.9f, 200}, false},   {{160, 200}, true}};
    for (const Case& c : cases)
        EXPECT_EQ(rectContainsPoint(r, c.p), c.inside) << c.p.x << "," << c.p.y;
    EXPECT_FALSE(rectContainsPoint(makeRect(0, 0, 0, 10), {0, 0}));
    EXPECT_TRUE(rectContainsPoint(makeRect(10, 10, -5, -5), {6, 6}));  // negative size normalised
}

TEST(Geometry, RotationsTurnClockwiseOnScreenAndAccumulate) {
    const float quarter = 1.5707964f;
    Point p = applyTransform(Point{1, 0}, makeRotation(quarter));
    EXPECT_NEAR(p.x, 0, 1e-6);
    EXPECT_NEAR(p.y, 1, 1e-6);  // right turns to down: clockwise with y downwards
    AffineTransform t = rotate(rotate(AffineTransform::identity(), quarter), quarter);
    Point q = applyTransform(Point{1, 0}, t);
    EXPECT_NEAR(q.x, -1, 1e-6);
    EXPECT_NEAR(q.y, 0, 1e-6);
    EXPECT_EQ(rotate(AffineTransform::identity(), quarter), makeRotation(quarter));
    EXPECT_TRUE(makeRotation(0.0f).isIdentity());
}

TEST(Geometry, FrameIsTheBoundingBoxOfTheTurnedView) {
    View v;
    v.setFrame(makeRect(110, 150, 100, 50));
    EXPECT_EQ(v.center(), (Point{160, 175}));
    EXPECT_EQ(v.frame(), makeRect(110, 150, 100, 50));
    v.setTransform(makeRotation(1.5707964f));
    const Rect f = v.frame();
    EXPECT_NEAR(f.origin.x, 135, 1e-3);
    EXPECT_NEAR(f.origin.y, 125, 1e-3);
    EXPECT_NEAR(f.size.width, 50, 1e-3);
    EXPECT_NEAR(f.size.height, 100, 1e-3);
    v.setCenter({0, 0});
    EXPECT_NEAR(v.frame().origin.x, -25, 1e-3);
}

}  // namespace
