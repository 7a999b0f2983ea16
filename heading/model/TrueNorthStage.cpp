#include "heading/model/TrueNorthStage.h"

#include <string>
#include <utility>

#include "heading/model/FieldQuery.h"

namespace heading {

TrueNorthStage::TrueNorthStage(ModelLoader loadModel, std::optional<Location> location, Warn warn)
    : loader_(std::move(loadModel)), warn_(std::move(warn)) {
    if (!location) return;
    auto model = loader_();
    checkAltitude(*model, *location);
    trueNorth_ = std::make_unique<TrueNorth>(std::move(model), warn_);
    trueNorth_->setLocation(*location);
}

void TrueNorthStage::locate(const Location& location) {
    if (!loadModel()) return;
    trueNorth_->setLocation(location);
}

std::string TrueNorthStage::whyUnknown() {
    if (modelFailed_) return "the field model could not be loaded";
    if (!trueNorth_ || !trueNorth_->hasLocation())
        return "no location: give --location=LAT,LON or --declination=DEG";
    if (!trueNorth_->declination()) return "the field model does not cover today's date";
    return {};
}

bool TrueNorthStage::loadModel() {
    if (trueNorth_) return true;
    if (modelFailed_) return false;
    try {
        trueNorth_ = std::make_unique<TrueNorth>(loader_(), warn_);
        return true;
    } catch (const FieldModelError& e) {
        modelFailed_ = true;
        if (warn_) warn_(std::string(e.what()) + "; there is no true heading");
        return false;
    }
}

}  // namespace heading
