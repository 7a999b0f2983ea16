#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/AppDelegate.h"
#include "app/InterfaceClasses.h"
#include "fieldmeter/FluxprobeViewController.h"
#include "headless/HeadlessPlatform.h"
#include "support/MeterInterface.h"

namespace fluxprobe_test {

using platform::makeRect;
using platform::OutletKind;
using platform::headless::InterfaceDefinition;

// A launched meter on the headless platform.
class MeterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform.defineInterface("MainWindow", meterInterface());
        platform.setMainInterface("AppDelegate", "FluxprobeViewController", "MainWindow");
    }

    void launch(bool magnetometer = true) {
        platform.setHasMagnetometer(magnetometer);
        delegate =
            std::static_pointer_cast<app::AppDelegate>(platform.launch(app::interfaceClasses()));
        meter = delegate->viewController();
    }

    void setSlider(float value) { meter->mySlider()->setValue(value); }

    platform::headless::HeadlessPlatform platform;
    std::shared_ptr<app::AppDelegate> delegate;
    std::shared_ptr<fieldmeter::FluxprobeViewController> meter;
};

}  // namespace fluxprobe_test
