#pragma once

#include <memory>

namespace platform {

class Application;
class ViewController;
class Window;

class ApplicationDelegate {
  public:
    virtual ~ApplicationDelegate() = default;

    // The platform hands over what the main interface file created: the window and the screen
    // it shows. Throws InterfaceError when the screen is not of the class the delegate needs.
    virtual void bindMainInterface(std::shared_ptr<Window> window,
                                   std::shared_ptr<ViewController> controller) = 0;

    virtual void applicationDidFinishLaunching(Application& application) = 0;
};

}  // namespace platform
