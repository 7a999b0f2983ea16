#pragma once

#include <QRegion>
#include <QWidget>
#include <memory>

#include "platform/View.h"
#include "qt/drawing/RepaintRegion.h"
#include "qt/widgets/Backdrop.h"

namespace platform::qt {

// Shows a view of the system's own (one that draws itself): every paint makes a QPainter-backed
// DrawingContext and asks the view to display into it. Redraw requests in between merge into
// the one paint Qt schedules, which paints() counts. The host is opaque: it paints over the
// picture of what lies beneath it, so a redraw of the view repaints nothing but the host.
class ViewHostWidget : public QWidget {
    Q_OBJECT

  public:
    explicit ViewHostWidget(QWidget* parent = nullptr);

    void setView(std::weak_ptr<View> view) { view_ = std::move(view); }
    // Asks for a repaint of what the view's latest change touches: where its changing content
    // lies now and where it lay as last painted, or the whole host when the view cannot tell.
    // To be called when no more changes can come before the paint (just before a frame).
    void redisplay();
    long paints() const { return paints_; }
    // With no heading source, a plot shows its scale only (NoDataContext).
    void setShowsNoData(bool none) { showsNoData_ = none; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The view's changing areas in this widget's coordinates; empty when anywhere.
    QRegion changingRegion(const View& view) const;

    std::weak_ptr<View> view_;
    RepaintRegion repaint_;
    long paints_ = 0;
    bool showsNoData_ = false;
    Backdrop* backdrop_;  // owned by this widget
};

}  // namespace platform::qt
