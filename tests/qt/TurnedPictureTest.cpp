#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cstdlib>

#include "ImageDifference.h"
#include "platform/qt/drawing/TurnedPicture.h"

namespace fluxprobe_qt_test {
namespace {

using platform::qt::TurnedPicture;

// A picture with detail in every direction and a see-through border, as a dial has.
QImage dialPicture(int side) {
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient face(side / 2.0, side / 2.0, side / 2.0);
    face.setColorAt(0.0, QColor(240, 200, 40));
    face.setColorAt(1.0, QColor(20, 60, 160));
    p.setBrush(face);
    p.setPen(QPen(Qt::red, 3));
    p.drawEllipse(QRectF(4, 4, side - 8, side - 8));
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(side / 2.0, 6), QPointF(side / 2.0, side / 2.0));  // a needle
    return picture;
}

QImage background(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(18, 25, 29));
    return image;
}

TEST(TurnedPicture, LooksAsThePictureDrawnTurnedInPlace) {
    const QImage picture = dialPicture(140);
    const QSizeF area(198.0, 198.0);  // the bounding box of the picture turned by 45 degrees
    for (double degrees : {0.0, 0.4, 17.0, 45.0, 90.0, 181.3, -33.0}) {
        SCOPED_TRACE(degrees);
        QTransform turn;
        turn.rotate(degrees);

        QImage expected = background(area.toSize());
        {
            QPainter p(&expected);
            p.setRenderHint(QPainter::SmoothPixmapTransform, true);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.translate(area.width() / 2.0, area.height() / 2.0);
            p.setTransform(turn, true);
            p.drawImage(QPointF(-70.0, -70.0), picture);
        }
        QImage drawn = background(area.toSize());
        {
            QPainter p(&drawn);
            TurnedPicture().draw(p, picture, QSizeF(140.0, 140.0), area, 1.0, turn);
        }
        // Blending in two steps may round an edge pixel differently, nothing more.
        EXPECT_LE(largestDifference(drawn, expected), 2);

        // Turned onto a copy of what lies beneath, it covers whatever the target held.
        QImage onBeneath(area.toSize(), QImage::Format_ARGB32_Premultiplied);
        onBeneath.fill(Qt::magenta);
        {
            QPainter p(&onBeneath);
            TurnedPicture().draw(p, picture, QSizeF(140.0, 140.0), area, 1.0, turn,
                                 background(area.toSize()).convertToFormat(QImage::Format_RGB32));
        }
        EXPECT_LE(largestDifference(onBeneath, expected), 2);
    }
}

}  // namespace
}  // namespace fluxprobe_qt_test
