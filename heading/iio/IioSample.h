#pragma once

#include <optional>

#include "heading/iio/IioTriad.h"
#include "platform/Heading.h"

namespace heading {

// A sample from a field reading (Gauss, device axes), an accelerometer's when there is one
// (nullptr or a failed reading: the device is taken to lie flat) and the time it was taken.
platform::Heading iioSample(const Vector3& field, const IioTriad::Reading* gravity,
                            std::optional<double> declination, double t);

}  // namespace heading
