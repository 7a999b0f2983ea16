#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <string>

namespace platform::qt {

// What a run cost, for automated checks: when the window first painted, counted from the start
// of the process, and how often each self-drawn view painted.
class RunStats : public QObject {
  public:
    RunStats();

    // Notes the first paint of window.
    void watch(QWidget* window);
    // One line: the paints of every self-drawn view under window, the run's length and the time
    // to the first frame. Call before the screens go.
    std::string summary() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QElapsedTimer clock_;
    double startedMs_ = 0.0;      // how long the process had run when clock_ started
    double firstFrameMs_ = -1.0;  // from the start of the process
    QPointer<QWidget> window_;
};

}  // namespace platform::qt
