#pragma once

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QSizeF>
#include <QTransform>
#include <vector>

#include "qt/drawing/InkCells.h"

namespace platform::qt {

// Draws a picture turned about the centre of an area, smoothly and with antialiased edges.
//
// The picture is turned by SmoothTurn, on this thread: it passes over the see-through part of
// the picture, where Qt's raster engine would sample and blend every pixel of the turned box,
// and hand a large blend to its thread pool in parts, waiting for each. A picture that is not
// premultiplied is converted once.
//
// Given what lies beneath the area, it turns the picture onto a copy of that, straight in the
// painter's image where it can (a window's backing store), else in an image of the area put on
// the painter unturned: no transparent fill, and no second blend of the whole area.
//
// A dial's picture is mostly see-through (a compass rose is about a seventh ink), and turning
// costs for every pixel of the turned box. Only the parts of the area that the picture's inked
// cells can reach are turned: the rest shows what lay beneath, as a whole turn would.
class TurnedPicture {
  public:
    // Draws picture (whose device pixel ratio gives its size, pictureSize, in the painter's
    // units) turned by turn about the centre of the area from (0, 0) to area, its centre there.
    // ratio is the painter's device pixel ratio. beneath, when not null, is an opaque picture
    // of the area at that ratio, which the result covers completely.
    // Given exposed, a part of the area (in its units), only that part is painted.
    void draw(QPainter& painter, const QImage& picture, QSizeF pictureSize, QSizeF area,
              qreal ratio, const QTransform& turn, const QImage& beneath = QImage(),
              const QRegion& exposed = QRegion());

    // Where the picture drawn with these arguments leaves ink, in the area's units; a new turn
    // repaints that and drawnReach(), the reach of the last draw.
    QRegion reach(const QImage& picture, QSizeF pictureSize, QSizeF area, qreal ratio,
                  const QTransform& turn);
    const QRegion& drawnReach() const { return drawnReach_; }
    // How far from the picture's centre, in its pixels, a smooth turn can leave ink.
    double inkRadius(const QImage& picture);

  private:
    // The squares of the picture (in its pixels) that hold a pixel that is not see-through,
    // grown by the reach of smooth turning.
    const std::vector<QRect>& inkOf(const QImage& picture);
    // Whether what is kept of the ink is the picture's.
    bool inkIsOf(const QImage& picture);
    // Where, in the area's units, the picture turned by placement can leave ink; the last one
    // worked out is kept, as a turn's repaint and its drawing ask for the same.
    QRegion cachedReach(const QImage& picture, const QTransform& placement, QSizeF area,
                        qreal ratio);
    QRegion computeReach(const QImage& picture, const QTransform& placement, QSizeF area,
                         qreal ratio);
    QImage& areaImage(QSize device, QImage::Format format, qreal ratio);
    // Where the picture is all zero, for the sampler to pass over.
    const InkCells& inkCellsOf(const QImage& picture);
    // The picture in the premultiplied format the sampler reads.
    const QImage& premultiplied(const QImage& picture);
    // Turns the picture onto beneath straight in the painter's image, for the part of the area
    // given; false, having drawn nothing, where that image, transform or clip do not allow it.
    bool drawInto(QPainter& painter, const QImage& picture, const QTransform& placement,
                  QSize device, qreal ratio, const QImage& beneath, const QRegion& part);

    struct Reach {
        QTransform placement;
        QSizeF area;
        qreal ratio = 0.0;
        qreal pictureRatio = 0.0;
        QRegion region;
    };
    Reach reachAsked_;  // the last reach worked out, for the picture inkOf() last saw
    QRegion drawnReach_;
    QImage store_;   // the turned area's pixels, kept from frame to frame at the largest size
    QImage turned_;  // the area in store_
    qint64 inkKey_ = 0;
    QSize inkSize_;
    std::vector<QRect> ink_;
    double inkRadius_ = 0.0;
    InkCells cells_;    // of the picture inkOf() last saw
    QImage converted_;  // the last picture given that was not premultiplied, converted
    qint64 convertedFrom_ = 0;
};

}  // namespace platform::qt
