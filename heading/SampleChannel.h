#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "heading/Callbacks.h"
#include "heading/Heading.h"
#include "heading/HeadingService.h"

namespace heading {

// Carries samples and errors from a reader thread to the heading service on the main thread,
// in order. At most one task is posted at a time: whatever piles up while it waits is delivered
// by that one task, so a fast source cannot flood the main loop with events.
class SampleChannel : public std::enable_shared_from_this<SampleChannel> {
  public:
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
    bool scheduled_ = false;
    bool shut_ = false;    // under mutex_: closed, so pushes are dropped
    bool closed_ = false;  // main thread only
    bool outage_ = false;  // main thread only
};

}  // namespace heading
