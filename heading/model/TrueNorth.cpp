#include "heading/model/TrueNorth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "heading/HeadingMath.h"

namespace heading {

TrueNorth::TrueNorth(std::shared_ptr<const FieldModel> model, Warn warn, Clock clock)
    : model_(std::move(model)), warn_(std::move(warn)), clock_(std::move(clock)) {}

void TrueNorth::setLocation(const Location& location) {
    location_ = location;
    computedAt_.reset();
}

std::optional<double> TrueNorth::declination() {
    if (!location_) return std::nullopt;
    const auto now = clock_();
    // A clock set back counts as due too.
    if (!computedAt_ || now < *computedAt_ || now - *computedAt_ >= kRefresh) recompute(now);
    return declination_;
}

std::optional<double> TrueNorth::totalMicrotesla() {
    declination();  // brings both up to date
    return total_;
}

void TrueNorth::fill(heading::Heading& h) {
    if (const auto d = declination()) h.trueHeading = trueHeadingFrom(h.magneticHeading, *d);
}

void TrueNorth::recompute(std::chrono::system_clock::time_point now) {
    computedAt_ = now;
    declination_.reset();
    total_.reset();
    const double year = decimalYear(now);
    if (year < model_->validFrom() || year > model_->validUntil()) {
        if (!warnedOutOfDate_ && warn_) {
            char text[200];
            std::snprintf(text, sizeof text,
                          "today (%.1f) lies outside %.1f to %.1f, the years %s covers: there is "
                          "no true heading without --declination",
                          year, model_->validFrom(), model_->validUntil(), model_->name().c_str());
            warn_(text);
        }
        warnedOutOfDate_ = true;
        return;
    }
    // A location service may report an altitude the model does not reach; the declination
    // hardly changes with height, so the nearest height the model holds stands in for it.
    Location at = *location_;
    at.altitude = std::clamp(at.altitude, model_->minAltitude(), model_->maxAltitude());
    const FieldValues field = model_->evaluate(at, year);
    if (!std::isfinite(field.declination)) return;
    declination_ = field.declination;
    if (std::isfinite(field.total) && field.total > 0.0) total_ = field.total / 1000.0;
    const Caution caution = cautionFor(field);
    if (caution != Caution::None && caution != cautioned_ && warn_) warn_(cautionWarning(field));
    cautioned_ = caution;
}

}  // namespace heading
