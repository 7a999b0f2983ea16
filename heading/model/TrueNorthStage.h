#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "heading/Callbacks.h"
#include "heading/SampleStage.h"
#include "heading/model/FieldModel.h"
#include "heading/model/TrueNorth.h"

namespace heading {

// Fills in every sample's true heading from the field model at the user's location: the one
// given on the command line, or else the one reported later (the system's location service).
// The location is used here only; it is never logged. Main thread only.
class TrueNorthStage : public SampleStage {
  public:
    // Loads the field model; throws FieldModelError saying what was wrong.
    using ModelLoader = std::function<std::shared_ptr<const FieldModel>()>;

    // With a location the model is loaded at once, and one that cannot be loaded throws
    // FieldModelError. Without one the model is loaded when a location first arrives.
    TrueNorthStage(ModelLoader loadModel, std::optional<Location> location, Warn warn);

    // A new location.
    void locate(const Location& location);

    // The model's total field at the location, in µT, once a location is known.
    std::optional<double> totalFieldMicrotesla() {
        return trueNorth_ ? trueNorth_->totalMicrotesla() : std::nullopt;
    }

    // Why no true heading can be given now, in words for the screen ("no location: give
    // --location=LAT,LON or --declination=DEG"); empty once the declination is known.
    std::string whyUnknown();

    void complete(Heading& sample) override {
        if (trueNorth_) trueNorth_->fill(sample);
    }

  private:
    bool loadModel();

    ModelLoader loader_;
    Warn warn_;
    std::unique_ptr<TrueNorth> trueNorth_;
    bool modelFailed_ = false;
};

}  // namespace heading
