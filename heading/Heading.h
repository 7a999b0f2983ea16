#pragma once

#include <string>

namespace heading {

// A unit the screens write the field in: its symbol, how many of it make a microtesla, and the
// printf format that gives it the resolution of a tenth of a microtesla.
struct FieldUnit {
    const char* symbol;
    double perMicrotesla;
    const char* format;
    friend bool operator==(const FieldUnit&, const FieldUnit&) = default;
};

// How the screens show a sample, set on its way to them by the instrument stage. Left as it is, a
// sample is shown as measured, in microtesla. Whatever it says, the alarm judges the field
// measured.
struct Presentation {
    bool held = false;      // the screens keep showing what they showed
    bool relative = false;  // show the difference from the reference (x0, y0, z0)
    double x0 = 0.0;
    double y0 = 0.0;
    double z0 = 0.0;
    const FieldUnit* unit = nullptr;  // null: microtesla, as the screens write it of their own
    friend bool operator==(const Presentation&, const Presentation&) = default;
};

// One reading of the heading service: the magnetometer's axes in microtesla and the headings
// in degrees. trueHeading is negative when no true heading is known.
struct Heading {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double magneticHeading = 0.0;
    double trueHeading = -1.0;
    double timestamp = 0.0;  // seconds since the source started
    // When the sample was taken, in seconds since 1970-01-01T00:00:00Z: the source's own time (a
    // replay's recorded times, a sensor's kernel timestamps or the system clock), 0 when unknown.
    double utc = 0.0;
    // The source's own scalar total in µT where it has a scalar magnetometer; negative otherwise.
    double f = -1.0;
    // Components the source has no value for in this sample (kMissingX...), left at 0 here.
    unsigned missing = 0;
    // The accelerometer's reading in device axes when the source has one (all 0 otherwise), so
    // that a heading taken afresh from corrected axes is tilt-compensated as the source's was.
    double gravityX = 0.0;
    double gravityY = 0.0;
    double gravityZ = 0.0;
    Presentation shown;
    friend bool operator==(const Heading&, const Heading&) = default;

    static constexpr unsigned kMissingX = 1, kMissingY = 2, kMissingZ = 4, kMissingF = 8;

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
