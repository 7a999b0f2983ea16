#pragma once

#include <QObject>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace platform::qt {

// What a widget's ancestors paint beneath it (styled backgrounds, a rounded frame), drawn once
// per size into a picture of the widget's own. An opaque widget copies it under each paint, so
// its redraws repaint nothing but itself. The picture is made again when the widget is resized,
// moved or reparented, or its parent's size, style or palette changes.
class Backdrop : public QObject {
  public:
    explicit Backdrop(QWidget* widget);

    void paintUnder(QPainter& painter);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void watchParent();

    QPointer<QWidget> widget_;
    QPointer<QWidget> parent_;
    QPixmap picture_;
    bool valid_ = false;
};

}  // namespace platform::qt
