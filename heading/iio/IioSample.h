#pragma once

#include <optional>

#include "heading/Heading.h"
#include "heading/iio/IioTriad.h"

namespace heading {

// A sample from a field reading (Gauss, device axes), an accelerometer's when there is one
// (nullptr or a failed reading: the device is taken to lie flat) and the time it was taken.
heading::Heading iioSample(const Vector3& field, const IioTriad::Reading* gravity,
                           std::optional<double> declination, double t);

}  // namespace heading
