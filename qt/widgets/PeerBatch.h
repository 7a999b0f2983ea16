#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

namespace platform::qt {

class WidgetPeer;

// Hands the widgets what changed at most once per frame interval. A sensor can change a label's
// text a thousand times a second; each QLabel::setText lays the text out again, although the
// display shows only one of them per frame. While a batch exists, peers note their changes here
// and apply them, from the views' latest state, at most once per interval: a change applies as
// soon as an interval has passed since the last time, so the last state always shows, at most
// one interval late, and changes arriving once per interval apply once per interval. Without a
// batch (tests) peers apply changes at once.
//
// A widget that cannot be seen, on a screen covered by another one presented over it, keeps its
// changes until it can be: a text set under a cover would still lay itself out, and would repaint
// the covering screen where it lies.
class PeerBatch : public QObject {
  public:
    static constexpr int kDefaultIntervalMs = 17;  // the frame pacer's: one batch a frame

    explicit PeerBatch(int intervalMs = kDefaultIntervalMs);
    ~PeerBatch() override;
    PeerBatch(const PeerBatch&) = delete;
    PeerBatch& operator=(const PeerBatch&) = delete;

    // The batch in force, or null.
    static PeerBatch* current();

    // peer has something to apply at the end of the interval.
    void note(WidgetPeer* peer);
    // Hands the timing to a frame pacer: a noted change asks it for a frame, and it calls
    // flush() just before painting, so a sample's texts land in the frame that shows its graph.
    void followFrames(std::function<void()> requestFrame) {
        requestFrame_ = std::move(requestFrame);
    }
    // Applies everything noted so far, except to covered widgets.
    void flush();
    // Applies what covered widgets kept, covered or not: called as their cover starts to go.
    void releaseHeld();

    long flushes() const { return flushes_; }

  private:
    int intervalMs_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastFlushMs_ = 0;
    std::function<void()> requestFrame_;
    std::vector<QPointer<WidgetPeer>> pending_;
    std::vector<QPointer<WidgetPeer>> held_;  // noted, but covered when last due
    long flushes_ = 0;
};

}  // namespace platform::qt
