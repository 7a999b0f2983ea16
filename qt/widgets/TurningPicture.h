#pragma once

#include <QImage>
#include <QLabel>
#include <QTransform>
#include <tuple>
#include <vector>

#include "qt/drawing/InkCells.h"
#include "qt/widgets/ParentPaint.h"

namespace platform::qt {

// A picture (the meter's dial, the compass rose and its scale, the alarm's waves) drawn scaled
// to its size and turned about the widget's centre, smoothly. The picture is scaled once per
// size and kept with where it has ink, so a turn only turns it, passing over the see-through
// part; a turn repaints only where its ink was and is, in a few bands of rows. Laid out in a
// parent that paints all of its area (the rose on its scale), it paints a kept picture of that
// beneath itself, so that Qt paints nothing else under it as it turns.
//
// A movable picture (the dial) takes focus, ringed in the palette's highlight while it has it
// and the keyboard is in use, and Home or a double-click puts it back where its screen placed
// it, unturned.
class TurningPicture : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool movable READ isMovable WRITE setMovable)
    Q_PROPERTY(QString picture READ pictureFile WRITE setPictureFile)

  public:
    explicit TurningPicture(QWidget* parent = nullptr);

    // The picture's file, read at the size it is drawn (an SVG is drawn sharp at any size, and
    // no larger copy is kept); without one, the label's pixmap is scaled.
    const QString& pictureFile() const { return file_; }
    void setPictureFile(const QString& file);
    bool hasPicture() const { return !natural_.isEmpty() || !pixmap().isNull(); }

    bool isMovable() const { return movable_; }
    void setMovable(bool movable);

    // The picture's size in the widget's units, before the turn; empty for the widget's size.
    void setPictureSize(QSizeF size);
    QSizeF pictureSize() const;
    const QTransform& turn() const { return turn_; }
    // Turns the picture to turn and asks for the repaint of where its ink was and is.
    void turnTo(const QTransform& turn);
    // How far from its centre the picture has ink, in the widget's units.
    double inkRadius();
    // Where the picture's ink lies at its turn, in bands of rows.
    QRegion inkReach();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    // The picture at its drawn size in device pixels, premultiplied, and where it has ink.
    struct Scaled {
        QImage image;
        InkCells ink;
        double radius = 0.0;         // of the ink, in device pixels
        std::vector<QPointF> inked;  // the centres of its inked cells, in its pixels
        qint64 from = 0;             // the pixmap it was scaled from; 0 for the file
    };
    const Scaled& scaled();
    // Where the picture's pixels land in the widget.
    QTransform placement(const QImage& picture) const;
    // Turns the picture straight into the pixels the painter paints (a window's backing
    // store); false, having drawn nothing, where its device, transform or clip do not allow it.
    bool turnInto(QPainter& painter, const Scaled& picture);
    void putBack();

    QString file_;
    QSize natural_;  // the file's picture's own size
    QSizeF pictureSize_;
    QTransform turn_;
    bool movable_ = false;
    Scaled scaled_;
    KeptPicture kept_;  // what the parent paints beneath, when the picture is laid out in it
    QRegion reach_;     // inkReach() at the placement, size and picture below
    std::tuple<QTransform, QSize, qint64> reachKey_;
};

}  // namespace platform::qt
