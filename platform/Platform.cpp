#include "platform/Platform.h"

#include <stdexcept>

namespace platform {

namespace {
Platform* currentPlatform = nullptr;
}  // namespace

Platform::Platform() : previous_(currentPlatform) {
    currentPlatform = this;
}

Platform::~Platform() {
    if (currentPlatform == this) currentPlatform = previous_;
}

Platform& Platform::current() {
    if (!currentPlatform) throw std::logic_error("no platform is running");
    return *currentPlatform;
}

Platform* Platform::currentOrNull() {
    return currentPlatform;
}

}  // namespace platform
