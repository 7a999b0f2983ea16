#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// An interface file that cannot be loaded as its screen needs: missing, unreadable, or without
// an outlet or action the screen declares. The message names the file and what was wrong.
class InterfaceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace platform
