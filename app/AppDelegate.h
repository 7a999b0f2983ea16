#pragma once

#include <memory>

#include "fieldmeter/FluxprobeViewController.h"
#include "platform/ApplicationDelegate.h"
#include "platform/Window.h"

namespace app {

// Puts the field meter into the window once launching has finished, then owns both for the run.
class AppDelegate : public platform::ApplicationDelegate {
  public:
    static constexpr const char* kClassName = "AppDelegate";

    ~AppDelegate() override;

    void bindMainInterface(std::shared_ptr<platform::Window> window,
                           std::shared_ptr<platform::ViewController> controller) override;
    void applicationDidFinishLaunching(platform::Application& application) override;

    std::shared_ptr<platform::Window> window() const { return window_; }
    void setWindow(std::shared_ptr<platform::Window> window) { window_ = std::move(window); }
    std::shared_ptr<fieldmeter::FluxprobeViewController> viewController() const {
        return viewController_;
    }
    void setViewController(std::shared_ptr<fieldmeter::FluxprobeViewController> controller) {
        viewController_ = std::move(controller);
    }

  private:
    std::shared_ptr<platform::Window> window_;
    std::shared_ptr<fieldmeter::FluxprobeViewController> viewController_;
};

}  // namespace app
