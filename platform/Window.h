#pragma once

#include "platform/View.h"

namespace platform {

// The application's one window.
class Window : public View {
  public:
    // Makes this the window that receives input and shows it.
    void makeKeyAndVisible();
    bool isKeyWindow() const { return key_; }
    bool isVisible() const { return visible_; }

  private:
    bool key_ = false;
    bool visible_ = false;
};

}  // namespace platform
