#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "heading/Callbacks.h"
#include "heading/Heading.h"
#include "heading/model/FieldModel.h"
#include "heading/model/FieldQuery.h"

namespace heading {

// Works out the true heading of each sample from the field model's declination at the user's
// location and today's date, as a phone does when it knows where it is. Without a location, or
// on a date the model does not cover, the sample keeps the true heading its source gave it (-1,
// unknown, for a live sensor; the recorded one for a replay). Main thread only.
class TrueNorth {
  public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // The declination is worked out again when the location changes and once an hour.
    static constexpr std::chrono::hours kRefresh{1};

    // warn tells the user, once per cause, why a declination is missing or uncertain; it never
    // names the location.
    TrueNorth(
        std::shared_ptr<const FieldModel> model, Warn warn,
        Clock clock = [] { return std::chrono::system_clock::now(); });

    void setLocation(const Location& location);
    bool hasLocation() const { return location_.has_value(); }

    // Degrees east of true north, or nothing when not known.
    std::optional<double> declination();
    // The field's strength there, in µT, or nothing when not known: what a compass calibration
    // scales the corrected field to.
    std::optional<double> totalMicrotesla();

    // Sets h.trueHeading to its magnetic heading plus the declination, in [0, 360), when the
    // declination is known.
    void fill(heading::Heading& h);

    const FieldModel& model() const { return *model_; }

  private:
    void recompute(std::chrono::system_clock::time_point now);

    std::shared_ptr<const FieldModel> model_;
    Warn warn_;
    Clock clock_;
    std::optional<Location> location_;
    std::optional<double> declination_;
    std::optional<double> total_;
    std::optional<std::chrono::system_clock::time_point> computedAt_;
    Caution cautioned_ = Caution::None;
    bool warnedOutOfDate_ = false;
};

}  // namespace heading
