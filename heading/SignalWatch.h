#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "heading/SampleSink.h"
#include "heading/SilenceLimit.h"

namespace heading {

class HeadingService;

// Whether readings are coming: the one place the signal's state is worked out, for the window,
// the browser view, the station and the publisher alike. The readings count as stale while the
// source reports an outage, or when no sample has come for longer than the source's pace allows
// (see SilenceLimit: a second at least); the next sample makes them live again. A source that
// may not be read (access denied) or a replay that has reached its end is stale for good, until
// a sample proves otherwise.
class SignalWatch : public SampleSink {
  public:
    enum class State { Live, Stale, Ended, Denied, None };
    using Clock = std::chrono::steady_clock;
    using Now = Clock::time_point (*)();

    // service says whether there is a source at all, whether a calibration takes the samples,
    // and how fast the source reads. now tells the time (tests set their own).
    explicit SignalWatch(const HeadingService& service, Now now = &Clock::now);

    // Looks at the time since the last sample; call every so often (the screens and the browser
    // view do, a few times a second). Tells the change listener when the state or text changed.
    void check();

    State state() const;
    // "live", "stale", "ended", "denied" or "none", as /api/v1/status and the stream say it.
    std::string key() const;
    bool isStale() const { return stale_; }
    bool isStopped() const { return stopped_; }
    bool hasEnded() const { return ended_; }
    // The status line shown now ("No signal — trying again"); empty while the readings are live.
    const std::string& text() const { return text_; }

    // Called as the state or its text changes (on a sample, an error or a check).
    void onChange(std::function<void()> changed) { changed_ = std::move(changed); }

    void onSample(const std::shared_ptr<const Heading>& sample) override;
    void onError(const LocationError& error) override;

  private:
    void setStale(bool stale);
    std::string staleText() const;

    const HeadingService& service_;
    Now now_;
    SilenceLimit limit_;
    Clock::time_point lastSample_;
    bool stale_ = false;
    bool stopped_ = false;
    bool ended_ = false;
    std::string text_;
    std::function<void()> changed_;
};

}  // namespace heading
