#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "heading/Callbacks.h"
#include "heading/Heading.h"
#include "heading/HeadingService.h"

namespace heading {

// Carries samples and errors from a reader thread to the heading service on the main thread,
// in order. At most one task is posted at a time, and it delivers at most kMaxPerTask events
// (posting itself again for the rest), so a fast source can neither flood the main loop with
// events nor hold it up in one long task.
class SampleChannel : public std::enable_shared_from_this<SampleChannel> {
  public:
    static constexpr std::size_t kMaxPerTask = 1024;

    // warn, when given, tells a person on the main thread what the screens keep quiet about: a
    // sensor that failed (once per outage), is denied, or reads again after an outage.
    SampleChannel(HeadingService& service, Post post, Warn warn = {});

    // Any thread.
    void push(const heading::Heading& heading);
    void push(const std::vector<heading::Heading>& headings);
    void pushError(const heading::LocationError& error);

    // Samples and errors waiting for the main thread; a source that can afford to drop samples
    // checks it so a slow main loop does not make the backlog grow without end.
    std::size_t backlog();
    // Any thread: n samples were let go instead of pushed, counted for the metrics.
    void dropped(std::uint64_t n) { service_.countDropped(n); }

    // Reader thread: blocks while limit or more are waiting, until the main thread has taken
    // some, the channel is closed or stop is requested. A source with no pace of its own (a
    // replay as fast as possible) waits here instead of filling memory.
    void waitForRoom(std::size_t limit, std::stop_token stop);

    // Main thread: nothing pushed or still waiting reaches the service afterwards, and nothing
    // pushed afterwards is posted.
    void close();

  private:
    struct Event {
        heading::Heading heading;
        std::optional<heading::LocationError> error;
    };
    void scheduleLocked(std::unique_lock<std::mutex>& lock);
    void drain();

    HeadingService& service_;
    Post post_;
    Warn warn_;
    std::mutex mutex_;
    std::vector<Event> pending_;
    std::size_t taken_ = 0;  // under mutex_: pending_'s events before this are delivered
    std::condition_variable_any room_;
    bool scheduled_ = false;
    bool shut_ = false;    // under mutex_: closed, so pushes are dropped
    bool closed_ = false;  // main thread only
    bool outage_ = false;  // main thread only
};

}  // namespace heading
