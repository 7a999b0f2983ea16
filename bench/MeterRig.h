#pragma once

#include <memory>

#include "app/AppDelegate.h"
#include "app/InterfaceClasses.h"
#include "compass/CompassViewController.h"
#include "fieldmeter/FluxprobeViewController.h"
#include "headless/HeadlessPlatform.h"
#include "support/CompassInterface.h"
#include "support/MeterInterface.h"

// A launched meter on the headless platform that keeps counts only, so long runs stay flat.
struct MeterRig {
    MeterRig() {
        platform.defineInterface("MainWindow", fluxprobe_test::meterInterface());
        platform.defineInterface("CompassViewController", fluxprobe_test::compassInterface());
        platform.setMainInterface("AppDelegate", "FluxprobeViewController", "MainWindow");
        platform.setRecording(false);
        delegate =
            std::static_pointer_cast<app::AppDelegate>(platform.launch(app::interfaceClasses()));
    }

    // Opens the compass with the meter's button, as the user does; null if it did not open.
    std::shared_ptr<compass::CompassViewController> openCompass() {
        platform.tap("compassButton");
        return std::dynamic_pointer_cast<compass::CompassViewController>(
            delegate->viewController()->modalViewController());
    }

    // Stops the meter's own updates, so that samples reach the compass alone.
    void silenceMeter() {
        if (auto manager = delegate->viewController()->locationManager())
            manager->stopUpdatingHeading();
    }

    platform::headless::HeadlessPlatform platform;
    std::shared_ptr<app::AppDelegate> delegate;
};
