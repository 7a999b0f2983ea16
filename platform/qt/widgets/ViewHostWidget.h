#pragma once

#include <QPixmap>
#include <QWidget>
#include <memory>

#include "platform/View.h"

namespace platform::qt {

// Shows a view of the system's own (one that draws itself): every paint makes a QPainter-backed
// DrawingContext and asks the view to display into it. Redraw requests in between merge into
// the one paint Qt schedules, which paints() counts.
//
// The host is opaque: what lies beneath it (the styled backgrounds of its parent and their
// parents, a rounded frame) is drawn once per size into a picture of its own and copied under
// every paint, so a redraw of the view repaints nothing but the host.
class ViewHostWidget : public QWidget {
    Q_OBJECT

  public:
    explicit ViewHostWidget(QWidget* parent = nullptr);

    void setView(std::weak_ptr<View> view) { view_ = std::move(view); }
    long paints() const { return paints_; }
    // With no heading source, a plot shows its scale only (NoDataContext).
    void setShowsNoData(bool none) { showsNoData_ = none; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // What the ancestors paint beneath the host, at the host's size and pixel ratio.
    const QPixmap& background();

    std::weak_ptr<View> view_;
    long paints_ = 0;
    bool showsNoData_ = false;
    QPixmap background_;
    bool backgroundValid_ = false;
};

}  // namespace platform::qt
