#include "qt/drawing/RepaintRegion.h"

namespace platform::qt {

QRegion RepaintRegion::regionOf(const std::vector<Rect>& areas) {
    QRegion region;
    for (const Rect& r : areas)
        region += QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height).toAlignedRect();
    return region;
}

QRegion RepaintRegion::toRepaint(const QRegion& now, const QRect& whole) {
    if (now.isEmpty() || shown_.isEmpty()) return QRegion(whole);
    asked_ = now;
    return (shown_ + now) & whole;
}

QRegion RepaintRegion::painted(const QRegion& painted, const QRegion& now, const QRect& whole) {
    // What the paint covered shows the content as it is now; the rest keeps what it showed.
    shown_ = now.isEmpty() ? QRegion(whole) : (shown_ - painted) + (now & painted);
    if (now.isEmpty() || now == asked_) return {};
    asked_ = now;
    return now - painted;
}

}  // namespace platform::qt
