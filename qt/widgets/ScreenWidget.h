#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "platform/Touch.h"
#include "platform/ViewController.h"

class QTouchEvent;

namespace platform::qt {

// The root widget of a screen. It knows the screen it shows (weakly, so a dismissed screen is
// never called), keeps a screen presented over it filling it, and turns input into the screen's
// ordered touch sets: touch-screen fingers in the order they came down; on a desktop, left-drag
// is one finger and right-drag a second finger turning, the right press being the first touch.
class ScreenWidget : public QWidget {
    Q_OBJECT

  public:
    explicit ScreenWidget(QWidget* parent = nullptr);

    void setOwner(std::weak_ptr<ViewController> owner) { owner_ = std::move(owner); }
    std::shared_ptr<ViewController> owner() const { return owner_.lock(); }

    // A child that must always cover this widget (a screen presented over this one).
    void setOverlay(QWidget* overlay);

    // True when w is a screen presented over another one.
    static bool isOverlay(const QWidget* w);
    // Raises w among its siblings, yet below a screen presented over their parent.
    static void raiseBelowOverlay(QWidget* w);

    // True when w cannot be seen: a screen presented over a screen holding w (or over w itself)
    // covers it completely and opaquely, not fading in or out.
    static bool isCovered(const QWidget* w);

  signals:
    // A screen is presented over this one: its widgets are there, not yet shown.
    void overlaid(QWidget* overlay);

  protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Escape presses the screen's "done" control, when it has one; with a screen presented over
    // this one, it goes to that screen.
    void keyPressEvent(QKeyEvent* event) override;
    // Tab and Shift+Tab stay on the screen in front: a screen presented over this one covers
    // every control of this one.
    bool focusNextPrevChild(bool next) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void cover(QWidget* overlay);
    // The screen presented over this one, when it shows; nothing otherwise.
    QWidget* shownOverlay() const;
    void handleTouch(QTouchEvent* event);
    // Sends the points (in this widget's coordinates) to the screen as began or moved touches.
    void deliver(const std::vector<QPointF>& points, bool began);

    std::weak_ptr<ViewController> owner_;
    std::vector<int> fingers_;  // ids of the fingers down, in the order they came down
    QPointF rightPress_;
    Qt::MouseButton dragging_ = Qt::NoButton;
    QPointer<QWidget> overlay_;
    bool forwardingEscape_ = false;
};

}  // namespace platform::qt
