#pragma once

#include <QWidget>
#include <memory>

#include "platform/View.h"
#include "qt/drawing/RepaintRegion.h"
#include "qt/widgets/ParentPaint.h"

namespace platform::qt {

// Shows a plot of the system's own (a view that draws itself). Its scale (the grid over the
// styled background, over what its parent paints beneath it) stays put: it is drawn once per
// size, device pixel ratio and style, and kept. Every paint starts from that picture and asks
// the view to draw its data over it through a QPainter-backed DrawingContext. Redraw requests in
// between merge into the one paint Qt schedules, which paints() counts.
class PlotWidget : public QWidget {
    Q_OBJECT

  public:
    explicit PlotWidget(QWidget* parent = nullptr);

    void setView(std::weak_ptr<View> view);
    // Asks for a repaint of what the view's latest change touches: where its changing content
    // lies now and where it lay as last painted, or the whole plot when the view cannot tell.
    // To be called when no more changes can come before the paint (just before a frame).
    void redisplay();
    long paints() const { return paints_; }
    // With no heading source, a plot shows its scale only.
    void setShowsNoData(bool none) { showsNoData_ = none; }
    bool showsNoData() const { return showsNoData_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // The view's changing areas in this widget's coordinates; empty when anywhere.
    QRegion changingRegion(const View& view) const;
    // The scale over the background, kept in QPixmapCache.
    QPixmap scale(View& view);

    std::weak_ptr<View> view_;
    RepaintRegion repaint_;
    long paints_ = 0;
    bool showsNoData_ = false;
    KeptPicture kept_;
};

}  // namespace platform::qt
