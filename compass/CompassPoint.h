#pragma once

namespace compass {

// The compass point ("N" … "NW") that names a heading in degrees, or null for a heading that is
// not a number. A heading exactly on a bound belongs to the intercardinal point beside it, so
// every number has a name; anything below 23 or above 337 (negative, 360 and over) is "N".
const char* compassPoint(float heading);

}  // namespace compass
