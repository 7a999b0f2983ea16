#pragma once

#include <memory>

#include "app/AppDelegate.h"
#include "app/Classes.h"
#include "platform/headless/HeadlessPlatform.h"
#include "support/MeterInterface.h"

// A launched meter on the headless platform that keeps counts only, so long runs stay flat.
struct MeterRig {
    MeterRig() {
        platform.defineInterface("MainWindow", fluxprobe_test::meterInterface());
        platform.setMainInterface("AppDelegate", "FluxprobeViewController", "MainWindow");
        platform.setRecording(false);
        delegate =
            std::static_pointer_cast<app::AppDelegate>(platform.launch(app::fluxprobeClasses()));
    }

    platform::headless::HeadlessPlatform platform;
    std::shared_ptr<app::AppDelegate> delegate;
};
