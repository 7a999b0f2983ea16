#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "HeadingTestSupport.h"
#include "heading/HeadingSession.h"
#include "heading/simulated/SimulatedField.h"

namespace {

using heading::HeadingService;
using heading::HeadingSession;
using heading::SourceError;
using heading::SourceOptions;
using heading_test::Listening;
using heading_test::TaskQueue;

SourceOptions options(std::string spec) {
    SourceOptions o;
    o.spec = std::move(spec);
    return o;
}

TEST(HeadingSession, SimulatedDeliversTheDeterministicFieldInOrderToEveryManager) {
    HeadingService service;
    TaskQueue queue;
    Listening a(service), b(service);
    HeadingSession session(options("simulated:rate=1000"), service, queue.post());
    session.prepare();
    EXPECT_TRUE(service.headingAvailable());
    EXPECT_EQ(session.describe(), "simulated 1000 Hz");
    session.start();
    ASSERT_TRUE(queue.pumpUntil([&] { return a.collector->samples.size() >= 300; }));
    session.stop();
    queue.pump();  // anything still queued must not arrive after stop
    EXPECT_EQ(b.collector->samples, a.collector->samples);
    for (std::size_t i = 1; i < a.collector->samples.size(); ++i)
        EXPECT_NEAR(a.collector->samples[i].utc - a.collector->samples[0].utc,
                    a.collector->samples[i].timestamp - a.collector->samples[0].timestamp, 1e-6);
    const auto got = heading_test::withoutUtc(a.collector->samples);
    // Samples may be skipped only if the test thread fell a whole second behind; otherwise
    // sample i is exactly the field at i / rate.
    for (std::size_t i = 0; i < got.size(); ++i)
        ASSERT_EQ(got[i], heading::SimulatedField::sample(
                              static_cast<std::uint64_t>(std::llround(got[i].timestamp * 1000)),
                              1000, std::nullopt));
    for (std::size_t i = 1; i < got.size(); ++i) ASSERT_GT(got[i].timestamp, got[i - 1].timestamp);
    EXPECT_EQ(got.front().timestamp, 0.0);
    // Batching: far fewer tasks than samples at this rate.
    EXPECT_LT(queue.posted(), static_cast<int>(got.size()));
}

TEST(HeadingSession, NothingArrivesAfterStopAndStartBeginsAgain) {
    HeadingService service;
    TaskQueue queue;
    Listening a(service);
    HeadingSession session(options("simulated:rate=2000"), service, queue.post());
    session.start();
    ASSERT_TRUE(queue.pumpUntil([&] { return !a.collector->samples.empty(); }));
    session.stop();
    const auto count = a.collector->samples.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    queue.pump();
    EXPECT_EQ(a.collector->samples.size(), count);
    session.start();
    ASSERT_TRUE(queue.pumpUntil([&] { return a.collector->samples.size() > count; }));
    EXPECT_EQ(a.collector->samples[count].timestamp, 0.0);
}

// A main loop that stalls makes a live source let samples go rather than pile them up; each is
// counted, so that what was delivered and what was dropped add up to what fell due.
TEST(HeadingSession, SamplesLetGoWhileTheMainLoopStallsAreCounted) {
    HeadingService service;
    TaskQueue queue;
    Listening a(service);
    HeadingSession session(options("simulated:rate=2000"), service, queue.post());
    session.start();
    for (int i = 0; i < 500 && service.samplesDropped() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GT(service.samplesDropped(), 0u) << "no sample was dropped in 5 s of a stalled loop";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    queue.pump();
    session.stop();
    ASSERT_FALSE(a.collector->samples.empty());
    // The simulated field's timestamps count every sample that fell due, dropped or not.
    const double due = a.collector->samples.back().timestamp * 2000.0 + 1.0;
    EXPECT_NEAR(static_cast<double>(service.samplesDelivered() + service.samplesDropped()), due,
                2000.0);
}

TEST(HeadingSession, ADelegateMayStopTheSessionMidBatch) {
    HeadingService service;
    TaskQueue queue;
    Listening a(service);
    auto session =
        std::make_unique<HeadingSession>(options("simulated:rate=100000"), service, queue.post());
    a.collector->onSample = [&] {
        if (a.collector->samples.size() == 5) session.reset();
    };
    session->start();
    ASSERT_TRUE(queue.pumpUntil([&] { return !session; }));
    queue.pump();
    EXPECT_EQ(a.collector->samples.size(), 5u);
}

TEST(HeadingSession, TasksPostedBeforeDestructionAreHarmlessAfterwards) {
    auto service = std::make_unique<HeadingService>();
    TaskQueue queue;
    {
        HeadingSession session(options("simulated:rate=100000"), *service, queue.post());
        session.start();
        while (queue.posted() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    service.reset();
    queue.pump();  // must not touch the service that has gone
}

TEST(HeadingSession, DeclinationGivesATrueHeading) {
    HeadingService service;
    TaskQueue queue;
    Listening a(service);
    SourceOptions o = options("simulated");
    o.declination = -10.0;
    HeadingSession session(o, service, queue.post());
    session.start();
    ASSERT_TRUE(queue.pumpUntil([&] { return !a.collector->samples.empty(); }));
    const auto& first = a.collector->samples.front();
    EXPECT_DOUBLE_EQ(first.magneticHeading, 0.0);
    EXPECT_DOUBLE_EQ(first.trueHeading, 350.0);
}

TEST(HeadingSession, NoneAndAutoWithoutAMagnetometerHaveNoHeading) {
    const auto empty = heading_test::freshTempDir("empty-iio");
    ::setenv("FLUXPROBE_IIO_ROOT", empty.c_str(), 1);
    for (const char* spec : {"none", "auto"}) {
        SCOPED_TRACE(spec);
        HeadingService service;
        TaskQueue queue;
        Listening a(service);
        HeadingSession session(options(spec), service, queue.post());
        session.prepare();
        EXPECT_FALSE(service.headingAvailable());
        session.start();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        queue.pump();
        EXPECT_TRUE(a.collector->samples.empty());
        EXPECT_TRUE(a.collector->errors.empty());
    }
    ::unsetenv("FLUXPROBE_IIO_ROOT");
    std::filesystem::remove_all(empty);
}

TEST(HeadingSession, ABadSourceIsRefusedBeforeTheRecordFileIsMade) {
    const auto dir = heading_test::freshTempDir("never-made");
    const auto path = dir / "r.csv";
    HeadingService service;
    TaskQueue queue;
    SourceOptions o = options("simulated:rate=0");
    o.recordPath = path;
    EXPECT_THROW(HeadingSession(o, service, queue.post()), SourceError);
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove_all(dir);
}

}  // namespace
