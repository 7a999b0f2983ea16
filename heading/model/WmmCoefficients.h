#pragma once

#include <istream>
#include <string>
#include <vector>

namespace heading {

// The World Magnetic Model's published coefficient file (WMM.COF): the epoch, then one line per
// degree n and order m with the Gauss coefficients g and h (nT) and their yearly change (nT/yr),
// ended by a line of nines.
struct WmmCoefficients {
    struct Term {
        int n = 0, m = 0;
        double g = 0.0, h = 0.0, gDot = 0.0, hDot = 0.0;
    };

    double epoch = 0.0;       // decimal year, 2025.0
    std::string model;        // as the file names it: "WMM-2025"
    std::string releaseDate;  // as the file gives it: "11/13/2024"
    int degree = 0;           // the highest n
    std::vector<Term> terms;  // in the file's order

    // Throws FieldModelError naming source and line and what was expected there.
    static WmmCoefficients parse(std::istream& in, const std::string& source);
};

// Writes the coefficients as GeographicLib's magnetic model NAME in folder: NAME.wmm (the
// metadata, text) and NAME.wmm.cof (the coefficients, little-endian binary). The model holds for
// five years from its epoch, from 1 km below to 850 km above the ellipsoid, as the WMM is
// published. Throws FieldModelError when a file cannot be written.
void writeGeographicLibModel(const WmmCoefficients& coefficients, const std::string& folder,
                             const std::string& name);

}  // namespace heading
