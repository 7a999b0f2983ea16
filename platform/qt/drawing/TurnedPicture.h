#pragma once

#include <QImage>
#include <QPainter>
#include <QSizeF>
#include <QTransform>

namespace platform::qt {

// Draws a picture turned about the centre of an area, smoothly and with antialiased edges.
//
// Qt's raster engine hands a blend of more than about a hundred spans, as a turned picture
// makes, to the global thread pool in parts and waits for each part: several hand-offs per
// frame that cost more than the blending itself. Inside a pool thread it blends in one piece,
// so the turned picture is drawn there, in one hand-off, into an image of the area that is then
// put on the painter unturned. It looks the same as drawing it turned in place.
//
// Given what lies beneath the area, it turns the picture onto a copy of that in the same
// hand-off, and puts the result on the painter as an opaque image: no transparent fill, and no
// second blend of the whole area.
class TurnedPicture {
  public:
    // Draws picture (whose device pixel ratio gives its size, pictureSize, in the painter's
    // units) turned by turn about the centre of the area from (0, 0) to area, its centre there.
    // ratio is the painter's device pixel ratio. beneath, when not null, is an opaque picture
    // of the area at that ratio, which the result covers completely.
    void draw(QPainter& painter, const QImage& picture, QSizeF pictureSize, QSizeF area,
              qreal ratio, const QTransform& turn, const QImage& beneath = QImage());

  private:
    QImage turned_;  // reused from frame to frame
};

}  // namespace platform::qt
