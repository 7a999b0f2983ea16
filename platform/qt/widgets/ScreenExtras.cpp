#include "platform/qt/widgets/ScreenExtras.h"

#include <QSlider>
#include <QWidget>

#include "fieldmeter/FluxprobeViewController.h"
#include "platform/qt/widgets/Accessibility.h"
#include "platform/qt/widgets/DegreeMarks.h"
#include "platform/qt/widgets/KeyboardAccess.h"
#include "platform/qt/widgets/ScreenScaler.h"
#include "platform/qt/widgets/ThresholdLabel.h"

namespace platform::qt {

void addScreenExtras(QWidget* root, ViewController& owner) {
    if (dynamic_cast<fieldmeter::FluxprobeViewController*>(&owner))
        if (auto* slider = root->findChild<QSlider*>(QStringLiteral("mySlider")))
            addThresholdLabel(slider, fieldmeter::FluxprobeViewController::kThresholdOffset);
    DegreeMarks::attach(root);
    describeScreen(root);
    KeyboardAccess::attach(root);
    // Last, so that the design it keeps includes everything above.
    ScreenScaler::attach(root);
}

}  // namespace platform::qt
