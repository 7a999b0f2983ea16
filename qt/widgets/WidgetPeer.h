#pragma once

#include <QPointer>
#include <QTransform>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "platform/View.h"

namespace platform::qt {

// The widget side of a logic view. It follows the view's changes (text, font, visibility,
// background, redraw requests, place and turn) and reports the sizes Qt's layouts give the
// widget back to the view, so that the logic always plots and hit-tests with the real size.
//
// A widget in a layout keeps the layout's geometry and is painted turned inside it. A free
// widget is placed by the logic: its geometry is the view's frame (the bounding box of the
// turned bounds), or for a turned picture the square the picture sweeps about that frame's
// centre, and its picture is painted turned about its centre: a turn repaints only where the
// picture's ink was and is.
class WidgetPeer : public QObject, public ViewPeer {
  public:
    // An owning peer deletes its widget when the view goes (a screen's root, the window).
    WidgetPeer(const std::shared_ptr<View>& view, QWidget* widget, bool owning);
    ~WidgetPeer() override;

    // Attaches a new peer to view; returns it.
    static std::shared_ptr<WidgetPeer> attach(const std::shared_ptr<View>& view, QWidget* widget,
                                              bool owning = false);
    // The widget of a view that has a widget peer, or null.
    static QWidget* widgetOf(const View* view);
    // The peer of a widget, or null.
    static WidgetPeer* of(const QWidget* widget);

    void viewChanged(View& view, ViewChange change) override;
    // Applies the changes held for the frame clock, from the view's latest state.
    void applyPending();

    QWidget* widget() const { return widget_; }
    std::shared_ptr<View> view() const { return view_.lock(); }

    // Tells the view where the widget is now, unless the logic places it.
    void reportGeometry();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void apply(View& view, ViewChange change);
    void place(View& view);
    void followSubviews(View& view);
    // Hands a turning picture its size and turn.
    void turnPicture(View& view);

    std::weak_ptr<View> view_;
    QPointer<QWidget> widget_;
    bool owning_;
    bool placedByLogic_ = false;
    unsigned pending_ = 0;  // one bit per ViewChange held for the frame
    std::string setText_;   // the logic's text last given to the label
    QString shown_;         // and the label's text then, shared with it while unchanged
    std::optional<AffineTransform> drawnTurn_;  // the turn of the last paint
};

// A view's turn as a QTransform, or identity when a component is not finite.
QTransform turnOf(const AffineTransform& t);

// Whether a picture with ink no further than radius from its centre, drawn turned by drawn
// about that centre, would move its ink by less than half a device pixel anywhere if drawn
// turned by now instead.
bool turnMovesLessThanHalfAPixel(const AffineTransform& drawn, const AffineTransform& now,
                                 double radius, qreal pixelRatio);

// The text of a label or a readout; empty for other widgets.
QString labelText(const QWidget* w);

// True when w is managed by a layout of its parent (directly or in a nested layout).
bool isInLayout(const QWidget* w);
// The layout that holds held (a widget or a layout) directly, searched from layout down, and
// held's index in it; null if none does.
QLayout* layoutHolding(QLayout* layout, const QObject* held, int* index = nullptr);

}  // namespace platform::qt
