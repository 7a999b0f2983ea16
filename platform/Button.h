#pragma once

#include <string>

#include "platform/View.h"

namespace platform {

// A control that sends an action when tapped.
class Button : public View {
  public:
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

  private:
    std::string title_;
};

}  // namespace platform
