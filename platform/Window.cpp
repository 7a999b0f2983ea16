#include "platform/Window.h"

namespace platform {

void Window::makeKeyAndVisible() {
    key_ = true;
    visible_ = true;
    setHidden(false);
}

}  // namespace platform
