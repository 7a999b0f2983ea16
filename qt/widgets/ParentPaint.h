#pragma once

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <tuple>

namespace platform::qt {

// What Qt paints beneath w, at w's device pixel ratio: the background of the nearest ancestor
// that fills one (or the window's), and what each ancestor from there to w's parent paints
// itself (none of their other children), with w's own styled background over it; null when
// that leaves any pixel see-through, or when w is free to lie over a sibling (not laid out).
QImage parentPaint(QWidget* w);

// Kept pictures of a widget's own painting, in QPixmapCache: one key for each widget, place in
// its window, size, window size, device pixel ratio and style generation.
class KeptPicture {
  public:
    KeptPicture();
    // Asked at every paint: the key is written again only when one of its parts changed.
    const QString& keyFor(const QWidget* w);
    // Whether event may change what w or its parent paints; then the kept pictures are stale.
    bool changedBy(const QEvent* event);
    // Paints w's background in region, the kept parentPaint() of w, and makes w opaque to Qt
    // from the next paint on, so that Qt no longer paints beneath it; where that picture would
    // be see-through, or w is drawn through an effect, leaves what lies beneath to Qt.
    void paintBeneath(QWidget* w, QPainter& painter, const QRegion& region);

  private:
    quint64 id_;
    unsigned generation_ = 0;
    std::tuple<QRect, QSize, qreal, unsigned> keyed_;  // what key_ was written for
    QString key_;
    QString seeThroughAt_;  // the key when parentPaint() was last found see-through
};

}  // namespace platform::qt
