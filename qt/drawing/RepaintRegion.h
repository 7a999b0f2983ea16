#pragma once

#include <QRect>
#include <QRegion>
#include <vector>

#include "platform/Geometry.h"

namespace platform::qt {

// Keeps track of where a picture's changing content is on screen, so that a redraw repaints
// only where that content lies now and where it lay when last painted, over a background that
// stays put. The content's place is given as a region; an empty one means anywhere.
class RepaintRegion {
  public:
    // What to repaint for content now at now, in a picture of the size of whole.
    QRegion toRepaint(const QRegion& now, const QRect& whole);
    // A paint covered painted while the content was at now. Returns what the paint could not
    // show because the content moved after its region was asked for: to repaint next.
    QRegion painted(const QRegion& painted, const QRegion& now, const QRect& whole);

    // A view's changing areas as a region of whole pixels covering them.
    static QRegion regionOf(const std::vector<Rect>& areas);

  private:
    QRegion shown_;  // where the content is on screen; empty before the first paint
    QRegion asked_;  // where it was when the last repaint was asked for
};

}  // namespace platform::qt
