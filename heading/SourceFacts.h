#pragma once

#include <optional>
#include <string>

namespace heading {

// What a source says of itself for a station's files: how its components are laid out, and,
// for a replayed observatory file, the station it came from.
struct SourceFacts {
    std::string code;  // a replayed file's own IAGA code and station name; empty otherwise
    std::string name;
    std::optional<double> latitude;  // a replayed file's own location
    std::optional<double> longitude;
    std::optional<double> elevation;
    // The components as the file or the device gives them: a live sensor reports its own axes
    // (x, y, z as mounted) and the vector total.
    std::string reported = "XYZF";
    std::string orientation = "XYZF";
    std::string sampling;      // how often the source samples ("0.02 second"); empty if unknown
    unsigned notRecorded = 0;  // Heading::kMissing* bits of components the source never has
    bool scalarTotal = false;  // samples carry the source's own total field (Heading::f)
};

}  // namespace heading
