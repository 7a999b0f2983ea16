#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ImageDifference.h"
#include "qt/drawing/TurnedPicture.h"

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

// Mostly see-through, as a compass rose is: thin arms, one of them up to the picture's edge.
QImage rosePicture(int side) {
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const double c = side / 2.0;
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(QColor(255, 90, 80));
    p.drawPolygon(QPolygonF({QPointF(c, 0), QPointF(c + 6, c), QPointF(c - 6, c)}));
    p.drawLine(QPointF(c - side * 0.3, c + side * 0.3), QPointF(c + side * 0.2, c - side * 0.2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 250, 40));  // a faint wash is ink too
    p.drawEllipse(QPointF(side * 0.8, side * 0.75), 5, 5);
    return picture;
}

QImage background(QSize size, qreal ratio) {
    return filledImage(size, ratio, QColor(18, 25, 29));
}

TEST(TurnedPicture, LooksAsThePictureDrawnTurnedInPlace) {
    struct Case {
        const char* what;
        QImage picture;
        qreal ratio;
    };
    for (const Case& c : {Case{"dial", dialPicture(140), 1.0}, Case{"rose", rosePicture(140), 1.0},
                          Case{"rose at twice the density", rosePicture(280), 2.0},
                          Case{"rose not premultiplied",
                               rosePicture(140).convertToFormat(QImage::Format_ARGB32), 1.0}}) {
        QImage picture = c.picture;
        picture.setDevicePixelRatio(c.ratio);
        // A picture with a dot of ink is turned first: nothing kept of its ink may be used for
        // this one.
        QImage other(c.picture.size(), QImage::Format_ARGB32_Premultiplied);
        other.fill(Qt::transparent);
        QPainter(&other).fillRect(
            QRect(QPoint(0, 0), QSize(4, 4)).translated(other.rect().center()), Qt::white);
        other.setDevicePixelRatio(c.ratio);
        const QSizeF area(198.0, 198.0);  // the bounding box of the picture turned by 45 degrees
        for (double degrees : {0.0, 0.4, 17.0, 45.0, 90.0, 181.3, -33.0}) {
            SCOPED_TRACE(testing::Message() << c.what << ", " << degrees << " degrees");
            QTransform turn;
            turn.rotate(degrees);

            QImage expected = background(area.toSize(), c.ratio);
            {
                QPainter p(&expected);
                p.setRenderHint(QPainter::SmoothPixmapTransform, true);
                p.setRenderHint(QPainter::Antialiasing, true);
                p.translate(area.width() / 2.0, area.height() / 2.0);
                p.setTransform(turn, true);
                p.drawImage(QPointF(-70.0, -70.0), picture);
            }
            QImage drawn = background(area.toSize(), c.ratio);
            TurnedPicture turned;  // drawn twice: what the first turn kept must not show
            for (double first : {degrees + 60.0, degrees}) {
                QTransform t;
                t.rotate(first);
                QPainter p(&drawn);
                turned.draw(
                    p, first == degrees ? picture : other, QSizeF(140.0, 140.0), area, c.ratio, t,
                    background(area.toSize(), c.ratio).convertToFormat(QImage::Format_RGB32));
            }
            // Blending in two steps may round an edge differently, and turning in parts may put
            // a sharp edge a sixteenth of a pixel elsewhere; a lost faint wash differs by 36.
            EXPECT_LE(largestDifference(drawn, expected), 16);

            // Without what lies beneath, it blends over whatever the target held.
            QImage over = background(area.toSize(), c.ratio);
            {
                QPainter p(&over);
                TurnedPicture().draw(p, picture, QSizeF(140.0, 140.0), area, c.ratio, turn);
            }
            EXPECT_LE(largestDifference(over, expected), 16);
        }
    }
}

// A turn that moves no ink by half a pixel is not drawn again: the ink's reach must hold every
// pixel that is not see-through, however faint, and no more.
TEST(TurnedPicture, InkRadiusReachesTheFarthestInkedPixel) {
    struct Case {
        const char* name;
        QRect ink;  // in a 100x80 picture, centre (50, 40)
        int alpha;
        double radius;
    };
    const Case cases[] = {
        {"none", QRect(), 0, 0.0},
        {"centre", QRect(49, 39, 2, 2), 255, std::hypot(1.0, 1.0) + 1.0},
        {"top-left corner, faint", QRect(0, 0, 1, 1), 1, std::hypot(50.0, 40.0) + 1.0},
        {"right edge", QRect(99, 40, 1, 1), 255, std::hypot(50.0, 1.0) + 1.0},
    };
    for (const Case& c : cases) {
        QImage picture(100, 80, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        if (!c.ink.isNull()) QPainter(&picture).fillRect(c.ink, QColor(255, 255, 255, c.alpha));
        EXPECT_NEAR(TurnedPicture().inkRadius(picture), c.radius, 1e-9) << c.name;
    }
    EXPECT_NEAR(TurnedPicture().inkRadius(rosePicture(120)), std::hypot(1.0, 60.0) + 1.0, 1.5);
}

}  // namespace
}  // namespace fluxprobe_qt_test
