#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::qt {

// --calibrate with a replay source needs no window: when args ask for it, fits from the file and
// returns the exit status; otherwise nothing, and the program goes on. Runs before Qt starts.
std::optional<int> calibrateFromRecordingIfAsked(const std::vector<std::string>& args);

}  // namespace platform::qt
