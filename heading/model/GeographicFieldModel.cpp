#include "heading/model/GeographicFieldModel.h"

#include <GeographicLib/MagneticModel.hpp>
#include <algorithm>
#include <cctype>

namespace heading {

GeographicFieldModel::GeographicFieldModel(const std::string& folder, const std::string& name) {
    try {
        model_ = std::make_unique<GeographicLib::MagneticModel>(name, folder);
    } catch (const std::exception& e) {
        throw FieldModelError("cannot load the field model " + name + " from " + folder + ": " +
                              e.what());
    }
    name_ = name;
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

double GeographicFieldModel::validFrom() const {
    return model_->MinTime();
}

double GeographicFieldModel::validUntil() const {
    return model_->MaxTime();
}

double GeographicFieldModel::minAltitude() const {
    return model_->MinHeight();
}

double GeographicFieldModel::maxAltitude() const {
    return model_->MaxHeight();
}

}  // namespace heading
