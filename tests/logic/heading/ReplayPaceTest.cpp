#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "heading/HeadingService.h"
#include "heading/SampleChannel.h"
#include "heading/SourceError.h"
#include "heading/replay/ReplaySource.h"
#include "logic/heading/HeadingTestSupport.h"

namespace {

using heading::ReplayPace;
using heading::ReplaySource;
using heading_test::Listening;
using heading_test::TaskQueue;

const std::string kSeconds =
    std::string(FLUXPROBE_TEST_DATA_DIR) + "/observatory/BOU20180901-first-half-vsec.sec";

// Plays source to its end through a channel; the collected samples.
std::vector<heading::Heading> play(ReplaySource& source, std::size_t* mostPerTask = nullptr) {
    heading::HeadingService service;
    TaskQueue queue;
    Listening listening(service);
    auto channel = std::make_shared<heading::SampleChannel>(service, queue.post());
    source.start(channel);
    std::size_t most = 0;
    EXPECT_TRUE(queue.pumpUntil([&] {
        const std::size_t before = listening.collector->samples.size();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (queue.pump() > 0) most = std::max(most, listening.collector->samples.size() - before);
        return !listening.collector->errors.empty();
    }));
    source.stop();
    channel->close();
    if (mostPerTask) *mostPerTask = most;
    return listening.collector->samples;
}

TEST(ReplayPace, PlaysAnObservatoryFileWithItsOwnTimesTotalAndStation) {
    ReplaySource source(kSeconds, std::nullopt, {}, ReplayPace{0.0, std::nullopt});
    const auto facts = source.facts();
    EXPECT_EQ(facts.code, "BOU");
    EXPECT_EQ(facts.name, "Boulder");
    EXPECT_EQ(facts.orientation, "HDZF");
    EXPECT_EQ(facts.reported, "HEZF");  // from SVHSVESVZSSF
    EXPECT_TRUE(facts.scalarTotal);
    EXPECT_EQ(facts.latitude, 40.137);
    std::size_t most = 0;
    const auto samples = play(source, &most);
    ASSERT_EQ(samples.size(), 1891u);
    EXPECT_EQ(samples[0].utc, 1535842755.0);  // 2018-09-01T22:59:15Z
    EXPECT_EQ(samples[1].utc - samples[0].utc, 1.0);
    EXPECT_NEAR(samples[0].x, 20.82890, 1e-12);  // nT as µT
    EXPECT_NEAR(samples[0].y, -0.05297, 1e-12);
    EXPECT_NEAR(samples[0].f, 51.96571, 1e-12);
    EXPECT_EQ(samples[0].missing, 0u);
    // As fast as possible, yet never more in one main-loop task than the channel allows.
    EXPECT_LE(most, heading::SampleChannel::kMaxPerTask);
}

TEST(ReplayPace, PlacesACsvRecordingAtItsStartAndPlaysItFaster) {
    const auto dir = heading_test::freshTempDir("replay-pace");
    const std::string path = (dir / "r.csv").string();
    {
        std::ofstream out(path);
        out << "t,x,y,z,magneticHeading,trueHeading\n";
        for (int i = 0; i < 20; ++i) out << 5 + i * 0.05 << ",1,2,3,10,-1\n";
    }
    ReplaySource source(path, std::nullopt, {}, ReplayPace{4.0, 1535842755000});
    const auto begun = std::chrono::steady_clock::now();
    const auto samples = play(source);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    ASSERT_EQ(samples.size(), 20u);
    EXPECT_DOUBLE_EQ(samples[0].utc, 1535842755.0);
    EXPECT_NEAR(samples[19].utc, 1535842755.0 + 0.95, 1e-6);
    EXPECT_GE(took, 0.95 / 4.0 * 0.9);  // paced, four times real time
    EXPECT_THROW(ReplaySource(kSeconds, std::nullopt, {}, ReplayPace{1.0, 0}),
                 heading::SourceError);
    std::filesystem::remove_all(dir);
}

}  // namespace
