#pragma once

#include <QImage>
#include <QWidget>

namespace platform::qt {

// What w's parent paints itself (its styled background and frame, none of its children) in
// w's area, at w's device pixel ratio, with w's own styled background over it; null when that
// leaves any pixel see-through, or when w is free to lie over a sibling (not laid out).
QImage parentPaint(QWidget* w);

}  // namespace platform::qt
