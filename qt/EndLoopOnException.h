#pragma once

#include <functional>

namespace platform::qt {

// Runs a call into the logic from a Qt signal or event, where an exception must not escape into
// Qt's event dispatch. An interface file that cannot be loaded (a screen opened later, such as
// the compass) ends the loop with status 2 after printing what was wrong, as it would have at
// start-up; any other exception ends it with status 1.
void endLoopOnException(const std::function<void()>& call);

}  // namespace platform::qt
