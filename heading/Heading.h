#pragma once

#include <string>

namespace heading {

// One reading of the heading service: the magnetometer's axes in microtesla and the headings
// in degrees. trueHeading is negative when no true heading is known.
struct Heading {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double magneticHeading = 0.0;
    double trueHeading = -1.0;
    double timestamp = 0.0;  // seconds since the source started
    // The accelerometer's reading in device axes when the source has one (all 0 otherwise), so
    // that a heading taken afresh from corrected axes is tilt-compensated as the source's was.
    double gravityX = 0.0;
    double gravityY = 0.0;
    double gravityZ = 0.0;
    friend bool operator==(const Heading&, const Heading&) = default;

    static Heading of(double x, double y, double z, double magneticHeading = 0.0,
                      double trueHeading = -1.0) {
        Heading h;
        h.x = x;
        h.y = y;
        h.z = z;
        h.magneticHeading = magneticHeading;
        h.trueHeading = trueHeading;
        return h;
    }
};

struct LocationError {
    // The reading failed for now (device busy or gone); updates go on.
    static constexpr int kLocationUnknown = 0;
    // Access to the sensor was denied.
    static constexpr int kDenied = 1;
    // The source has nothing more to read: a replay reached the end of its file.
    static constexpr int kEnded = 2;

    int code = kLocationUnknown;
    std::string message;
};

// Heading filter value that delivers every change, however small.
inline constexpr double kHeadingFilterNone = -1.0;

}  // namespace heading
