#pragma once

#include <QImage>
#include <QObject>
#include <QPainter>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <chrono>
#include <vector>

namespace platform::qt {

// What lies beneath a widget, drawn once into an opaque picture of the widget's own: its
// ancestors' own painting (styled backgrounds, a rounded frame) and, at each level, the siblings
// stacked under it that it overlaps (a static picture, labels), up to the first ancestor that
// paints its whole area. An opaque widget starts each paint from this picture, so its redraws
// repaint nothing but itself.
//
// The picture is drawn again when what it was drawn from changes: the widget's place, size or
// parent; the place, size, stacking, visibility, style, palette, font, focus or pointer state of
// anything in it; and a new content reported by contentChanged. It is never kept while anything
// in it is drawn through a graphics effect (a screen fading in or out).
class Backdrop : public QObject {
  public:
    explicit Backdrop(QWidget* widget);
    ~Backdrop() override;

    // The picture, at the widget's size and device pixel ratio; opaque (Format_RGB32). It stays
    // valid until the next call, or until this goes.
    QImage beneath();
    void paintUnder(QPainter& painter) { painter.drawImage(0, 0, beneath()); }

    // The widget may change its size about its centre (a picture's box grows to the square it
    // sweeps once it turns): the picture is drawn for an area of at least reach about the
    // centre, and serves every place and size the widget takes within it.
    void setReach(QSize reach) { reach_ = reach; }

    // Whether painting over the picture pays. Not while what lies beneath keeps changing under
    // the widget (the meter's dial left over the running graph): drawing the picture again for
    // nearly every paint costs more than letting Qt paint beneath the widget.
    bool worthKeeping() const;

    // Tells the pictures that hold w that w paints something new (a text, a font, a value).
    static void contentChanged(QWidget* w);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // One widget the picture is drawn from, and where it lies in base()'s coordinates.
    struct Layer {
        QPointer<QWidget> widget;
        QRect rect;
        bool ancestor;  // drawn without its children; a sibling is drawn with them
        const QObject* key = widget.data();  // counted in the layers in use, even once gone
        bool operator==(const Layer& o) const {
            return widget == o.widget && rect == o.rect && ancestor == o.ancestor;
        }
    };

    // The widget whose coordinates the area and the layers are in: the widget's parent.
    QWidget* base() const;
    QRect geometry() const;
    std::vector<Layer> layersNow(QRect area) const;
    void draw(QRect area, std::vector<Layer> layers, qreal ratio);
    // The part of the picture, in base()'s coordinates, that changed's painting lies in, if the
    // layer draws it.
    QRect drawnPart(const Layer& layer, const QWidget* changed) const;
    void changed();
    // Stops watching the layers the picture was drawn from.
    void forgetLayers();

    QPointer<QWidget> widget_;
    QSize reach_;
    QImage picture_;
    QRect area_;                 // what picture_ shows, in base()'s coordinates
    std::vector<Layer> layers_;  // what picture_ was drawn from, bottom first
    bool valid_ = false;
    bool changedSinceDrawn_ = false;
    int drawnInARow_ = 0;  // paints in a row that had to draw the picture again for a change
    std::chrono::steady_clock::time_point lastChange_;
};

}  // namespace platform::qt
