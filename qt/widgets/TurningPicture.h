#pragma once

#include <QLabel>
#include <QPixmap>
#include <QRegion>
#include <QSizeF>
#include <QTransform>

namespace platform::qt {

// A picture (the meter's dial, the compass rose and its scale, the alarm's waves) drawn scaled
// to its size and turned about the widget's centre, smoothly, by Qt's painter. The scaled
// picture is kept in QPixmapCache, so a turn only turns it. A turn repaints only the square its
// ink sweeps, in a few bands of rows, not the whole box.
//
// A movable picture (the dial) takes focus, ringed in the palette's highlight while it has it,
// and Home or a double-click puts it back where its screen placed it, unturned.
class TurningPicture : public QLabel {
    Q_OBJECT
    Q_PROPERTY(bool movable READ isMovable WRITE setMovable)

  public:
    explicit TurningPicture(QWidget* parent = nullptr);

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
    // Where the picture's ink can lie at any turn, in bands of rows.
    QRegion inkReach();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    // The picture at its drawn size in device pixels, from QPixmapCache.
    QPixmap scaled();
    void putBack();

    QSizeF pictureSize_;
    QTransform turn_;
    bool movable_ = false;
    qint64 radiusOf_ = 0;  // the scaled picture inkRadius_ was found for
    QSize radiusAt_;
    double inkRadius_ = 0.0;
};

}  // namespace platform::qt
