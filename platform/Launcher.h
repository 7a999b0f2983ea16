#pragma once

#include <memory>

namespace platform {

class ApplicationDelegate;
class ClassRegistry;
class Platform;

// The start-up sequence every platform runs once its loop is ready: read the main interface
// file, make the delegate and the screen it names, hand them over, and tell the delegate that
// launching has finished. The returned delegate lives for the whole run.
std::shared_ptr<ApplicationDelegate> launchApplication(Platform& platform,
                                                       const ClassRegistry& classes);

}  // namespace platform
