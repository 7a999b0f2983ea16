#pragma once

#include <chrono>
#include <string>

#include "heading/model/FieldModel.h"

namespace heading {

// "LAT,LON" or "LAT,LON,ALT_M": degrees north in [-90, 90], degrees east in [-180, 360), metres
// above the WGS84 ellipsoid (0 when left out); spaces may follow the commas. Throws FieldModelError
// naming the option, the value and the range.
Location parseLocation(const std::string& text);

// "YYYY-MM-DD" (a day in UTC, taken at its start) or a decimal year such as 2027.5. Throws
// FieldModelError for anything else.
double parseDate(const std::string& text);

// The decimal year of a moment: the year plus the part of it gone by.
double decimalYear(std::chrono::system_clock::time_point when);

// Throw FieldModelError when the model does not cover the location's altitude, or the year
// (dateText names the date in the message: "--date=2031-01-01").
void checkAltitude(const FieldModel& model, const Location& location);
void checkYear(const FieldModel& model, double year, const std::string& dateText);

// How far a declination can be trusted: near the magnetic poles the horizontal field is weak
// and the declination turns quickly from place to place.
enum class Caution { None, NearPole, Unreliable };
inline constexpr double kNearPoleHorizontal = 6000.0;    // nT
inline constexpr double kUnreliableHorizontal = 2000.0;  // nT
Caution cautionFor(const FieldValues& field);

// One line: "declination=D inclination=I total=F horizontal=H north=X east=Y down=Z model=NAME"
// (degrees to 4 decimals, nanotesla to 1), then " caution=near-pole" or " caution=unreliable"
// where that applies.
std::string fieldReport(const FieldValues& field, const std::string& modelName);

// What a user is told when the declination cannot be trusted; empty when it can. Names no place.
std::string cautionWarning(const FieldValues& field);

}  // namespace heading
