#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace platform::qt {

// Holds a window's repaints to one per frame interval. Qt repaints a window as soon as the loop
// is idle after an update(), so a sensor delivering a thousand samples a second would repaint
// it a thousand times a second, far above what a display shows. A repaint that comes too soon
// is put off to the end of the interval, merged with whatever else changed by then: the last
// change is always painted, at most one interval late. Layout passes of the window's widgets (a
// label's new text may change its size) are held the same way and run just before the frame.
class FramePacer : public QObject {
  public:
    static constexpr int kDefaultIntervalMs = 17;  // just over one frame of a 60 Hz display

    explicit FramePacer(QWidget* window, int intervalMs = kDefaultIntervalMs);
    ~FramePacer() override;

    long framesPainted() const { return frames_; }
    long framesPutOff() const { return putOff_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void paintNow();

    QPointer<QWidget> window_;
    int intervalMs_;
    QElapsedTimer clock_;
    qint64 lastFrameMs_ = -1;
    QTimer deferred_;
    bool delivering_ = false;
    bool updatePending_ = false;
    std::vector<QPointer<QWidget>> layoutsPending_;  // widgets whose layout pass was held
    long frames_ = 0;
    long putOff_ = 0;
};

}  // namespace platform::qt
