#include "heading/HeadingService.h"

#include <algorithm>
#include <memory>

namespace heading {

HeadingService::~HeadingService() = default;

void HeadingService::attach(SampleSink& sink) {
    if (std::find(attached_.begin(), attached_.end(), &sink) == attached_.end())
        attached_.push_back(&sink);
}

void HeadingService::detach(SampleSink& sink) {
    auto it = std::find(attached_.begin(), attached_.end(), &sink);
    if (it == attached_.end()) return;
    if (delivering_ > 0)
        *it = nullptr;  // the delivery loop is walking the list; compact afterwards
    else
        attached_.erase(it);
}

std::size_t HeadingService::listenerCount() const {
    return static_cast<std::size_t>(
        std::count_if(attached_.begin(), attached_.end(), [](auto* s) { return s != nullptr; }));
}

void HeadingService::compact() {
    if (delivering_ == 0)
        attached_.erase(std::remove(attached_.begin(), attached_.end(), nullptr), attached_.end());
}

void HeadingService::deliver(const Heading& raw) {
    ++samples_;
    if (calibrating()) {
        road_.tap()->take(raw);
        return;
    }
    auto owned = std::make_shared<Heading>(raw);
    // The correction first: the true heading is completed from the corrected magnetic one.
    if (correction_) correction_->apply(*owned);
    for (SampleStage* stage : road_.stages()) stage->complete(*owned);
    const std::shared_ptr<const Heading> sample = std::move(owned);
    for (SampleSink* sink : road_.sinks()) sink->onSample(sample);
    ++delivering_;
    const std::size_t n = attached_.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (SampleSink* s = attached_[i]) {
            ++deliveries_;
            s->onSample(sample);
        }
    }
    --delivering_;
    compact();
}

void HeadingService::fail(const LocationError& error) {
    for (SampleSink* sink : road_.sinks()) sink->onError(error);
    ++delivering_;
    const std::size_t n = attached_.size();
    for (std::size_t i = 0; i < n; ++i)
        if (SampleSink* s = attached_[i]) s->onError(error);
    --delivering_;
    compact();
}

}  // namespace heading
