#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/SampleRoad.h"
#include "platform/LocationManager.h"

namespace {

using heading::Heading;
using Log = std::vector<std::string>;

std::string seen(const std::string& station, const Heading& h) {
    return station + " " + std::to_string(int(h.x)) + "/" + std::to_string(int(h.trueHeading));
}

struct Station : heading::SampleSink {
    Station(std::string n, Log& l) : name(std::move(n)), log(l) {}
    void onSample(const std::shared_ptr<const Heading>& h) override {
        log.push_back(seen(name, *h));
    }
    void onError(const heading::LocationError& e) override {
        log.push_back(name + " !" + std::to_string(e.code));
    }
    std::string name;
    Log& log;
};

// Completes the true heading from the axes it is given, so the log shows what it saw.
struct North : heading::SampleStage {
    void complete(Heading& h) override { h.trueHeading = h.x * 10; }
};

struct Screen : platform::LocationManagerDelegate {
    explicit Screen(Log& l) : log(l) {}
    void locationManagerDidUpdateHeading(platform::LocationManager&,
                                         std::shared_ptr<const Heading> h) override {
        log.push_back(seen("screen", *h));
    }
    void locationManagerDidFailWithError(platform::LocationManager&,
                                         const heading::LocationError& e) override {
        log.push_back("screen !" + std::to_string(e.code));
    }
    Log& log;
};

TEST(SampleRoad, EveryStationSeesTheCorrectedCompletedSampleInOrderAndTheScreensLast) {
    Log log;
    heading::HeadingService service;
    heading::calibration::Calibration shift;
    shift.offset = {1, 0, 0};
    service.setCorrection(shift);
    auto screen = std::make_shared<Screen>(log);
    platform::LocationManager manager(service);
    manager.setHeadingFilter(heading::kHeadingFilterNone);
    manager.setDelegate(screen);
    manager.startUpdatingHeading();
    heading::calibration::CalibrationTap tap;
    North north;
    Station recorder("recorder", log), status("status", log), remote("remote", log);
    heading::calibration::CalibrationCollector collector;
    {
        app::SampleRoad road(service, {.calibration = &tap,
                                       .trueNorth = &north,
                                       .recorder = &recorder,
                                       .signal = &status,
                                       .remoteView = &remote});
        const struct {
            bool calibrating;
            double x;
            Log expected;
        } cases[] = {
            {false, 5, {"recorder 4/40", "status 4/40", "remote 4/40", "screen 4/40"}},
            // The tap keeps the raw sample to itself.
            {true, 7, {}},
            {false, 3, {"recorder 2/20", "status 2/20", "remote 2/20", "screen 2/20"}},
        };
        for (const auto& c : cases) {
            log.clear();
            if (c.calibrating) tap.engage(collector);
            service.deliver(Heading::of(c.x, 0, 0));
            tap.release();
            EXPECT_EQ(log, c.expected) << c.x;
        }
        EXPECT_EQ(collector.kept(), 1u);
        log.clear();
        service.fail({heading::LocationError::kDenied, "denied"});
        EXPECT_EQ(log, (Log{"recorder !1", "status !1", "remote !1", "screen !1"}));
    }
    // Taken up: only the correction and the screens are left.
    log.clear();
    service.deliver(Heading::of(5, 0, 0, 0, -1));
    EXPECT_EQ(log, Log{"screen 4/-1"});
}

}  // namespace
