#include "platform/Launcher.h"

#include "platform/Application.h"
#include "platform/ApplicationDelegate.h"
#include "platform/ClassRegistry.h"
#include "platform/Platform.h"
#include "platform/ViewController.h"

namespace platform {

std::shared_ptr<ApplicationDelegate> launchApplication(Platform& platform,
                                                       const ClassRegistry& classes) {
    MainInterface main = platform.loadMainInterface();
    std::shared_ptr<ApplicationDelegate> delegate = classes.makeDelegate(main.delegateClass);
    std::shared_ptr<ViewController> controller =
        classes.makeController(main.controllerClass, main.controllerNib);
    delegate->bindMainInterface(main.window, controller);
    delegate->applicationDidFinishLaunching(Application::sharedApplication());
    return delegate;
}

}  // namespace platform
