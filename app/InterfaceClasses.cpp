#include "app/InterfaceClasses.h"

#include "app/AppDelegate.h"
#include "compass/CompassViewController.h"
#include "fieldmeter/FluxprobeViewController.h"

namespace app {

platform::ClassRegistry interfaceClasses() {
    platform::ClassRegistry classes;
    classes.addDelegate(AppDelegate::kClassName, [] { return std::make_shared<AppDelegate>(); });
    classes.addController(fieldmeter::FluxprobeViewController::kClassName, [](std::string nib) {
        return std::make_shared<fieldmeter::FluxprobeViewController>(std::move(nib));
    });
    classes.addController(compass::CompassViewController::kClassName, [](std::string nib) {
        return std::make_shared<compass::CompassViewController>(std::move(nib));
    });
    return classes;
}

}  // namespace app
