#include "heading/SignalWatch.h"

#include "heading/HeadingService.h"

namespace heading {

SignalWatch::SignalWatch(const HeadingService& service, Now now)
    : service_(service), now_(now), lastSample_(now()) {}

void SignalWatch::onSample(const std::shared_ptr<const Heading>& sample) {
    lastSample_ = now_();
    limit_.sample(sample->timestamp);
    stopped_ = false;
    ended_ = false;
    if (stale_) setStale(false);
}

void SignalWatch::onError(const LocationError& error) {
    ended_ = error.code == LocationError::kEnded;
    stopped_ = error.code == LocationError::kDenied;
    setStale(true);
}

void SignalWatch::check() {
    limit_.setRate(service_.sourceRate());
    const double silent = std::chrono::duration<double>(now_() - lastSample_).count();
    // Once stale, again each time: a calibration begun or ended since changes the text.
    if (stale_ || limit_.stale(silent)) setStale(true);
}

SignalWatch::State SignalWatch::state() const {
    if (!service_.headingAvailable()) return State::None;
    if (!stale_) return State::Live;
    if (ended_) return State::Ended;
    return stopped_ ? State::Denied : State::Stale;
}

std::string SignalWatch::key() const {
    switch (state()) {
        case State::Live:
            return "live";
        case State::Stale:
            return "stale";
        case State::Ended:
            return "ended";
        case State::Denied:
            return "denied";
        case State::None:
            break;
    }
    return "none";
}

void SignalWatch::setStale(bool stale) {
    std::string text = stale ? staleText() : std::string();
    if (stale == stale_ && text == text_) return;
    stale_ = stale;
    text_ = std::move(text);
    if (changed_) changed_();
}

std::string SignalWatch::staleText() const {
    if (ended_) return "No signal \u2014 the replay has ended";
    if (stopped_) return "No signal \u2014 the sensor is not read";
    // The guided calibration takes every sample while it runs: nothing is wrong with the source.
    return service_.calibrating() ? "Calibrating\u2026" : "No signal \u2014 trying again";
}

}  // namespace heading
