#include "qt/widgets/ScreenExtras.h"

#include <QWidget>

#include "qt/widgets/KeyboardAccess.h"
#include "qt/widgets/ScreenScaler.h"

namespace platform::qt {

void addScreenExtras(QWidget* root) {
    KeyboardAccess::attach(root);
    // Last, so that the design it keeps includes everything above.
    ScreenScaler::attach(root);
}

}  // namespace platform::qt
