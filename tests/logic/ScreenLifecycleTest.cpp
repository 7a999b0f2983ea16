#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "CompassFixture.h"
#include "MemoryProbe.h"

// Screens opened and closed many times leave nothing behind: every screen, location manager,
// view, timer and sound made along the way is destroyed, and nothing calls into a closed screen.
// The sanitized build runs these under LeakSanitizer as well.

namespace fluxprobe_test {
namespace {

using compass::CompassViewController;

constexpr int kRounds = 1000;

// Weak references to what one compass screen made, to check that all of it went with it.
struct CompassParts {
    std::weak_ptr<CompassViewController> screen;
    std::weak_ptr<platform::LocationManager> manager;
    std::weak_ptr<platform::View> root;
    std::weak_ptr<graph::GraphView> graph;
    std::weak_ptr<platform::Label> heading;

    explicit CompassParts(const std::shared_ptr<CompassViewController>& s)
        : screen(s),
          manager(s->locationManager()),
          root(s->view()),
          graph(s->graphView()),
          heading(s->hd()) {}

    bool allGone() const {
        return screen.expired() && manager.expired() && root.expired() && graph.expired() &&
               heading.expired();
    }
};

TEST_F(CompassTest, OpeningAndClosingTheCompassAThousandTimesLeavesNothingBehind) {
    launch();
    // The meter says where its alarm starts, once.
    const std::map<std::string, float> threshold{{"mySlider", 40.0f}};
    EXPECT_EQ(platform.thresholds(), threshold);
    setSlider(40.0f);
    std::weak_ptr<platform::LocationManager> meterManager = meter->locationManager();
    std::weak_ptr<platform::Window> window = delegate->window();

    platform.setRecording(false);  // counts only, so the platform's records stay flat
    std::size_t heapAfterFirstTenth = 0;
    for (int round = 0; round < kRounds; ++round) {
        if (round == kRounds / 10) heapAfterFirstTenth = heapInUse();
        std::shared_ptr<CompassViewController> screen = openCompass();
        ASSERT_TRUE(screen);
        CompassParts parts(screen);
        screen.reset();
        ASSERT_EQ(platform.service().listenerCount(), 2u) << "round " << round;
        ASSERT_EQ(platform.liveTimers(), 1u) << "round " << round;

        // Some readings and a tick while it is open, one above the alarm threshold.
        platform.deliverHeading(10, 20, 30, 45.0, 50.0);
        platform.deliverHeading(0, 0, 150.0, 90.0, 95.0);
        platform.advanceTime(CompassViewController::kTimerInterval);
        platform.runRedraws();

        platform.tap("doneButton");
        ASSERT_TRUE(parts.allGone()) << "round " << round;
        ASSERT_EQ(platform.liveTimers(), 0u) << "round " << round;
        ASSERT_EQ(platform.service().listenerCount(), 1u) << "round " << round;
        ASSERT_FALSE(meter->modalViewController()) << "round " << round;
        // Nothing calls into the closed screen: a reading and a tick after it are harmless.
        platform.deliverHeading(1, 2, 3, 10.0);
        platform.advanceTime(CompassViewController::kTimerInterval);
    }

    // Nothing piles up from one round to the next, not even in the platform's own books.
    EXPECT_LE(heapInUse(), heapAfterFirstTenth + 16 * 1024)
        << "the heap grew from " << heapAfterFirstTenth << " to " << heapInUse() << " bytes";
    EXPECT_EQ(platform.presentations(), kRounds);
    EXPECT_EQ(platform.dismissals(), kRounds);
    EXPECT_FALSE(meterManager.expired());
    // The meter made its one sound on the first beep and kept it.
    EXPECT_EQ(platform.soundsMade(), 1);
    EXPECT_EQ(platform.soundsAlive(), 1);
    EXPECT_EQ(platform.soundsPlayed(), kRounds);
    EXPECT_EQ(platform.logCount(), 3L * kRounds);
    EXPECT_FALSE(platform.idleTimerDisabled());

    // Tearing the app down takes the meter, its manager, its sound and the window with it.
    std::weak_ptr<fieldmeter::FluxprobeViewController> weakMeter = meter;
    meter.reset();
    delegate.reset();
    EXPECT_TRUE(weakMeter.expired());
    EXPECT_TRUE(meterManager.expired());
    EXPECT_TRUE(window.expired());
    EXPECT_EQ(platform.soundsAlive(), 0);
    EXPECT_EQ(platform.service().listenerCount(), 0u);
    EXPECT_EQ(platform.liveTimers(), 0u);
}

TEST_F(CompassTest, TearingTheAppDownWithTheCompassOpenDestroysBoth) {
    launch();
    setSlider(0.0f);
    std::shared_ptr<CompassViewController> screen = openCompass();
    CompassParts parts(screen);
    screen.reset();
    platform.deliverHeading(0, 0, 500.0, 10.0);
    ASSERT_EQ(platform.soundsAlive(), 1);

    std::weak_ptr<fieldmeter::FluxprobeViewController> weakMeter = meter;
    meter.reset();
    delegate.reset();
    EXPECT_TRUE(weakMeter.expired());
    EXPECT_TRUE(parts.allGone());
    EXPECT_EQ(platform.soundsAlive(), 0);
    EXPECT_EQ(platform.service().listenerCount(), 0u);
    EXPECT_EQ(platform.liveTimers(), 0u);
    EXPECT_FALSE(platform.idleTimerDisabled());

    const long logged = platform.logCount();
    platform.deliverHeading(0, 0, 500.0, 10.0);
    platform.advanceTime(2 * CompassViewController::kTimerInterval);
    EXPECT_EQ(platform.logCount(), logged);
}

TEST_F(MeterTest, UnloadingAndReloadingTheViewAThousandTimesKeepsOneManagerAndOneSound) {
    launch();
    setSlider(0.0f);
    platform.setRecording(false);  // counts only, so the platform's records stay flat
    std::size_t heapAfterFirstTenth = 0;
    for (int round = 0; round < kRounds; ++round) {
        if (round == kRounds / 10) heapAfterFirstTenth = heapInUse();
        std::weak_ptr<platform::LocationManager> manager = meter->locationManager();
        std::weak_ptr<platform::View> root = meter->view();
        platform.deliverHeading(0, 0, 500.0);
        platform.runRedraws();
        meter->unloadView();
        platform.deliverHeading(0, 0, 500.0);  // the old manager still feeds the log and beep
        meter->view();
        ASSERT_EQ(platform.service().listenerCount(), 1u) << "round " << round;
        ASSERT_TRUE(manager.expired()) << "round " << round;
        ASSERT_TRUE(root.expired()) << "round " << round;
    }
    EXPECT_LE(heapInUse(), heapAfterFirstTenth + 16 * 1024)
        << "the heap grew from " << heapAfterFirstTenth << " to " << heapInUse() << " bytes";
    EXPECT_EQ(platform.logCount(), 2L * kRounds);
    EXPECT_EQ(platform.soundsPlayed(), 2 * kRounds);
    EXPECT_EQ(platform.soundsMade(), 1);
    EXPECT_EQ(platform.soundsAlive(), 1);

    std::weak_ptr<platform::LocationManager> last = meter->locationManager();
    meter.reset();
    delegate.reset();
    EXPECT_TRUE(last.expired());
    EXPECT_EQ(platform.soundsAlive(), 0);
    EXPECT_EQ(platform.service().listenerCount(), 0u);
}

}  // namespace
}  // namespace fluxprobe_test
