#pragma once

#include <stdexcept>
#include <string>

namespace heading {

// A place on the WGS84 ellipsoid: degrees north and east, metres above the ellipsoid.
struct Location {
    double latitude = 0.0;
    double longitude = 0.0;
    double altitude = 0.0;
};

// The Earth's main field at one place and time. Angles in degrees (declination positive east
// of true north, inclination positive below the horizon), field components in nanotesla.
struct FieldValues {
    double declination = 0.0;
    double inclination = 0.0;
    double total = 0.0;
    double horizontal = 0.0;
    double north = 0.0;
    double east = 0.0;
    double down = 0.0;
};

// A model of the Earth's main field. Evaluation is const and safe from any thread.
class FieldModel {
  public:
    virtual ~FieldModel() = default;

    // decimalYear as in 2027.5; the caller keeps it within validFrom()..validUntil() and the
    // altitude within minAltitude()..maxAltitude(), where the model holds.
    virtual FieldValues evaluate(const Location& location, double decimalYear) const = 0;

    virtual std::string name() const = 0;  // "WMM2025"
    virtual double validFrom() const = 0;  // decimal years
    virtual double validUntil() const = 0;
    virtual double minAltitude() const = 0;  // metres
    virtual double maxAltitude() const = 0;
};

// A model that cannot be loaded or converted, or a place or date it does not cover.
class FieldModelError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace heading
