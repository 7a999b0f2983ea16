#include "platform/Alert.h"

#include "platform/Platform.h"

namespace platform {

void Alert::show() const {
    Platform::current().showAlert(*this);
}

}  // namespace platform
