#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "HeadingTestSupport.h"
#include "app/SampleRoad.h"
#include "heading/HeadingMath.h"
#include "heading/HeadingSession.h"
#include "heading/calibration/Calibration.h"
#include "heading/model/GeographicFieldModel.h"
#include "heading/model/TrueNorth.h"
#include "heading/replay/Recorder.h"
#include "heading/replay/ReplayFile.h"
#include "heading/simulated/SimulatedField.h"

namespace {

namespace fs = std::filesystem;
using heading::HeadingService;
using heading::HeadingSession;
using heading::Recorder;
using heading::SourceError;
using heading::SourceOptions;
using heading_test::Listening;
using heading_test::TaskQueue;
using heading_test::Warnings;

class RecordReplay : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = heading_test::freshTempDir(
            std::string("record-") +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const char* name) const { return (dir / name).string(); }

    static std::string contents(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    static void write(const std::string& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }

    fs::path dir;
};

TEST_F(RecordReplay, ARecordingReplaysBitForBitAndRecordsTheSameFileAgain) {
    const std::string first = path("first.csv"), second = path("second.csv");
    std::vector<heading::Heading> live;
    {
        HeadingService service;
        TaskQueue queue;
        Listening a(service);
        SourceOptions o;
        o.spec = "simulated:rate=997";  // awkward timestamps
        o.declination = 3.3;
        o.recordPath = first;
        HeadingSession session(o, service, queue.post());
        app::SampleRoad road(service, {.recorder = session.recorder()});
        session.start();
        ASSERT_TRUE(queue.pumpUntil([&] { return a.collector->samples.size() >= 200; }));
        session.stop();
        live = heading_test::withoutUtc(a.collector->samples);
    }
    std::vector<heading::Heading> replayed;
    {
        HeadingService service;
        TaskQueue queue;
        Warnings warnings;
        Listening a(service), b(service);
        SourceOptions o;
        o.spec = "replay:" + first;
        o.recordPath = second;
        HeadingSession session(o, service, queue.post(), warnings.warn());
        app::SampleRoad road(service, {.recorder = session.recorder()});
        session.prepare();
        EXPECT_TRUE(service.headingAvailable());
        EXPECT_EQ(session.describe(), "replay " + first + " (" + std::to_string(live.size()) +
                                          " samples), recording to " + second);
        session.start();
        ASSERT_TRUE(queue.pumpUntil([&] { return !warnings.lines().empty(); }));
        queue.pump();
        session.stop();
        replayed = heading_test::withoutUtc(a.collector->samples);
        EXPECT_EQ(heading_test::withoutUtc(b.collector->samples), replayed);
        EXPECT_EQ(warnings.lines(),
                  std::vector<std::string>{"replay of " + first + " finished after " +
                                           std::to_string(live.size()) + " samples"});
    }
    EXPECT_EQ(replayed, live);  // every field, bit for bit, timestamps included
    EXPECT_EQ(contents(second), contents(first));
    EXPECT_EQ(heading::ReplayFile::read(first), live);
}

// A device with an accelerometer, turning through every tilt next to steel: its recording keeps
// gravity, replays bit for bit, and a calibrated replay of it is tilt-compensated.
TEST_F(RecordReplay, ARecordingKeepsGravitySoThatACalibratedReplayIsTiltCompensated) {
    const std::string file = path("tilted.csv"), again = path("again.csv");
    heading::SimulatedMotion tumble;
    tumble.tumble = true;
    heading::SimulatedMotion distorted = tumble;
    distorted.offset = {40, -60, 25};
    distorted.soft = {1.1, 0, 0, 0, 0.9, 0, 0, 0, 1};
    std::vector<heading::Heading> live;
    {
        HeadingService service;
        TaskQueue queue;
        Listening a(service);
        SourceOptions o;
        o.spec = "simulated:rate=200,tumble,offset=40,-60,25,soft=1.1,0,0,0,0.9,0,0,0,1";
        o.recordPath = file;
        HeadingSession session(o, service, queue.post());
        app::SampleRoad road(service, {.recorder = session.recorder()});
        session.start();
        ASSERT_TRUE(queue.pumpUntil([&] { return a.collector->samples.size() >= 400; }));
        session.stop();
        live = heading_test::withoutUtc(a.collector->samples);
    }
    EXPECT_EQ(contents(file).substr(0, contents(file).find('\n')),
              "t,x,y,z,magneticHeading,trueHeading,gx,gy,gz");
    EXPECT_EQ(heading::ReplayFile::read(file), live);  // gravity included, bit for bit

    heading::calibration::Calibration undo;
    undo.offset = distorted.offset;
    undo.matrix = {1 / 1.1, 0, 0, 0, 1 / 0.9, 0, 0, 0, 1};
    HeadingService service;
    TaskQueue queue;
    Warnings warnings;
    Listening a(service);
    SourceOptions o;
    o.spec = "replay:" + file;
    o.calibration = "none";
    o.recordPath = again;
    HeadingSession session(o, service, queue.post(), warnings.warn());
    app::SampleRoad road(service, {.recorder = session.recorder()});
    service.setCorrection(undo);
    session.start();
    ASSERT_TRUE(queue.pumpUntil([&] { return !warnings.lines().empty(); }));
    queue.pump();
    session.stop();
    const auto& seen = a.collector->samples;
    ASSERT_EQ(seen.size(), live.size());
    double sum = 0;
    for (const auto& h : seen) {
        const auto n = static_cast<std::uint64_t>(std::llround(h.timestamp * 200));
        const double truth = heading::SimulatedField::sample(n, 200, {}, tumble).magneticHeading;
        const double off = std::remainder(h.magneticHeading - truth, 360.0);
        sum += off * off;
    }
    EXPECT_LT(std::sqrt(sum / seen.size()), 1.0);
    EXPECT_EQ(contents(again).substr(0, contents(again).find('\n')),
              "t,x,y,z,magneticHeading,trueHeading,gx,gy,gz");
}

TEST_F(RecordReplay, ReplayKeepsThePaceOfTheFile) {
    const std::string file = path("paced.csv");
    write(file,
          "t,x,y,z,magneticHeading,trueHeading\n"
          "5,1,0,0,0,-1\n5.1,2,0,0,0,-1\n5.2,3,0,0,0,-1\n5.25,4,0,0,90,-1\n");
    HeadingService service;
    TaskQueue queue;
    Listening a(service);
    SourceOptions o;
    o.spec = "replay:" + file;
    o.declination = 10;
    HeadingSession session(o, service, queue.post(), {});
    const auto started = std::chrono::steady_clock::now();
    session.start();
    ASSERT_TRUE(queue.pumpUntil([&] { return a.collector->samples.size() == 4; }));
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    // Paced from the first sample's t: never earlier than the file says (no upper bound).
    EXPECT_GE(took, 0.25);
    const auto& s = a.collector->samples;
    EXPECT_EQ((std::vector<double>{s[0].x, s[1].x, s[2].x, s[3].x}),
              (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(s[0].trueHeading, 10.0);  // a declination replaces the recorded true heading
    EXPECT_EQ(s[3].trueHeading, 100.0);
}

// With a location the field model's true heading replaces the recorded one, in what the screens
// get and in what is recorded: the service completes each sample before anyone sees it.
TEST_F(RecordReplay, AReplayWithALocationRecordsTheModelsTrueHeading) {
    const std::string file = path("walk.csv"), record = path("again.csv");
    write(file, "t,x,y,z,magneticHeading,trueHeading\n0,1,0,0,350,5\n0.01,2,0,0,20,5\n");
    auto model = std::make_shared<heading::GeographicFieldModel>(FLUXPROBE_FIELD_MODEL_DIR);
    using namespace std::chrono;
    const auto day = sys_days{2027y / July / 2};
    heading::TrueNorth north(model, {}, [day] { return day; });
    north.setLocation({-33.87, 151.21, 0.0});
    const double declination = model->evaluate({-33.87, 151.21, 0.0}, 2027.5).declination;
    HeadingService service;
    TaskQueue queue;
    Listening a(service);
    SourceOptions o;
    o.spec = "replay:" + file;
    o.recordPath = record;
    {
        HeadingSession session(o, service, queue.post(), {});
        struct : heading::SampleStage {
            void complete(heading::Heading& h) override { north->fill(h); }
            heading::TrueNorth* north;
        } stage;
        stage.north = &north;
        app::SampleRoad road(service, {.trueNorth = &stage, .recorder = session.recorder()});
        session.start();
        ASSERT_TRUE(queue.pumpUntil([&] { return a.collector->samples.size() == 2; }));
    }
    const auto recorded = heading::ReplayFile::read(record);
    ASSERT_EQ(recorded.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const double expected =
            heading::normalizeDegrees(recorded[i].magneticHeading + declination);
        EXPECT_NEAR(recorded[i].trueHeading, expected, 1e-3) << i;
        EXPECT_EQ(a.collector->samples[i].trueHeading, recorded[i].trueHeading) << i;
    }
    EXPECT_NEAR(recorded[0].trueHeading, 2.9, 0.5);  // 350 + about 12.9 degrees east
}

TEST_F(RecordReplay, AnExistingRecordFileIsRefusedAndLeftAlone) {
    const std::string file = path("keep.csv");
    write(file, "precious");
    HeadingService service;
    TaskQueue queue;
    SourceOptions o;
    o.spec = "simulated";
    o.recordPath = file;
    try {
        HeadingSession session(o, service, queue.post());
        app::SampleRoad road(service, {.recorder = session.recorder()});
        ADD_FAILURE() << "accepted";
    } catch (const SourceError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "record file " + file + " already exists; it is not overwritten");
    }
    EXPECT_EQ(contents(file), "precious");
}

TEST_F(RecordReplay, AnUncreatableRecordFileIsAClearError) {
    const std::string file = path("no-such-dir/r.csv");
    try {
        Recorder r(file, {});
        ADD_FAILURE() << "accepted";
    } catch (const SourceError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "cannot create record file " + file + ": No such file or directory");
    }
}

TEST_F(RecordReplay, AFullDiskIsReportedOnceAndRecordingStops) {
    const int fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (fd < 0) GTEST_SKIP() << "no /dev/full here";
    Warnings warnings;
    {
        Recorder r(fd, "/dev/full", warnings.warn());
        heading::Heading h;
        for (int i = 0; i < 10000; ++i) {  // more than a stdio buffer
            h.timestamp = i;
            r.record(h);
        }
        EXPECT_TRUE(r.failed());
        r.flush();
    }
    EXPECT_EQ(warnings.lines(),
              std::vector<std::string>{"recording to /dev/full stopped: No space left on "
                                       "device (the file holds the samples up to its last good "
                                       "write)"});
}

// The file as a crash would leave it at any moment: whole lines only, so it always replays.
TEST_F(RecordReplay, TheFileNeverEndsInTheMiddleOfALine) {
    const std::string file = path("whole.csv");
    Recorder r(file, {}, [] { return Recorder::Clock::time_point{}; });  // no timed flush
    const int reader = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    heading::Heading h;
    h.x = 1.0 / 3.0;  // long numbers: a line does not divide the buffer evenly
    int written = 0;
    for (int i = 0; i < 3000; ++i) {
        h.timestamp = i * 0.001;
        r.record(h);
        const off_t size = ::lseek(reader, 0, SEEK_END);
        if (size == 0) continue;
        ++written;
        char last = 0;
        ASSERT_EQ(::pread(reader, &last, 1, size - 1), 1);
        ASSERT_EQ(last, '\n') << "after sample " << i << ", at " << size << " bytes";
    }
    ::close(reader);
    EXPECT_GT(written, 0);  // the buffer did go out on its own along the way
}

// A file size limit stands in for a full disk here: the write fails part-way through a buffer.
TEST_F(RecordReplay, ARecordingCutShortByAWriteErrorStillReplays) {
    const std::string file = path("cut.csv");
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit limit = old;
    limit.rlim_cur = 10000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    Warnings warnings;
    auto now = Recorder::Clock::time_point{};
    {
        Recorder r(file, warnings.warn(), [&] { return now; });
        heading::Heading h;
        for (int i = 0; i < 400 && !r.failed(); ++i) {
            h.timestamp = i * 0.01;
            h.x = i / 7.0;
            r.record(h);
            if (i % 20 == 19) now += std::chrono::seconds(1);  // flush every 20 samples
        }
        EXPECT_TRUE(r.failed());
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    ASSERT_EQ(warnings.lines().size(), 1u);
    EXPECT_NE(warnings.lines()[0].find("stopped: File too large"), std::string::npos);
    const auto samples = heading::ReplayFile::read(file);  // throws on a cut line
    EXPECT_GE(samples.size(), 100u);  // what fitted is kept, up to the last whole line
    EXPECT_LE(fs::file_size(file), 10000u);
    EXPECT_GT(fs::file_size(file), 10000u - 200u);
}

TEST_F(RecordReplay, TheRecordingIsFlushedOnceASecondHasPassed) {
    const std::string file = path("flushed.csv");
    auto now = Recorder::Clock::time_point{};
    Recorder r(file, {}, [&] { return now; });
    heading::Heading h;
    r.record(h);
    now += std::chrono::milliseconds(999);
    r.record(h);
    EXPECT_EQ(contents(file), "");  // still buffered
    now += std::chrono::milliseconds(1);
    r.record(h);
    EXPECT_EQ(contents(file),
              "t,x,y,z,magneticHeading,trueHeading\n"
              "0,0,0,0,0,-1\n0,0,0,0,0,-1\n0,0,0,0,0,-1\n");
}

TEST_F(RecordReplay, TimeKeepsGoingForwardWhenTheSourceStartsAgain) {
    const std::string file = path("restarted.csv");
    {
        Recorder r(file, {});
        for (double t : {0.0, 0.5, 1.0, 0.0, 0.25}) {
            heading::Heading h;
            h.timestamp = t;
            r.record(h);
        }
    }
    const auto samples = heading::ReplayFile::read(file);
    ASSERT_EQ(samples.size(), 5u);
    EXPECT_EQ(samples[3].timestamp, 1.0);
    EXPECT_EQ(samples[4].timestamp, 1.25);
}

}  // namespace
