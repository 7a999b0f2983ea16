#include "station/Station.h"

#include <cmath>
#include <utility>

namespace station {

namespace {

constexpr double kNanoteslaPerMicrotesla = 1000.0;

StationSample toSample(const heading::Heading& h) {
    using heading::Heading;
    StationSample s;
    s.utc = h.utc;
    const double v[4] = {h.x, h.y, h.z, h.f};
    const unsigned bits[4] = {Heading::kMissingX, Heading::kMissingY, Heading::kMissingZ,
                              Heading::kMissingF};
    for (int i = 0; i < 4; ++i)
        s.v[i] = (h.missing & bits[i]) || (i == 3 && h.f < 0.0) ? kMissing
                                                                : v[i] * kNanoteslaPerMicrotesla;
    return s;
}

}  // namespace

Station::Station(bool scalarTotal, Resume resume)
    : scalarTotal_(scalarTotal), resume_(std::move(resume)) {}

void Station::begin(std::int64_t firstSecond) {
    StationResume resume;
    if (resume_) resume = resume_(firstSecond);
    means_.emplace(scalarTotal_, resume.lastSecond);
    filter_.emplace(resume.lastMinute ? std::optional<std::int64_t>(*resume.lastMinute + 60)
                                      : std::nullopt);
    // The seconds already written feed the filter again, but are not told again.
    for (const StationValue& s : resume.seconds) filter_->push(s, minutes_);
    tellMinutes();
}

void Station::onSample(const std::shared_ptr<const heading::Heading>& sample) {
    if (!(sample->utc > 0.0) || !std::isfinite(sample->utc)) {
        ++unknownTime_;
        return;
    }
    if (!means_) begin(static_cast<std::int64_t>(std::floor(sample->utc)));
    if (const auto done = means_->add(toSample(*sample))) second(*done);
}

void Station::onError(const heading::LocationError& error) {
    if (error.code == heading::LocationError::kEnded) finish();
}

void Station::finish() {
    if (!means_) return;
    if (const auto done = means_->flush()) second(*done);
    filter_->finish(minutes_);
    tellMinutes();
}

void Station::second(const StationValue& value) {
    for (StationListener* l : listeners_) l->onSecond(value);
    filter_->push(value, minutes_);
    tellMinutes();
}

void Station::tellMinutes() {
    for (const StationValue& m : minutes_)
        for (StationListener* l : listeners_) l->onMinute(m);
    minutes_.clear();
}

}  // namespace station
