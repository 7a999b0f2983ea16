#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "MeterFixture.h"
#include "compass/CompassViewController.h"
#include "compass/globals.h"
#include "support/CompassInterface.h"

namespace fluxprobe_test {

// A launched meter that can open the compass. val and sw outlive screens, so every test starts
// them afresh.
class CompassTest : public MeterTest {
  protected:
    void SetUp() override {
        MeterTest::SetUp();
        platform.defineInterface("CompassViewController", compassInterface());
        compass::val = 0.0f;
        compass::sw = 0;
    }

    // Opens the compass the way the user does: the meter's compass button.
    std::shared_ptr<compass::CompassViewController> openCompass() {
        platform.tap("compassButton");
        auto screen =
            std::dynamic_pointer_cast<compass::CompassViewController>(meter->modalViewController());
        EXPECT_TRUE(screen);
        return screen;
    }

    void setSwitch(bool on) {
        auto* engkey = dynamic_cast<platform::Switch*>(platform.viewNamed("engkey"));
        ASSERT_TRUE(engkey);
        engkey->setOn(on);
    }

    platform::AffineTransform dial() const { return platform.viewNamed("iv")->transform(); }
};

}  // namespace fluxprobe_test
