#pragma once

#include <optional>

#include "heading/HeadingSession.h"
#include "heading/model/FieldModel.h"

namespace app {

// Where the true heading comes from. A declination the user gave is added by the source itself;
// otherwise the field model gives it at the user's location: the one given, or else the one the
// system's location service reports for a live sensor. A replay keeps its recorded true
// headings unless told otherwise, and never asks where the device is.

// Whether the field model fills in every sample's true heading.
bool fillsTrueNorth(const heading::SourceOptions& source);

// Whether the system's location service is asked where the device is, once the window is up.
bool asksLocationService(const heading::SourceOptions& source,
                         const std::optional<heading::Location>& location, bool headingAvailable);

}  // namespace app
