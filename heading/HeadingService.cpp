#include "heading/HeadingService.h"

#include <algorithm>
#include <memory>

namespace heading {

HeadingService::~HeadingService() = default;

void HeadingService::attach(SampleSink& sink) {
    if (std::find(managers_.begin(), managers_.end(), &sink) == managers_.end())
        managers_.push_back(&sink);
}

void HeadingService::detach(SampleSink& sink) {
    auto it = std::find(managers_.begin(), managers_.end(), &sink);
    if (it == managers_.end()) return;
    if (delivering_ > 0)
        *it = nullptr;  // the delivery loop is walking the list; compact afterwards
    else
        managers_.erase(it);
}

std::size_t HeadingService::listenerCount() const {
    return static_cast<std::size_t>(
        std::count_if(managers_.begin(), managers_.end(), [](auto* m) { return m != nullptr; }));
}

void HeadingService::compact() {
    if (delivering_ == 0)
        managers_.erase(std::remove(managers_.begin(), managers_.end(), nullptr), managers_.end());
}

void HeadingService::deliver(const Heading& raw) {
    ++samples_;
    if (tap_) {
        tap_(raw);
        return;
    }
    auto owned = std::make_shared<Heading>(raw);
    // The correction first: the true heading is completed from the corrected magnetic one.
    if (correction_) correction_->apply(*owned);
    if (filter_) filter_(*owned);
    if (observer_) observer_(*owned);
    if (activity_) activity_(nullptr);
    for (const auto& listener : listeners_) listener.second(*owned);
    std::shared_ptr<const Heading> shared = std::move(owned);
    ++delivering_;
    const std::size_t n = managers_.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (SampleSink* m = managers_[i]) {
            ++deliveries_;
            m->onSample(shared);
        }
    }
    --delivering_;
    compact();
}

std::size_t HeadingService::addSampleListener(std::function<void(const Heading&)> listener) {
    listeners_.emplace_back(++nextListener_, std::move(listener));
    return nextListener_;
}

void HeadingService::removeSampleListener(std::size_t id) {
    listeners_.erase(std::remove_if(listeners_.begin(), listeners_.end(),
                                    [id](const auto& l) { return l.first == id; }),
                     listeners_.end());
}

void HeadingService::fail(const LocationError& error) {
    if (activity_) activity_(&error);
    ++delivering_;
    const std::size_t n = managers_.size();
    for (std::size_t i = 0; i < n; ++i)
        if (SampleSink* m = managers_[i]) m->onError(error);
    --delivering_;
    compact();
}

}  // namespace heading
