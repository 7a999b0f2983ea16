#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace platform::qt {

class WidgetPeer;

// Hands the widgets what changed, and paints the window, at most once a frame. A sensor can
// change the readouts a thousand times a second while a display shows about sixty frames. The
// first change of a frame starts a single-shot timer: due at once (painted as the task that
// brought the samples ends) when the last frame is at least an interval old, else for the
// rest of the interval. A frame's age counts from its first change, not from when the loop got
// round to painting it: a frame painted late does not hold back the next. On timeout the held
// changes are applied from the views' latest state, and the window paints what they touched.
//
// A widget on a screen covered by another one presented over it keeps its changes until it can
// be seen: a text set under a cover would repaint the covering screen where it lies.
class FrameClock : public QObject {
  public:
    // Shorter than a 60 Hz frame, so that a source waking once a display frame is painted as
    // soon as its samples are in, jitter included.
    static constexpr int kIntervalMs = 14;

    // Without a window the held changes are applied and Qt paints them as it will (tests).
    explicit FrameClock(QWidget* window = nullptr, int intervalMs = kIntervalMs);
    ~FrameClock() override;

    // The clock in force, or null: peers then apply their changes at once.
    static FrameClock* current();

    // peer has changes for the next frame.
    void hold(WidgetPeer* peer);
    // Ends now a frame due at once, rather than on the loop's next turn.
    void flushIfDue() {
        if (timer_.isActive() && timer_.interval() == 0) flush();
    }
    // Ends the frame now: applies what is held, except to covered widgets, and paints.
    void flush();
    // Applies what covered widgets kept, covered or not: called as their cover starts to go.
    void releaseHeld();
    // Called as each frame has been painted and handed to the window system.
    void afterEachFrame(std::function<void()> hook) { afterFrame_ = std::move(hook); }

    long frames() const { return frames_; }

  private:
    QPointer<QWidget> window_;
    int intervalMs_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastFrameMs_ = 0;    // the last frame's first change
    qint64 firstChangeMs_ = 0;  // this frame's
    std::function<void()> afterFrame_;
    std::vector<QPointer<WidgetPeer>> pending_;
    std::vector<QPointer<WidgetPeer>> held_;  // held, but covered when last due
    long frames_ = 0;
};

}  // namespace platform::qt
