// The publisher against a real Mosquitto broker (and one that misbehaves on purpose), all on
// 127.0.0.1.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <map>
#include <set>
#include <thread>

#include "Broker.h"
#include "FakeBroker.h"
#include "Processes.h"
#include "Support.h"
#include "publish/Messages.h"
#include "publish/SpoolRecords.h"

using namespace publishtest;
using namespace std::chrono_literals;

namespace {

std::string url(const Broker& broker, const std::string& user = Broker::kUser) {
    return "mqtt://" + user + "@127.0.0.1:" + std::to_string(broker.port()) + "/test";
}

// The payloads of "topic payload" lines, each startDate once, in the order first seen.
std::vector<std::string> firstSeen(const std::vector<std::string>& messages) {
    std::vector<std::string> out;
    std::set<std::string> seen;
    for (const std::string& m : messages) {
        const std::string payload = m.substr(m.find(' ') + 1);
        if (seen.insert(payload.substr(0, 36)).second) out.push_back(payload);
    }
    return out;
}

std::vector<std::string> expectedMinutes(int from, int to) {
    station::StationInfo info;
    info.code = "BOU";
    info.orientation = "HDZF";
    std::vector<std::string> out;
    for (int i = from; i < to; ++i) out.push_back(publish::valueJson(minute(i), info));
    return out;
}

TEST(Broker, MinutesArriveInOrderNoneMissingAcrossABrokerRestart) {
    TempDir spool;
    Broker broker;
    ASSERT_TRUE(broker.ready()) << broker.log();
    Subscriber minutes(broker, "test/BOU/pt1m", true);
    ASSERT_TRUE(minutes.subscribed()) << broker.log();
    Told told;
    publish::Publisher publisher(settingsFor(url(broker), Broker::kPassword, spool.path()),
                                 told.warn());
    ASSERT_EQ(publisher.start(), std::nullopt);
    ASSERT_TRUE(eventually([&] { return publisher.state().connected; })) << told.all();
    for (int i = 0; i < 30; ++i) {
        if (i == 10) {
            ASSERT_TRUE(eventually([&] { return publisher.state().spoolDepth == 0; }));
            broker.stop();
            ASSERT_TRUE(eventually([&] { return !publisher.state().connected; }));
        }
        if (i == 20) {
            ASSERT_TRUE(broker.start());
        }
        publisher.onMinute(minute(i));
        if (i >= 10 && i < 20) {
            EXPECT_EQ(publisher.state().spoolDepth, std::size_t(i - 9));
        }
    }
    ASSERT_TRUE(eventually([&] { return publisher.state().spoolDepth == 0; }, 20s)) << told.all();
    EXPECT_TRUE(eventually([&] { return firstSeen(minutes.messages()).size() == 30; }));
    EXPECT_EQ(firstSeen(minutes.messages()), expectedMinutes(0, 30));
    // The loss was told once, and the return.
    EXPECT_EQ(told.count("lost the connection"), 1u) << told.all();
    EXPECT_EQ(told.count("connected to"), 1u) << told.all();
}

TEST(Broker, LiveAtMostTenASecondAndTheAlarmRetained) {
    TempDir spool;
    Broker broker;
    ASSERT_TRUE(broker.ready());
    Subscriber live(broker, "test/BOU/live");
    Told told;
    auto settings = settingsFor(url(broker), Broker::kPassword, spool.path());
    auto now = std::chrono::steady_clock::time_point{};
    settings.now = [&] { return now; };
    settings.alarmThreshold = [] { return std::optional<double>(100.0); };
    publish::Publisher publisher(std::move(settings), told.warn());
    ASSERT_EQ(publisher.start(), std::nullopt);
    ASSERT_TRUE(eventually([&] { return publisher.state().connected; }));
    for (int i = 0; i < 100; ++i, now += 20ms)  // two seconds at 50 per second
        publisher.onSample(std::make_shared<heading::Heading>(
            heading::Heading::of(i == 99 ? 120.0 : 30.0, 40.0, 0.0, 12.5)));
    ASSERT_TRUE(eventually([&] { return live.messages().size() >= 20; }));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(live.messages().size(), 20u);
    EXPECT_EQ(live.messages().front(),
              "test/BOU/live {\"x\":30.00,\"y\":40.00,\"z\":0.00,\"total\":50.00,\"heading\":12.50,"
              "\"trueHeading\":null,\"alarm\":false,\"units\":\"uT\"}");
    // The last sample, not sent live (too soon), still raised the retained alarm.
    Subscriber alert(broker, "test/BOU/alert");
    EXPECT_TRUE(eventually([&] {
        const auto m = alert.messages();
        return !m.empty() && m.back().find("\"alarm\":true") != std::string::npos;
    }));
}

TEST(Broker, AKilledMeterIsMarkedOfflineByItsWill) {
    TempDir spool;
    Broker broker;
    ASSERT_TRUE(broker.ready());
    Subscriber status(broker, "test/KIL/status");
    const pid_t child = spawn({"/proc/self/exe", "--child-publisher", url(broker), spool.path()},
                              spool.path() + "/child.log");
    ASSERT_GT(child, 0);
    EXPECT_TRUE(eventually([&] {
        const auto m = status.messages();
        return !m.empty() && m.back() == "test/KIL/status online";
    })) << readFile(spool.path() + "/child.log");
    stopProcess(child, SIGKILL);
    EXPECT_TRUE(eventually([&] {
        const auto m = status.messages();
        return !m.empty() && m.back() == "test/KIL/status offline";
    }));
}

TEST(Broker, AnOrderlyStopSaysOffline) {
    TempDir spool;
    Broker broker;
    ASSERT_TRUE(broker.ready());
    Subscriber status(broker, "test/BOU/status");
    Told told;
    {
        publish::Publisher publisher(settingsFor(url(broker), Broker::kPassword, spool.path()),
                                     told.warn());
        ASSERT_EQ(publisher.start(), std::nullopt);
        ASSERT_TRUE(eventually([&] { return publisher.state().connected; }));
    }
    EXPECT_TRUE(eventually([&] {
        const auto m = status.messages();
        return m.size() == 2 && m.back() == "test/BOU/status offline";
    })) << testing::PrintToString(status.messages());
}

TEST(Broker, RefusalsAreToldOnceAndTheMeterGoesOn) {
    Broker broker;
    ASSERT_TRUE(broker.ready());
    const std::string tls = std::to_string(broker.tlsPort());
    struct Case {
        const char* what;
        std::string url;
        std::string password;
        std::string ca;
        const char* told;  // null: connects
    } cases[] = {
        {"a wrong password", url(broker), "not it", "", "not authorised"},
        {"an unknown user", url(broker, "nobody"), Broker::kPassword, "", "not authorised"},
        {"a certificate the system does not trust", "mqtts://meter@127.0.0.1:" + tls + "/test",
         Broker::kPassword, "", "certificate verify failed"},
        {"a certificate for another name", "mqtts://meter@localhost:" + tls + "/test",
         Broker::kPassword, broker.caFile(), "host name verification failed"},
        {"the broker's own CA", "mqtts://meter@127.0.0.1:" + tls + "/test", Broker::kPassword,
         broker.caFile(), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir spool;
        Told told;
        publish::Publisher publisher(settingsFor(c.url, c.password, spool.path(), "BOU", c.ca),
                                     told.warn());
        ASSERT_EQ(publisher.start(), std::nullopt);
        const auto started = std::chrono::steady_clock::now();
        publisher.onMinute(minute(0));  // taken at once, whatever the broker says
        EXPECT_LT(std::chrono::steady_clock::now() - started, 100ms);
        if (!c.told) {
            EXPECT_TRUE(eventually([&] { return publisher.state().spoolDepth == 0; }))
                << told.all();
            continue;
        }
        EXPECT_TRUE(eventually([&] { return told.count(c.told) > 0; })) << told.all();
        std::this_thread::sleep_for(1500ms);  // several tries
        EXPECT_EQ(told.lines().size(), 1u) << told.all();
        EXPECT_FALSE(publisher.state().connected);
        EXPECT_EQ(publisher.state().spoolDepth, 1u);
    }
}

TEST(Broker, TheSpoolOutlivesARestartAndKeepsItsBound) {
    TempDir spool;
    Told told;
    {
        auto settings =
            settingsFor("mqtt://meter@127.0.0.1:" + std::to_string(freePort()) + "/test",
                        Broker::kPassword, spool.path());
        settings.spoolMinutes = 5;
        publish::Publisher away(std::move(settings), told.warn());
        ASSERT_EQ(away.start(), std::nullopt);
        for (int i = 0; i < 8; ++i) away.onMinute(minute(i));
        EXPECT_EQ(away.state().spoolDepth, 5u);
        EXPECT_EQ(away.state().spoolDropped, 3u);
        EXPECT_EQ(told.count("the oldest are dropped"), 1u) << told.all();
    }
    Broker broker;
    ASSERT_TRUE(broker.ready());
    Subscriber minutes(broker, "test/BOU/pt1m");
    auto settings = settingsFor(url(broker), Broker::kPassword, spool.path());
    settings.spoolMinutes = 5;
    publish::Publisher back(std::move(settings), told.warn());
    ASSERT_EQ(back.start(), std::nullopt);
    EXPECT_EQ(back.state().spoolDepth, 5u);
    ASSERT_TRUE(eventually([&] { return back.state().spoolDepth == 0; })) << told.all();
    EXPECT_TRUE(eventually([&] { return minutes.messages().size() >= 5; }));
    EXPECT_EQ(firstSeen(minutes.messages()), expectedMinutes(3, 8));
}

TEST(Broker, ADamagedSpoolSendsWhatCanBeRead) {
    TempDir spool;
    station::StationInfo info;
    info.code = "BOU";
    info.orientation = "HDZF";
    auto record = [&](int i) {
        return publish::minuteRecord({minute(i).time, publish::valueJson(minute(i), info)});
    };
    std::string flipped = record(1);
    flipped[20] ^= 1;
    const std::string torn = record(3).substr(0, record(3).size() - 5);
    writeFile(spool.path() + "/publish-BOU.spool",
              record(0) + flipped + record(2) + "garbage appended \x01\xff\n" + torn);
    Broker broker;
    ASSERT_TRUE(broker.ready());
    Subscriber minutes(broker, "test/BOU/pt1m");
    Told told;
    publish::Publisher publisher(settingsFor(url(broker), Broker::kPassword, spool.path()),
                                 told.warn());
    ASSERT_EQ(publisher.start(), std::nullopt);
    EXPECT_EQ(told.count("3 lines could not be read"), 1u) << told.all();
    EXPECT_EQ(told.count("line 2: its checksum does not match"), 1u) << told.all();
    ASSERT_TRUE(eventually([&] { return publisher.state().spoolDepth == 0; }));
    EXPECT_TRUE(eventually([&] { return minutes.messages().size() >= 2; }));
    EXPECT_EQ(firstSeen(minutes.messages()),
              (std::vector<std::string>{publish::valueJson(minute(0), info),
                                        publish::valueJson(minute(2), info)}));
}

TEST(Broker, ABrokerThatNeverAcknowledgesHoldsOnlyTheWindowAndRepeatsCarryTheirDate) {
    for (const auto mode : {FakeBroker::Mode::Ignore, FakeBroker::Mode::Drop}) {
        SCOPED_TRACE(mode == FakeBroker::Mode::Ignore ? "never acknowledges" : "drops");
        FakeBroker fake(mode);
        TempDir spool;
        Told told;
        auto settings = settingsFor("mqtt://127.0.0.1:" + std::to_string(fake.port()) + "/test",
                                    std::nullopt, spool.path());
        settings.spoolMinutes = 20;
        settings.firstRetry = 200ms;
        publish::Publisher publisher(std::move(settings), told.warn());
        ASSERT_EQ(publisher.start(), std::nullopt);
        ASSERT_TRUE(eventually([&] { return publisher.state().connected; }));
        // The first minute on its way when the connection goes, the others come while it is
        // away: on the next connection the first still goes first.
        publisher.onMinute(minute(0));
        ASSERT_TRUE(eventually([&] { return !fake.received().empty(); }));
        if (mode == FakeBroker::Mode::Drop) {
            ASSERT_TRUE(eventually([&] { return !publisher.state().connected; }));
        }
        for (int i = 1; i < 40; ++i) publisher.onMinute(minute(i));
        EXPECT_EQ(publisher.state().spoolDepth, 20u);
        EXPECT_EQ(publisher.state().spoolDropped, 20u);
        std::this_thread::sleep_for(1500ms);

        const auto fed = expectedMinutes(0, 40);
        std::map<std::string, int> times;  // payload → how often it came
        std::vector<std::string> order;
        for (const auto& p : fake.received()) {
            if (p.topic != "test/BOU/pt1m") continue;
            EXPECT_EQ(p.qos, 1);
            EXPECT_NE(std::find(fed.begin(), fed.end(), p.payload), fed.end()) << p.payload;
            if (times[p.payload]++ == 0)
                order.push_back(p.payload);
            else
                EXPECT_TRUE(p.dup) << "a repeat is marked as one";
        }
        // The client never holds more than its window of minutes, however long this goes on;
        // the oldest goes first on every connection, and again until it is acknowledged.
        if (mode == FakeBroker::Mode::Ignore) {
            EXPECT_EQ(order, expectedMinutes(0, 10));
        } else {
            EXPECT_EQ(order, expectedMinutes(0, 1));
            EXPECT_GT(fake.connections(), 5);
            EXPECT_GT(times[fed[0]], 5);
        }
        EXPECT_EQ(publisher.state().spoolDepth, 20u);
    }
}

TEST(Broker, ABrokerThatStopsReadingCostsTheMeterNoMemoryAndNoWait) {
    FakeBroker fake(FakeBroker::Mode::Stall);
    TempDir spool;
    Told told;
    publish::Publisher publisher(
        settingsFor("mqtt://127.0.0.1:" + std::to_string(fake.port()) + "/test", std::nullopt,
                    spool.path()),
        told.warn());
    ASSERT_EQ(publisher.start(), std::nullopt);
    ASSERT_TRUE(eventually([&] { return publisher.state().connected; }));
    // More than the socket's buffers hold: the rest would pile up with the client.
    for (int i = 0; i < 100'000; ++i) publisher.onSecond(minute(i));
    EXPECT_GT(publisher.state().streamDropped, 50'000u);
    EXPECT_EQ(told.count("takes messages more slowly than they come"), 1u) << told.all();
}

}  // namespace

// As a child, a publisher that runs until it is killed: --child-publisher URL SPOOLFOLDER.
int childPublisher(const std::string& url, const std::string& folder) {
    auto settings = settingsFor(url, Broker::kPassword, folder, "KIL");
    publish::Publisher publisher(std::move(settings), heading::warnOnStderr);
    if (auto error = publisher.start()) {
        std::fprintf(stderr, "%s\n", error->c_str());
        return 1;
    }
    for (;;) pause();
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--child-publisher")
        return childPublisher(argv[2], argv[3]);
    testing::InitGoogleTest(&argc, argv);
    const bool listing = testing::GTEST_FLAG(list_tests);
    if (const std::string missing = Broker::missingProgram(); !missing.empty() && !listing) {
        std::printf(
            "skipped: %s is not installed (Debian: mosquitto, mosquitto-clients, openssl)\n",
            missing.c_str());
        return 77;
    }
    signal(SIGPIPE, SIG_IGN);
    return RUN_ALL_TESTS();
}
