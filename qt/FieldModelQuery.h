#pragma once

#include <memory>
#include <optional>
#include <string>

#include "heading/model/FieldModel.h"

namespace platform::qt {

// The field model installed with the program (FLUXPROBE_DATA_DIR, else the program's
// ../share/fluxprobe, else next to it); throws heading::FieldModelError.
std::shared_ptr<const heading::FieldModel> loadInstalledFieldModel();

// Answers `fluxprobe --field-model --location=... [--date=...]` without a window or a display:
// one line on stdout and status 0; a caution on stderr near the magnetic poles; status 2 with a
// message for a model that cannot be loaded, or a place or date it does not cover. year is
// --date's (dateText as given), or today when empty. Needs a QCoreApplication (for the
// program's folder).
int runFieldModelQuery(const heading::Location& location, std::optional<double> year,
                       const std::string& dateText);

}  // namespace platform::qt
