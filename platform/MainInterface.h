#pragma once

#include <memory>
#include <string>

#include "platform/Window.h"

namespace platform {

// What the main interface file declares: the window, and the classes of the application
// delegate and of the screen the window shows, with the interface that screen loads.
struct MainInterface {
    std::shared_ptr<Window> window;
    std::string delegateClass;
    std::string controllerClass;
    std::string controllerNib;
};

}  // namespace platform
