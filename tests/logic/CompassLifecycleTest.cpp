#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "CompassFixture.h"
#include "app/InterfaceClasses.h"

namespace fluxprobe_test {
namespace {

using compass::CompassViewController;

TEST_F(CompassTest, OpensOverTheMeterWithAFadeAndItsOwnHeadingSource) {
    launch();
    auto screen = openCompass();
    EXPECT_EQ(platform.presentations(), 1);
    EXPECT_EQ(screen->modalTransitionStyle(), platform::ModalTransitionStyleCrossDissolve);
    EXPECT_EQ(screen->nibName(), "CompassViewController");
    EXPECT_EQ(screen->parentViewController(), meter);
    ASSERT_TRUE(screen->locationManager());
    EXPECT_NE(screen->locationManager(), meter->locationManager());
    EXPECT_EQ(screen->locationManager()->headingFilter(), heading::kHeadingFilterNone);
    EXPECT_EQ(platform.service().listenerCount(), 2u);
    EXPECT_EQ(platform.liveTimers(), 1u);
    // The presentation alone holds the screen.
    EXPECT_EQ(screen.use_count(), 2);
}

TEST_F(CompassTest, TheMeterKeepsLoggingAndBeepingBehindTheCompass) {
    launch();
    setSlider(40.0f);
    auto screen = openCompass();
    platform.clearRecords();
    const int played = platform.soundsPlayed();
    platform.deliverHeading(0, 0, 150.0, 33.0);
    EXPECT_EQ(platform.soundsPlayed(), played + 1);
    EXPECT_EQ(platform.logLines().size(), 1u);
    EXPECT_FALSE(meter->wavesview()->isHidden());
    EXPECT_EQ(meter->magnitudeLabel()->text(), "150.0");
    EXPECT_EQ(screen->magnitudeLabel()->text(), "NE");
    EXPECT_EQ(screen->zLabel()->text(), "150.0");
}

TEST_F(CompassTest, TheSwitchSetsTheReferenceAndConfirmsEveryFlip) {
    launch();
    auto screen = openCompass();
    platform.deliverHeading(0, 0, 0, 10.0, 200.0);
    ASSERT_EQ(screen->hd()->text(), "10.0\u00b0");
    platform.clearRecords();

    setSwitch(false);
    platform.tap("engkey");
    EXPECT_EQ(compass::sw, 1);
    setSwitch(true);
    platform.tap("engkey");
    EXPECT_EQ(compass::sw, 0);
    platform.tap("engkey");  // the same position again still confirms
    EXPECT_EQ(compass::sw, 0);
    setSwitch(false);
    platform.tap("engkey");
    EXPECT_EQ(compass::sw, 1);

    const std::vector<std::string> messages = {"True North Enabled", "Magnetic North Enabled",
                                               "Magnetic North Enabled", "True North Enabled"};
    ASSERT_EQ(platform.alerts().size(), messages.size());
    for (std::size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(platform.alerts()[i].title, "Compass Status");
        EXPECT_EQ(platform.alerts()[i].message, messages[i]);
        EXPECT_EQ(platform.alerts()[i].cancelButtonTitle, "OK");
    }

    // Nothing on the display follows until the next reading.
    EXPECT_EQ(screen->hd()->text(), "10.0\u00b0");
    EXPECT_EQ(screen->magnitudeLabel()->text(), "N");
    platform.deliverHeading(0, 0, 0, 10.0, 200.0);
    EXPECT_EQ(screen->hd()->text(), "200.0\u00b0");
    EXPECT_EQ(screen->magnitudeLabel()->text(), "S");
}

TEST_F(CompassTest, DoneDestroysTheScreenSoNoTickOrReadingReachesIt) {
    launch();
    std::weak_ptr<CompassViewController> first = openCompass();
    ASSERT_FALSE(first.expired());
    platform.advanceTime(120.0);  // ticks neither harm nor keep the screen
    EXPECT_FALSE(first.expired());

    platform.tap("doneButton");
    EXPECT_EQ(platform.dismissals(), 1);
    EXPECT_TRUE(first.expired());
    EXPECT_FALSE(meter->modalViewController());
    EXPECT_EQ(platform.liveTimers(), 0u);
    EXPECT_EQ(platform.service().listenerCount(), 1u);

    platform.advanceTime(120.0);
    platform.deliverHeading(1, 2, 3, 45.0);
    EXPECT_EQ(meter->xLabel()->text(), "X \u00b5T:1.0");

    // And again: a new screen, not the old one brought back.
    std::weak_ptr<CompassViewController> second = openCompass();
    EXPECT_FALSE(second.expired());
    EXPECT_EQ(platform.presentations(), 2);
    EXPECT_EQ(platform.service().listenerCount(), 2u);
    platform.tap("doneButton");
    EXPECT_TRUE(second.expired());
    EXPECT_EQ(platform.service().listenerCount(), 1u);
}

TEST_F(CompassTest, TheReferenceSurvivesIntoTheNextCompass) {
    launch();
    openCompass();
    setSwitch(false);
    platform.tap("engkey");
    platform.tap("doneButton");
    ASSERT_EQ(compass::sw, 1);

    auto second = openCompass();
    // Its switch shows the reference in force, whatever the interface file starts it at.
    EXPECT_FALSE(dynamic_cast<platform::Switch*>(platform.viewNamed("engkey"))->isOn());
    platform.deliverHeading(0, 0, 0, 10.0, 300.0);
    EXPECT_EQ(second->hd()->text(), "300.0\u00b0");
    EXPECT_EQ(second->magnitudeLabel()->text(), "NW");
}

TEST_F(CompassTest, KeepsTheDisplayAwakeOnlyWhileItIsOpen) {
    launch();
    platform.clearRecords();
    openCompass();
    EXPECT_EQ(platform.idleTimerChanges(), std::vector<bool>{true});
    platform.tap("doneButton");
    EXPECT_EQ(platform.idleTimerChanges(), (std::vector<bool>{true, false}));
    EXPECT_FALSE(platform.idleTimerDisabled());
}

TEST_F(CompassTest, WithoutAHeadingSourceItStaysAsLoadedAndSilent) {
    launch(false);
    platform.clearRecords();
    std::weak_ptr<CompassViewController> weak = openCompass();
    auto screen = weak.lock();
    ASSERT_TRUE(screen);
    EXPECT_TRUE(platform.alerts().empty());
    EXPECT_EQ(platform.liveTimers(), 0u);
    EXPECT_TRUE(platform.idleTimerChanges().empty());
    EXPECT_EQ(platform.service().listenerCount(), 0u);
    platform.deliverHeading(1, 2, 3, 90.0);
    EXPECT_EQ(screen->magnitudeLabel()->text(), "--");
    EXPECT_EQ(screen->hd()->text(), "--");
    EXPECT_EQ(screen->n1()->text(), "n");

    screen.reset();
    platform.tap("doneButton");
    EXPECT_TRUE(weak.expired());
    EXPECT_TRUE(platform.idleTimerChanges().empty());
}

TEST_F(CompassTest, NeverRotatesAndDoneWithoutPresenterDoesNothing) {
    launch();
    auto loose = std::make_shared<CompassViewController>("CompassViewController");
    for (int orientation :
         {platform::InterfaceOrientationPortrait, platform::InterfaceOrientationPortraitUpsideDown,
          platform::InterfaceOrientationLandscapeLeft,
          platform::InterfaceOrientationLandscapeRight})
        EXPECT_FALSE(loose->shouldAutorotateToInterfaceOrientation(orientation));
    loose->done();
    EXPECT_EQ(platform.dismissals(), 0);
}

TEST_F(CompassTest, InterfaceFilesCanNameTheCompass) {
    launch();
    auto made = app::interfaceClasses().makeController("CompassViewController", "Compass");
    ASSERT_TRUE(std::dynamic_pointer_cast<CompassViewController>(made));
    EXPECT_EQ(made->nibName(), "Compass");
}

}  // namespace
}  // namespace fluxprobe_test
