#pragma once

// Plane geometry in view coordinates: points, origin top-left, y growing downwards.
// Every component is single precision, as the screens' arithmetic depends on it.

namespace platform {

struct Point {
    float x = 0.0f;
    float y = 0.0f;
    friend bool operator==(Point, Point) = default;
};

struct Size {
    float width = 0.0f;
    float height = 0.0f;
    friend bool operator==(Size, Size) = default;
};

struct Rect {
    Point origin;
    Size size;
    friend bool operator==(const Rect&, const Rect&) = default;

    float minX() const;
    float minY() const;
    float maxX() const;
    float maxY() const;
};

Rect makeRect(float x, float y, float width, float height);

// True when p lies in r; the left and top edges are inside, the right and bottom edges are not.
// An empty rectangle contains nothing.
bool rectContainsPoint(const Rect& r, Point p);

// | a  b  0 |
// | c  d  0 |   a point (x, y) maps to (a x + c y + tx, b x + d y + ty)
// | tx ty 1 |
struct AffineTransform {
    float a = 1.0f, b = 0.0f, c = 0.0f, d = 1.0f, tx = 0.0f, ty = 0.0f;
    friend bool operator==(const AffineTransform&, const AffineTransform&) = default;

    static AffineTransform identity() { return {}; }
    bool isIdentity() const { return *this == identity(); }
};

// A rotation by angle radians; positive turns clockwise on screen because y points down.
AffineTransform makeRotation(float angle);

// t with a rotation by angle radians applied before it (the rotation adds to t's own turn).
AffineTransform rotate(const AffineTransform& t, float angle);

Point applyTransform(Point p, const AffineTransform& t);

// Bounding box of r after t.
Rect applyTransform(const Rect& r, const AffineTransform& t);

}  // namespace platform
