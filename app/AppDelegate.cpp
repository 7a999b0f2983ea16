#include "app/AppDelegate.h"

#include "platform/InterfaceError.h"

namespace app {

AppDelegate::~AppDelegate() {
    viewController_.reset();
    window_.reset();
}

void AppDelegate::bindMainInterface(std::shared_ptr<platform::Window> window,
                                    std::shared_ptr<platform::ViewController> controller) {
    auto meter = std::dynamic_pointer_cast<fieldmeter::FluxprobeViewController>(controller);
    if (!meter)
        throw platform::InterfaceError(
            "main interface file: the window's screen must be a FluxprobeViewController");
    if (!window) throw platform::InterfaceError("main interface file: no window");
    setWindow(std::move(window));
    setViewController(std::move(meter));
}

void AppDelegate::applicationDidFinishLaunching(platform::Application&) {
    // The screen's view goes in before the window shows, so the first frame already holds it.
    std::shared_ptr<platform::View> view = viewController_->view();
    window_->addSubview(view);
    window_->makeKeyAndVisible();
}

}  // namespace app
