#include "platform/ClassRegistry.h"

#include "platform/InterfaceError.h"

namespace platform {

void ClassRegistry::addController(const std::string& className, ControllerFactory factory) {
    controllers_[className] = std::move(factory);
}

void ClassRegistry::addDelegate(const std::string& className, DelegateFactory factory) {
    delegates_[className] = std::move(factory);
}

std::shared_ptr<ViewController> ClassRegistry::makeController(const std::string& className,
                                                              const std::string& nibName) const {
    auto it = controllers_.find(className);
    if (it == controllers_.end()) throw InterfaceError("unknown screen class '" + className + "'");
    return it->second(nibName);
}

std::shared_ptr<ApplicationDelegate> ClassRegistry::makeDelegate(
    const std::string& className) const {
    auto it = delegates_.find(className);
    if (it == delegates_.end())
        throw InterfaceError("unknown application delegate class '" + className + "'");
    return it->second();
}

}  // namespace platform
