#include "platform/Touch.h"

#include "platform/View.h"

namespace platform {

Point Touch::locationInView(const View* view) const {
    return view ? view->convertFromRoot(location_) : location_;
}

}  // namespace platform
