#pragma once

#include "heading/HeadingService.h"
#include "heading/HeadingSession.h"
#include "heading/SignalWatch.h"

namespace app {

// The source and its session, and the watch that says whether its readings are coming: the
// part every run with samples has. Made before Qt starts: the session reads a replay whole,
// creates the record file and loads the calibration, so a mistake in any of them is told even
// where there is no display. Until the source has started, the record file is taken back when
// the part goes (a start-up that stops leaves nothing behind).
class SourcePart {
  public:
    // Throws StartError. post runs a task on the loop's thread, in order.
    SourcePart(const heading::SourceOptions& options, heading::HeadingService& service,
               heading::Post post);
    ~SourcePart();
    SourcePart(const SourcePart&) = delete;
    SourcePart& operator=(const SourcePart&) = delete;

    heading::HeadingSession& session() { return session_; }
    heading::SignalWatch& signal() { return signal_; }

    // Throws StartError.
    void start();
    // Readers stop and are joined: no sample is posted after it.
    void stop() { session_.stop(); }
    // Takes the record file back unless the source has started (Qt ending the program).
    void discardUnlessStarted();

  private:
    heading::SignalWatch signal_;
    heading::HeadingSession session_;
    bool started_ = false;
};

}  // namespace app
