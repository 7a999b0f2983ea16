#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <string>

namespace platform::qt {

// What a run cost, for automated checks: when the window's first frame was handed to the window
// system, counted from the start of the process, and how often each self-drawn view painted.
class RunStats : public QObject {
  public:
    RunStats();

    // The window whose views are counted.
    void watch(QWidget* window);
    // A frame of the window has been flushed.
    void frameShown();
    double firstFrameMs() const { return firstFrameMs_; }
    double secondsRun() const;
    // One line: the paints of every self-drawn view under window, the run's length and the time
    // to the first frame. Call before the screens go.
    std::string summary() const;

  private:
    QElapsedTimer clock_;
    double startedMs_ = 0.0;      // how long the process had run when clock_ started
    double firstFrameMs_ = -1.0;  // from the start of the process
    QPointer<QWidget> window_;
};

}  // namespace platform::qt
