#pragma once

#include <string>
#include <vector>

namespace platform::qt {

// Answers `fluxprobe --field-model --location=... [--date=...]` without a window or a display:
// one line on stdout and status 0; a caution on stderr near the magnetic poles; status 2 with a
// message for a bad option, a model that cannot be loaded, or a place or date it does not cover.
// Needs a QCoreApplication (for the program's folder).
int runFieldModelQuery(const std::vector<std::string>& args);

}  // namespace platform::qt
