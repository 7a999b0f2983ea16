#pragma once

#include <functional>
#include <string>

namespace heading {

// Runs a task on the main thread, after the tasks posted before it. May be called from any
// thread and must not block.
using Post = std::function<void(std::function<void()>)>;

// Tells the user of a problem that does not stop the program. May be called from any thread.
using Warn = std::function<void(const std::string&)>;

// The default Warn: one line on stderr.
void warnOnStderr(const std::string& message);

}  // namespace heading
