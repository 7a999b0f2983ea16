#pragma once

#include <stdexcept>

namespace heading {

// A source or recording that cannot start. The message names what was wrong and where
// (file and line for a replay file); the process exits with status 2.
class SourceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace heading
