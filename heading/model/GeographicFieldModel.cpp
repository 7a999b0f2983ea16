#include "heading/model/GeographicFieldModel.h"

#include <GeographicLib/MagneticModel.hpp>
#include <algorithm>
#include <cctype>

#include "heading/Numbers.h"
#include "heading/model/ModelFiles.h"

namespace heading {

GeographicFieldModel::GeographicFieldModel(const std::string& folder) {
    const ModelLayout& layout = kShippedModel;
    // Our own check first: the library trusts the files' sizes and values.
    checkModelFiles(folder, layout);
    const std::string damaged = "the field model in " + folder + " is damaged: ";
    try {
        model_ = std::make_unique<GeographicLib::MagneticModel>(layout.name, folder);
    } catch (const std::exception& e) {
        throw FieldModelError(damaged + printable(e.what(), 200));
    }
    // What the library read is what was checked (the files may have changed in between).
    if (model_->Degree() != layout.degree || model_->MinTime() != layout.epoch ||
        model_->MaxTime() != layout.validUntil() || model_->MinHeight() != layout.minHeight ||
        model_->MaxHeight() != layout.maxHeight)
        throw FieldModelError(damaged + "the files changed while they were read");
    name_ = layout.name;
    std::transform(name_.begin(), name_.end(), name_.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
}

GeographicFieldModel::~GeographicFieldModel() = default;

FieldValues GeographicFieldModel::evaluate(const Location& location, double decimalYear) const {
    // GeographicLib gives the east, north and up components.
    double east = 0.0, north = 0.0, up = 0.0;
    (*model_)(decimalYear, location.latitude, location.longitude, location.altitude, east, north,
              up);
    FieldValues v;
    GeographicLib::MagneticModel::FieldComponents(east, north, up, v.horizontal, v.total,
                                                  v.declination, v.inclination);
    v.north = north;
    v.east = east;
    v.down = -up;
    return v;
}

// Our own limits, whatever a file says.
double GeographicFieldModel::validFrom() const {
    return kShippedModel.epoch;
}

double GeographicFieldModel::validUntil() const {
    return kShippedModel.validUntil();
}

double GeographicFieldModel::minAltitude() const {
    return kShippedModel.minHeight;
}

double GeographicFieldModel::maxAltitude() const {
    return kShippedModel.maxHeight;
}

}  // namespace heading
