#include "qt/widgets/ScreenExtras.h"

#include <QSlider>
#include <QWidget>

#include "fieldmeter/FluxprobeViewController.h"
#include "qt/widgets/KeyboardAccess.h"
#include "qt/widgets/ScreenScaler.h"
#include "qt/widgets/ThresholdLabel.h"

namespace platform::qt {

void addScreenExtras(QWidget* root, ViewController& owner) {
    if (dynamic_cast<fieldmeter::FluxprobeViewController*>(&owner))
        if (auto* slider = root->findChild<QSlider*>(QStringLiteral("mySlider")))
            addThresholdLabel(slider, fieldmeter::FluxprobeViewController::kThresholdOffset);
    KeyboardAccess::attach(root);
    // Last, so that the design it keeps includes everything above.
    ScreenScaler::attach(root);
}

}  // namespace platform::qt
