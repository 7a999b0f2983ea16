#include "platform/Switch.h"

namespace platform {

void Switch::setOn(bool on) {
    on_ = on;
    notify(ViewChange::Value);
}

}  // namespace platform
