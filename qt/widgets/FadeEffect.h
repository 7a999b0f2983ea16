#pragma once

#include <QGraphicsEffect>
#include <QImage>

namespace platform::qt {

// Shows a widget with its children at an opacity, as one picture: the widget is drawn into a
// picture kept for the whole fade, which goes on the screen at that opacity. Qt's own opacity
// effect makes a new picture each frame and parks the last one in the pixmap cache, two whole
// screens' worth of memory at once, pushing the kept pictures of plots and readouts out.
class FadeEffect : public QGraphicsEffect {
    Q_OBJECT
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity)

  public:
    explicit FadeEffect(QObject* parent = nullptr);

    double opacity() const { return opacity_; }
    void setOpacity(double opacity);

  protected:
    void draw(QPainter* painter) override;

  private:
    double opacity_ = 1.0;
    QImage picture_;
};

}  // namespace platform::qt
