#include "platform/Application.h"

#include "platform/Platform.h"

namespace platform {

Application& Application::sharedApplication() {
    static Application application;
    return application;
}

void Application::setIdleTimerDisabled(bool disabled) {
    idleTimerDisabled_ = disabled;
    Platform::current().setIdleTimerDisabled(disabled);
}

}  // namespace platform
