#include "platform/DrawingContext.h"

namespace platform {

namespace {
// Drawing happens on the main thread only.
DrawingContext* currentContext = nullptr;
}  // namespace

DrawingContext* graphicsGetCurrentContext() {
    return currentContext;
}

CurrentContextScope::CurrentContextScope(DrawingContext& context) : previous_(currentContext) {
    currentContext = &context;
}

CurrentContextScope::~CurrentContextScope() {
    currentContext = previous_;
}

}  // namespace platform
