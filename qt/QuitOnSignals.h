#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "qt/StopSignals.h"

namespace platform::qt {

// Ctrl+C (SIGINT), SIGTERM and SIGHUP ask the event loop to quit, so the run ends as with
// --quit-after: the recording flushed, the summary printed, exit status 0. A second one ends
// the program at once, as the signal would have. A signal ignored when we started (nohup) stays
// ignored. One per process; construct once the application exists.
class QuitOnSignals : public QObject {
  public:
    QuitOnSignals();
    ~QuitOnSignals() override;
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

  private:
    void received();

    int pipe_[2] = {-1, -1};  // the handler's byte, read on the main thread
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<StopSignals> signals_;
};

}  // namespace platform::qt
