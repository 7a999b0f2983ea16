#include <gtest/gtest.h>

#include "MeterFixture.h"

namespace fluxprobe_test {
namespace {

using platform::ViewChange;

TEST_F(MeterTest, ReadoutsFollowEachSample) {
    launch();
    struct Case {
        double x, y, z;
        const char *xText, *yText, *zText, *magnitude;
    };
    const Case cases[] = {
        {3, 4, 12, "X \u00b5T:3.0", "Y \u00b5T:4.0", "Z \u00b5T:12.0", "13.0"},
        {12.34, -0.04, 0.05, "X \u00b5T:12.3", "Y \u00b5T:-0.0", "Z \u00b5T:0.1", "12.3"},
        {-0.04, 0, 0, "X \u00b5T:-0.0", "Y \u00b5T:0.0", "Z \u00b5T:0.0", "0.0"},
        {0.25, 0.35, -1e6, "X \u00b5T:0.2", "Y \u00b5T:0.3", "Z \u00b5T:-1000000.0", "1000000.0"},
    };
    for (const Case& c : cases) {
        platform.deliverHeading(c.x, c.y, c.z);
        EXPECT_EQ(meter->xLabel()->text(), c.xText);
        EXPECT_EQ(meter->yLabel()->text(), c.yText);
        EXPECT_EQ(meter->zLabel()->text(), c.zText);
        EXPECT_EQ(meter->magnitudeLabel()->text(), c.magnitude);
    }
}

TEST_F(MeterTest, AxisLabelIsWrittenAsNumberThenPrefixed) {
    launch();
    platform.clearRecords();
    platform.deliverHeading(12.34, 0, 0);
    const std::vector<std::string> expected = {"12.3", "X \u00b5T:12.3"};
    EXPECT_EQ(platform.textsOf("xLabel"), expected);
}

TEST_F(MeterTest, MagnitudeIsNarrowedToSinglePrecisionBeforeTheStrictAlarmTest) {
    launch();
    struct Case {
        float slider;
        double z;
        bool alarm;
    };
    const Case cases[] = {
        {40.0f, 100.0, false},     // exactly on the threshold: no alarm
        {40.0f, 100.1, true},      // 100.09999847 in single precision
        {0.0f, 60.0, false},       // slider at 0 gives 60
        {0.0f, 60.00001, true},    // narrows to the next float above 60
        {0.0f, 60.000001, false},  // narrows to 60 itself
        {40.0f, -101.0, true},     // the total counts, whatever the sign of the axis
    };
    for (const Case& c : cases) {
        setSlider(c.slider);
        const int before = platform.soundsPlayed();
        platform.deliverHeading(0, 0, c.z);
        EXPECT_EQ(platform.soundsPlayed() - before, c.alarm ? 1 : 0) << c.z;
        EXPECT_EQ(meter->wavesview()->isHidden(), !c.alarm) << c.z;
    }
}

TEST_F(MeterTest, EverySampleAboveThresholdBeepsAndTheFirstBelowHidesTheWaves) {
    launch();
    setSlider(40.0f);
    for (int i = 0; i < 5; ++i) {
        platform.deliverHeading(0, 0, 150.0 + i);
        EXPECT_FALSE(meter->wavesview()->isHidden());
    }
    EXPECT_EQ(platform.soundsPlayed(), 5);
    platform.deliverHeading(0, 0, 100.0);
    EXPECT_TRUE(meter->wavesview()->isHidden());
    EXPECT_EQ(platform.soundsPlayed(), 5);
    // Made once for the screen, never piling up.
    EXPECT_EQ(platform.soundsMade(), 1);
    EXPECT_EQ(platform.soundsAlive(), 1);
}

TEST_F(MeterTest, VisibilityIsSetAgainOnEverySample) {
    launch();
    platform.clearRecords();
    platform.deliverHeading(0, 0, 10);
    platform.deliverHeading(0, 0, 20);
    int hiddenWrites = 0;
    for (const auto& e : platform.shown())
        if (e.view == "wavesview" && e.change == ViewChange::Hidden) ++hiddenWrites;
    EXPECT_EQ(hiddenWrites, 2);
}

TEST_F(MeterTest, OneLogLinePerSampleWithTheSliderValue) {
    launch();
    setSlider(40.0f);
    platform.deliverHeading(0, 0, 10);
    setSlider(12.345f);
    platform.deliverHeading(0, 0, 200);
    const std::vector<std::string> expected = {"40.00", "12.35"};
    EXPECT_EQ(platform.logLines(), expected);
}

TEST_F(MeterTest, FontIsAppliedFromTheFirstSample) {
    launch();
    EXPECT_EQ(meter->magnitudeLabel()->font().name, "");
    EXPECT_EQ(meter->magnitudeLabel()->text(), "--");
    platform.deliverHeading(1, 2, 3);
    EXPECT_EQ(meter->magnitudeLabel()->font(), platform::Font::withName("DBLCDTempBlack", 20.0f));
}

TEST_F(MeterTest, SetUpMakesViewsTransparentAndHidesTheWaves) {
    launch();
    EXPECT_TRUE(meter->wavesview()->isHidden());
    EXPECT_EQ(meter->wavesview()->backgroundColor(), platform::Color::clear());
    EXPECT_EQ(meter->fluxprobeview()->backgroundColor(), platform::Color::clear());
    ASSERT_TRUE(meter->locationManager());
    EXPECT_TRUE(meter->locationManager()->isUpdatingHeading());
    EXPECT_EQ(meter->locationManager()->headingFilter(), heading::kHeadingFilterNone);
    EXPECT_TRUE(platform.alerts().empty());
}

TEST_F(MeterTest, NoMagnetometerShowsTheAlertAndNoSamplesArrive) {
    launch(false);
    ASSERT_EQ(platform.alerts().size(), 1u);
    EXPECT_EQ(platform.alerts()[0].title, "No Compass!");
    EXPECT_EQ(platform.alerts()[0].message,
              "This device does not have the ability to measure magnetic fields.");
    EXPECT_EQ(platform.alerts()[0].cancelButtonTitle, "OK");
    EXPECT_FALSE(meter->locationManager());
    platform.deliverHeading(0, 0, 500);
    EXPECT_TRUE(platform.logLines().empty());
    EXPECT_EQ(meter->xLabel()->text(), "X");
    EXPECT_TRUE(meter->wavesview()->isHidden());
}

TEST_F(MeterTest, DeniedAccessStopsUpdatesAndOtherErrorsAreIgnored) {
    launch();
    platform.failWithError(0);
    platform.failWithError(2);
    platform.deliverHeading(0, 0, 500);
    EXPECT_EQ(platform.logLines().size(), 1u);
    EXPECT_TRUE(meter->locationManager()->isUpdatingHeading());

    platform.failWithError(heading::LocationError::kDenied);
    EXPECT_FALSE(meter->locationManager()->isUpdatingHeading());
    platform.deliverHeading(0, 0, 1);
    EXPECT_EQ(platform.logLines().size(), 1u);
    EXPECT_EQ(meter->xLabel()->text(), "X \u00b5T:0.0");
    EXPECT_FALSE(meter->wavesview()->isHidden());  // keeps the last state
    EXPECT_TRUE(platform.alerts().empty());
}

TEST_F(MeterTest, AfterUnloadSamplesStillLogAndBeep) {
    launch();
    auto xLabel = meter->xLabel();
    auto graph = meter->graphView();
    platform.clearRecords();
    meter->unloadView();
    EXPECT_FALSE(meter->xLabel());
    EXPECT_FALSE(meter->magnitudeLabel());
    EXPECT_FALSE(meter->graphView());
    EXPECT_TRUE(meter->wavesview());
    EXPECT_TRUE(meter->fluxprobeview());

    platform.deliverHeading(0, 0, 500);
    EXPECT_EQ(platform.logLines().size(), 1u);
    EXPECT_EQ(platform.soundsPlayed(), 1);
    EXPECT_FALSE(meter->wavesview()->isHidden());
    EXPECT_EQ(xLabel->text(), "X");
    EXPECT_EQ(graph->nextIndex(), 0u);
}

TEST_F(MeterTest, ReloadingTheViewReplacesTheLocationManager) {
    launch();
    std::weak_ptr<platform::LocationManager> first = meter->locationManager();
    meter->unloadView();
    meter->view();
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(platform.service().listenerCount(), 1u);
    platform.deliverHeading(1, 1, 1);
    EXPECT_EQ(platform.logLines().size(), 1u);
    EXPECT_EQ(meter->xLabel()->text(), "X \u00b5T:1.0");
}

TEST_F(MeterTest, ReloadingWithoutMagnetometerShowsTheAlertAgain) {
    launch(false);
    meter->unloadView();
    meter->view();
    EXPECT_EQ(platform.alerts().size(), 2u);
}

TEST_F(MeterTest, TeardownStopsUpdatesBeforeLettingGoOfTheManager) {
    launch();
    std::weak_ptr<platform::LocationManager> manager = meter->locationManager();
    EXPECT_EQ(platform.service().listenerCount(), 1u);
    meter.reset();
    delegate.reset();
    EXPECT_TRUE(manager.expired());
    EXPECT_EQ(platform.service().listenerCount(), 0u);
    platform.deliverHeading(0, 0, 500);  // reaches nobody
    EXPECT_TRUE(platform.logLines().empty());
    EXPECT_EQ(platform.soundsAlive(), 0);
}

TEST_F(MeterTest, SamplesFeedTheGraphUnchanged) {
    launch();
    platform.deliverHeading(1.25, -2.5, 1e300);
    auto graph = meter->graphView();
    EXPECT_EQ(graph->nextIndex(), 1u);
    EXPECT_EQ(graph->history(0, 0), 1.25);
    EXPECT_EQ(graph->history(0, 1), -2.5);
    EXPECT_EQ(graph->history(0, 2), 1e300);
}

TEST_F(MeterTest, MissingBeepIsSilentAndSaidOnce) {
    platform.setResource("beep", "wav", false);
    launch();
    platform.deliverHeading(0, 0, 500);
    platform.deliverHeading(0, 0, 500);
    EXPECT_EQ(platform.soundsPlayed(), 0);
    EXPECT_EQ(platform.warnings().size(), 1u);
    EXPECT_FALSE(meter->wavesview()->isHidden());
    EXPECT_EQ(platform.logLines().size(), 2u);
}

TEST_F(MeterTest, EveryOrientationIsAccepted) {
    launch();
    for (int o = 0; o <= 5; ++o) EXPECT_TRUE(meter->shouldAutorotateToInterfaceOrientation(o));
}

}  // namespace
}  // namespace fluxprobe_test
