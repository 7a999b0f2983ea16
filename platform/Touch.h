#pragma once

#include <vector>

#include "platform/Geometry.h"

namespace platform {

class View;

// One finger on the screen, located in the coordinates of the topmost view (the window).
class Touch {
  public:
    explicit Touch(Point locationInWindow) : location_(locationInWindow) {}
    // The touch's position in view's coordinates; a null view gives window coordinates.
    Point locationInView(const View* view) const;

  private:
    Point location_;
};

// The touches of one event, in the order the platform gives them.
class TouchSet {
  public:
    TouchSet() = default;
    explicit TouchSet(std::vector<Touch> touches) : touches_(std::move(touches)) {}
    const std::vector<Touch>& allObjects() const { return touches_; }
    unsigned count() const { return static_cast<unsigned>(touches_.size()); }

  private:
    std::vector<Touch> touches_;
};

struct Event {
    double timestamp = 0.0;
};

}  // namespace platform
