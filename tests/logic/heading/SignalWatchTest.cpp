#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "heading/HeadingService.h"
#include "heading/SignalWatch.h"

namespace {

using heading::LocationError;
using heading::SignalWatch;

SignalWatch::Clock::time_point now{};

struct Step {
    const char* what;
    double silentSeconds;  // checked this long after the last sample; < 0: no check
    int error;             // -1: a sample arrives; else an error with this code
    const char* key;
    const char* text;
};

TEST(SignalWatch, SaysOnceWhetherReadingsComeAndWhy) {
    heading::HeadingService service;
    SignalWatch watch(service, [] { return now; });
    int changes = 0;
    watch.onChange([&] { ++changes; });
    const Step steps[] = {
        {"silent, but for less than a second", 0.9, -2, "live", ""},
        {"a second without a sample", 1.0, -2, "stale", "No signal \u2014 trying again"},
        {"the next sample", -1, -1, "live", ""},
        {"an outage", -1, LocationError::kLocationUnknown, "stale", "No signal \u2014 trying again"},
        {"access denied", -1, LocationError::kDenied, "denied",
         "No signal \u2014 the sensor is not read"},
        {"the replay's end", -1, LocationError::kEnded, "ended",
         "No signal \u2014 the replay has ended"},
        {"still ended when checked", 5.0, -2, "ended", "No signal \u2014 the replay has ended"},
    };
    for (const Step& s : steps) {
        const auto sampled = now;
        if (s.error == -1) {
            watch.onSample(std::make_shared<heading::Heading>(heading::Heading::of(1, 2, 3)));
        } else if (s.error >= 0) {
            watch.onError(LocationError{s.error, ""});
        }
        if (s.silentSeconds >= 0) {
            now = sampled + std::chrono::duration_cast<SignalWatch::Clock::duration>(
                                std::chrono::duration<double>(s.silentSeconds));
            watch.check();
            now = sampled;
        }
        EXPECT_EQ(watch.key(), s.key) << s.what;
        EXPECT_EQ(watch.text(), s.text) << s.what;
    }
    // Told of each change, not of each check.
    EXPECT_EQ(changes, 5);

    service.setHeadingAvailable(false);
    EXPECT_EQ(watch.key(), "none");
}

}  // namespace
