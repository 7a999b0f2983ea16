#include "compass/CompassPoint.h"

#include <cmath>

namespace compass {

const char* compassPoint(float heading) {
    if (std::isnan(heading)) return nullptr;
    // Cardinal points own their open ranges; the intercardinal points own the closed ranges
    // between them, bounds included. All comparisons stay in single precision.
    if (heading < 23.0f || heading > 337.0f) return "N";
    if (heading <= 67.0f) return "NE";
    if (heading < 113.0f) return "E";
    if (heading <= 157.0f) return "SE";
    if (heading < 203.0f) return "S";
    if (heading <= 247.0f) return "SW";
    if (heading < 293.0f) return "W";
    return "NW";
}

}  // namespace compass
