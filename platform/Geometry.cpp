#include "platform/Geometry.h"

#include <algorithm>
#include <cmath>

namespace platform {

float Rect::minX() const {
    return std::min(origin.x, origin.x + size.width);
}
float Rect::minY() const {
    return std::min(origin.y, origin.y + size.height);
}
float Rect::maxX() const {
    return std::max(origin.x, origin.x + size.width);
}
float Rect::maxY() const {
    return std::max(origin.y, origin.y + size.height);
}

Rect makeRect(float x, float y, float width, float height) {
    return Rect{{x, y}, {width, height}};
}

bool rectContainsPoint(const Rect& r, Point p) {
    if (r.size.width == 0.0f || r.size.height == 0.0f) return false;
    return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}

AffineTransform makeRotation(float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return AffineTransform{c, s, -s, c, 0.0f, 0.0f};
}

AffineTransform rotate(const AffineTransform& t, float angle) {
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    return AffineTransform{
        c * t.a + s * t.c, c * t.b + s * t.d, -s * t.a + c * t.c, -s * t.b + c * t.d, t.tx, t.ty};
}

Point applyTransform(Point p, const AffineTransform& t) {
    return Point{t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}

Rect applyTransform(const Rect& r, const AffineTransform& t) {
    const Point corners[4] = {
        applyTransform(Point{r.minX(), r.minY()}, t), applyTransform(Point{r.maxX(), r.minY()}, t),
        applyTransform(Point{r.minX(), r.maxY()}, t), applyTransform(Point{r.maxX(), r.maxY()}, t)};
    float x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
    for (const Point& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return makeRect(x0, y0, x1 - x0, y1 - y0);
}

}  // namespace platform
