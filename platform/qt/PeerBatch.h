#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <vector>

namespace platform::qt {

class WidgetPeer;

// Hands the widgets what changed at most once per frame interval. A sensor can change a label's
// text a thousand times a second; each QLabel::setText lays the text out again, although the
// display shows only one of them per frame. While a batch exists, peers note their changes here
// and apply them, from the views' latest state, when the interval ends: the last state always
// shows, at most one interval late. Without a batch (tests) peers apply changes at once.
class PeerBatch : public QObject {
  public:
    static constexpr int kDefaultIntervalMs = 16;

    explicit PeerBatch(int intervalMs = kDefaultIntervalMs);
    ~PeerBatch() override;
    PeerBatch(const PeerBatch&) = delete;
    PeerBatch& operator=(const PeerBatch&) = delete;

    // The batch in force, or null.
    static PeerBatch* current();

    // peer has something to apply at the end of the interval.
    void note(WidgetPeer* peer);
    // Applies everything noted so far.
    void flush();

    long flushes() const { return flushes_; }

  private:
    int intervalMs_;
    QTimer timer_;
    std::vector<QPointer<WidgetPeer>> pending_;
    long flushes_ = 0;
};

}  // namespace platform::qt
