#include "heading/SampleChannel.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace heading {

SampleChannel::SampleChannel(HeadingService& service, Post post, Warn warn)
    : service_(service), post_(std::move(post)), warn_(std::move(warn)) {}

void SampleChannel::push(const heading::Heading& heading) {
    std::unique_lock lock(mutex_);
    if (shut_) return;
    pending_.push_back({heading, std::nullopt});
    scheduleLocked(lock);
}

void SampleChannel::push(const std::vector<heading::Heading>& headings) {
    if (headings.empty()) return;
    std::unique_lock lock(mutex_);
    if (shut_) return;
    for (const auto& h : headings) pending_.push_back({h, std::nullopt});
    scheduleLocked(lock);
}

void SampleChannel::pushError(const heading::LocationError& error) {
    std::unique_lock lock(mutex_);
    if (shut_) return;
    pending_.push_back({{}, error});
    scheduleLocked(lock);
}

void SampleChannel::scheduleLocked(std::unique_lock<std::mutex>& lock) {
    if (scheduled_) return;
    scheduled_ = true;
    lock.unlock();
    // The task keeps the channel alive; close() keeps it away from the service.
    post_([self = shared_from_this()] { self->drain(); });
}

std::size_t SampleChannel::backlog() {
    std::lock_guard lock(mutex_);
    return pending_.size() - taken_;
}

void SampleChannel::waitForRoom(std::size_t limit, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, stop, [&] { return shut_ || pending_.size() - taken_ < limit; });
}

void SampleChannel::close() {
    closed_ = true;
    std::lock_guard lock(mutex_);
    shut_ = true;  // a reader left behind, stuck, may push when it wakes: nothing is posted
    pending_.clear();
    taken_ = 0;
    room_.notify_all();
}

void SampleChannel::drain() {
    std::vector<Event> batch;
    {
        std::unique_lock lock(mutex_);
        if (pending_.size() - taken_ <= kMaxPerTask && taken_ == 0) {
            batch.swap(pending_);
        } else {
            const std::size_t end = std::min(pending_.size(), taken_ + kMaxPerTask);
            batch.assign(std::make_move_iterator(pending_.begin() + std::ptrdiff_t(taken_)),
                         std::make_move_iterator(pending_.begin() + std::ptrdiff_t(end)));
            taken_ = end;
            if (taken_ == pending_.size()) {
                pending_.clear();
                taken_ = 0;
            } else if (taken_ * 2 >= pending_.size()) {
                // A source that never lets the queue run dry must not grow it without end.
                pending_.erase(pending_.begin(), pending_.begin() + std::ptrdiff_t(taken_));
                taken_ = 0;
            }
        }
        scheduled_ = false;
        room_.notify_all();
        // The rest goes in a task of its own, after whatever else the main loop has to do.
        if (pending_.size() > taken_) scheduleLocked(lock);
    }
    for (const auto& event : batch) {
        if (closed_) return;  // a delegate may stop the session part-way through a batch
        if (event.error && event.error->code == heading::LocationError::kEnded) {
            outage_ = false;  // the source said so itself: nothing to warn of
            service_.fail(*event.error);
        } else if (event.error) {
            const bool denied = event.error->code == heading::LocationError::kDenied;
            if (warn_)
                warn_(event.error->message +
                      (denied ? "; the sensor is not read any more" : "; trying again"));
            outage_ = !denied;
            service_.fail(*event.error);
        } else {
            if (outage_ && warn_) warn_("the sensor reads again");
            outage_ = false;
            service_.deliver(event.heading);
        }
    }
}

}  // namespace heading
