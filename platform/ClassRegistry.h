#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace platform {

class ApplicationDelegate;
class ViewController;

// Makes the classes that interface files name.
class ClassRegistry {
  public:
    using ControllerFactory = std::function<std::shared_ptr<ViewController>(std::string nibName)>;
    using DelegateFactory = std::function<std::shared_ptr<ApplicationDelegate>()>;

    void addController(const std::string& className, ControllerFactory factory);
    void addDelegate(const std::string& className, DelegateFactory factory);

    // Throw InterfaceError for a class that was never registered.
    std::shared_ptr<ViewController> makeController(const std::string& className,
                                                   const std::string& nibName) const;
    std::shared_ptr<ApplicationDelegate> makeDelegate(const std::string& className) const;

  private:
    std::map<std::string, ControllerFactory> controllers_;
    std::map<std::string, DelegateFactory> delegates_;
};

}  // namespace platform
