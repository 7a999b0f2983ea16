#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace platform::qt {

class PeerBatch;

// Paints a window at most once per frame interval, with everything that changed in one frame.
// Qt repaints a window as soon as the loop is idle after an update(), so a sensor delivering a
// thousand samples a second would repaint it a thousand times a second, far above what a display
// shows. The pacer serves the window's repaint and layout requests itself: a change after a
// quiet interval is painted on the loop's next turn (once the samples that came with it are all
// in), one that comes too soon at the end of the interval, merged with whatever else changed by
// then. Just before each frame it runs the hook given to beforeEachFrame() (the widget changes
// held for the frame) and the layout passes that were held. Nothing changed, nothing painted.
class FramePacer : public QObject {
  public:
    // Shorter than a 60 Hz frame, so that a source waking once a display frame is painted as soon
    // as its samples are in, jitter included, while a faster stream is held to about 60 frames.
    static constexpr int kDefaultIntervalMs = 14;

    explicit FramePacer(QWidget* window, int intervalMs = kDefaultIntervalMs);
    ~FramePacer() override;

    // Something the next frame must show changed without asking the window for a repaint.
    void requestFrame();
    // Takes over batch's timing: its changes ask for a frame and are applied just before it.
    void carry(PeerBatch& batch);
    void beforeEachFrame(std::function<void()> hook) { beforeFrame_ = std::move(hook); }
    // Called as each frame has been painted and handed to the window system.
    void afterEachFrame(std::function<void()> hook) { afterFrame_ = std::move(hook); }

    // Frames painted and flushed, whoever asked for them.
    long framesPainted() const { return frames_; }
    long framesPutOff() const { return putOff_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    static constexpr int kLayoutRounds = 4;  // nested layouts, from a readout to the window

    void schedule();
    void paintNow();
    void framePainted();

    QPointer<QWidget> window_;
    int intervalMs_;
    QElapsedTimer clock_;
    qint64 lastFrameMs_ = -1;
    QTimer deferred_;
    QTimer settled_;  // ends a frame Qt painted on its own (an expose), after its flush
    std::function<void()> beforeFrame_;
    std::function<void()> afterFrame_;
    bool delivering_ = false;
    bool updatePending_ = false;
    bool framePending_ = false;
    bool painting_ = false;
    int layoutsDelivered_ = 0;  // layout requests seen in the frame's own layout round  // a paint
                                // of the window's widgets was seen, its flush not yet
    std::vector<QPointer<QWidget>> layoutsPending_;  // widgets whose layout pass was held
    long frames_ = 0;
    long putOff_ = 0;
};

}  // namespace platform::qt
