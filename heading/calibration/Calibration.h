#pragma once

#include <array>
#include <optional>
#include <string>

#include "heading/Heading.h"
#include "heading/HeadingMath.h"
#include "heading/calibration/MatrixCheck.h"

namespace heading::calibration {

enum class FitKind { Ellipsoid, Sphere };

// How good a fit is, as the user is shown it.
struct FitQuality {
    FitKind kind = FitKind::Ellipsoid;
    double radius = 0.0;           // µT: the corrected field's magnitude
    double fittedRadius = 0.0;     // µT: the raw samples' own radius, before any reference
    double residualPercent = 0.0;  // RMS of |corrected| − radius, in % of radius
    double coveragePercent = 0.0;  // share of the direction bins the samples reached
};

const char* kindName(FitKind kind);

// A hard- and soft-iron correction: corrected = matrix · (raw − offset). matrix is row-major.
struct Calibration {
    Vector3 offset;
    std::array<double, 9> matrix{1, 0, 0, 0, 1, 0, 0, 0, 1};
    FitQuality quality;

    Vector3 correct(const Vector3& raw) const {
        const double x = raw.x - offset.x, y = raw.y - offset.y, z = raw.z - offset.z;
        const auto& m = matrix;
        return {m[0] * x + m[1] * y + m[2] * z, m[3] * x + m[4] * y + m[5] * z,
                m[6] * x + m[7] * y + m[8] * z};
    }

    // Corrects the axes and takes the magnetic heading afresh from them (tilt-compensated when
    // the sample carries gravity). A known true heading keeps its distance from the magnetic
    // one. A sample with a value that is not finite passes untouched.
    void apply(heading::Heading& heading) const;

    // Why these numbers are no correction a sensor next to steel needs, or nothing.
    std::optional<MatrixProblem> problem() const;
};

}  // namespace heading::calibration
