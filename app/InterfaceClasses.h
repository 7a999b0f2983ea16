#pragma once

#include "platform/ClassRegistry.h"

namespace app {

// The classes that fluxprobe's interface files name.
platform::ClassRegistry interfaceClasses();

}  // namespace app
