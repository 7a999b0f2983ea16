#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <numbers>
#include <string>
#include <thread>

#include "HeadingTestSupport.h"
#include "heading/HeadingSession.h"
#include "heading/SampleChannel.h"
#include "heading/iio/IioSource.h"

namespace {

namespace fs = std::filesystem;
using heading::HeadingService;
using heading::IioSource;
using heading::SourceError;
using heading_test::Listening;
using heading_test::TaskQueue;

using Attributes = std::map<std::string, std::string>;

// A sysfs tree of our own making under a temporary directory.
class FakeIio : public ::testing::Test {
  protected:
    void SetUp() override {
        root = heading_test::freshTempDir(
            std::string("iio-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path device(int n, const std::string& name, const Attributes& attributes) {
        const fs::path dir = root / ("iio:device" + std::to_string(n));
        fs::create_directories(dir);
        if (!name.empty()) set(dir, "name", name);
        for (const auto& [k, v] : attributes) set(dir, k, v);
        return dir;
    }

    // Replaced whole, as sysfs would: a reader never sees a half-written value.
    static void set(const fs::path& dir, const std::string& attribute, const std::string& value) {
        const fs::path next = dir / ("." + attribute + ".next");
        std::ofstream(next) << value << "\n";
        fs::rename(next, dir / attribute);
    }

    static void setField(const fs::path& dir, long long x, long long y, long long z) {
        set(dir, "in_magn_x_raw", std::to_string(x));
        set(dir, "in_magn_y_raw", std::to_string(y));
        set(dir, "in_magn_z_raw", std::to_string(z));
    }

    // Starts the source and pumps until done(), then stops it.
    void run(IioSource& source, const std::function<bool()>& done) {
        source.start(std::make_shared<heading::SampleChannel>(service, queue.post()));
        EXPECT_TRUE(queue.pumpUntil(done));
        source.stop();
        queue.pump();
    }

    heading::Heading firstSample(const std::string& device = "",
                                 std::optional<double> declination = std::nullopt) {
        auto source = IioSource::open(root.string(), device, declination);
        run(*source, [&] { return !listener.collector->samples.empty(); });
        const auto h = listener.collector->samples.at(0);
        listener.collector->samples.clear();
        return h;
    }

    fs::path root;
    HeadingService service;
    TaskQueue queue;
    Listening listener{service};
};

Attributes magnetometer(long long x, long long y, long long z, Attributes more = {}) {
    more["in_magn_x_raw"] = std::to_string(x);
    more["in_magn_y_raw"] = std::to_string(y);
    more["in_magn_z_raw"] = std::to_string(z);
    return more;
}

std::string message(const std::function<void()>& f) {
    try {
        f();
    } catch (const SourceError& e) {
        return e.what();
    }
    return "accepted";
}

TEST_F(FakeIio, FindsMagnetometersByNumberOrNameAndListsWhatItFoundOtherwise) {
    device(0, "bmi160",
           {{"in_accel_x_raw", "0"}, {"in_accel_y_raw", "0"}, {"in_accel_z_raw", "1"}});
    device(10, "hmc5843", magnetometer(1, 2, 3));
    device(2, "ak8975", magnetometer(1, 2, 3));
    device(3, "", magnetometer(1, 2, 3));  // no name file: not a device
    fs::create_directories(root / "trigger0");
    const std::string r = root.string();

    EXPECT_EQ(IioSource::findFirst(r, {})->describe(),
              "iio:device2 (ak8975), tilt from iio:device0 (bmi160)");
    EXPECT_EQ(IioSource::open(r, "", {})->describe().substr(0, 20), "iio:device2 (ak8975)");
    EXPECT_EQ(IioSource::open(r, "hmc5843", {})->describe().substr(0, 22),
              "iio:device10 (hmc5843)");
    EXPECT_EQ(IioSource::open(r, "iio:device10", {})->describe().substr(0, 12), "iio:device10");
    const std::string found =
        "found iio:device0 (bmi160, not a magnetometer), iio:device2 (ak8975), iio:device10 "
        "(hmc5843)";
    EXPECT_EQ(message([&] { IioSource::open(r, "bmi160", {}); }),
              "no IIO magnetometer 'bmi160' under " + r + "; " + found);
    EXPECT_EQ(message([&] { IioSource::open(r, "iio:device3", {}); }),
              "no IIO magnetometer 'iio:device3' under " + r + "; " + found);
    EXPECT_EQ(
        message([&] { IioSource::open((root / "nowhere").string(), "", {}); }),
        "no IIO magnetometer under " + (root / "nowhere").string() + "; found no IIO devices");
    EXPECT_EQ(IioSource::findFirst((root / "nowhere").string(), {}), nullptr);
}

TEST_F(FakeIio, ScalesAndOffsetsGiveMicroteslaAndTheHeadingOfAFlatDevice) {
    // Shared scale 0.001 G; per-axis scale on z; offset on y. 1 raw = 0.1 µT.
    const auto dir = device(0, "mag",
                            magnetometer(0, 0, 0,
                                         {{"in_magn_scale", "0.001"},
                                          {"in_magn_z_scale", "0.002"},
                                          {"in_magn_y_offset", "10"}}));
    struct Case {
        long long x, y;
        double heading;
    };
    // Top edge to north: the field's horizontal part along +y; east: it lies to the left (-x).
    const Case cases[] = {
        {0, 190, 0}, {-200, -10, 90}, {0, -210, 180}, {200, -10, 270}, {-200, 190, 45}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heading);
        setField(dir, c.x, c.y, -220);
        const auto h = firstSample();
        EXPECT_NEAR(h.x, c.x * 0.1, 1e-9);
        EXPECT_NEAR(h.y, (c.y + 10) * 0.1, 1e-9);
        EXPECT_NEAR(h.z, -44.0, 1e-9);
        EXPECT_NEAR(h.magneticHeading, c.heading, 1e-9);
        EXPECT_EQ(h.trueHeading, -1.0);
    }
    setField(dir, -200, -10, 0);
    EXPECT_NEAR(firstSample("", 15.0).trueHeading, 105.0, 1e-9);
    setField(dir, 0, 190, 0);
    EXPECT_NEAR(firstSample("", -15.0).trueHeading, 345.0, 1e-9);
}

TEST_F(FakeIio, TheMountMatrixTurnsSensorAxesIntoDeviceAxes) {
    // Device x is the sensor's y; device y is the sensor's -x; z flips.
    for (const char* attribute : {"in_magn_mount_matrix", "in_mount_matrix", "mount_matrix"}) {
        SCOPED_TRACE(attribute);
        fs::remove_all(root / "iio:device0");
        device(
            0, "mag",
            magnetometer(3, 5, 7,
                         {{"in_magn_scale", "0.01"}, {attribute, "0, 1, 0; -1, 0, 0; 0, 0, -1"}}));
        const auto h = firstSample();
        EXPECT_NEAR(h.x, 5.0, 1e-9);
        EXPECT_NEAR(h.y, -3.0, 1e-9);
        EXPECT_NEAR(h.z, -7.0, 1e-9);
    }
}

TEST_F(FakeIio, PollsAtTheSamplingFrequencyOrFiftyHertz) {
    const std::pair<Attributes, double> cases[] = {
        {{}, 50.0},
        {{{"sampling_frequency", "25.5"}}, 25.5},
        {{{"in_magn_sampling_frequency", "10"}, {"sampling_frequency", "25"}}, 10.0},
        {{{"in_magn_sampling_frequency", "5000"}}, IioSource::kMaxPollRate},
    };
    for (const auto& [attributes, rate] : cases) {
        fs::remove_all(root / "iio:device0");
        device(0, "mag", magnetometer(1, 1, 1, attributes));
        EXPECT_EQ(IioSource::open(root.string(), "", {})->pollRate(), rate);
    }
}

TEST_F(FakeIio, GarbageInAnAttributeIsRefusedNamingTheFile) {
    const auto dir = device(0, "mag", magnetometer(1, 1, 1, {{"in_magn_x_scale", "fast"}}));
    EXPECT_EQ(message([&] { IioSource::open(root.string(), "", {}); }),
              (dir / "in_magn_x_scale").string() + ": expected a positive number, found 'fast'");
    set(dir, "in_magn_x_scale", "1");
    set(dir, "mount_matrix", "1, 0, 0; 0, 1, 0");
    EXPECT_NE(message([&] {
                  IioSource::open(root.string(), "", {});
              }).find((dir / "mount_matrix").string() + ": expected a mount matrix"),
              std::string::npos);

    // Values that parse but would make every sample overflow to inf or nan.
    const std::pair<Attributes, std::string> overflowing[] = {
        {{{"in_magn_x_scale", "1e308"}}, "in_magn_x_scale: a scale of 1e+308"},
        {{{"in_magn_offset", "1e307"}}, "in_magn_offset: an offset of 1e+307"},
        {{{"mount_matrix", "1e307, 1e307, 0; 0, 1, 0; 0, 0, 1"}},
         "mount_matrix: this mount matrix"},
    };
    fs::remove(dir / "mount_matrix");
    for (const auto& [attributes, expected] : overflowing) {
        for (const auto& [file, value] : attributes) set(dir, file, value);
        EXPECT_EQ(message([&] { IioSource::open(root.string(), "", {}); }),
                  (dir / expected).string() + " makes every reading too large a number to use");
        for (const auto& [file, value] : attributes) fs::remove(dir / file);
    }
}

// A field of strength h (horizontal) and v (vertical, down) seen by a device whose top edge
// points to heading, raised by pitch and then rolled by roll (degrees), and the reaction to
// gravity its accelerometer feels. Built from the device's axes in (east, north, up) terms.
struct Pose {
    heading::Vector3 field, gravity;
};
Pose pose(double headingDeg, double pitchDeg, double rollDeg, double h = 20, double v = 44) {
    using V = heading::Vector3;
    const double k = std::numbers::pi / 180;
    const double p = headingDeg * k, a = pitchDeg * k, b = rollDeg * k;
    const auto add = [](V u, V w, double cu, double cw) {
        return V{u.x * cu + w.x * cw, u.y * cu + w.y * cw, u.z * cu + w.z * cw};
    };
    const V x0{std::cos(p), -std::sin(p), 0}, y0{std::sin(p), std::cos(p), 0}, z0{0, 0, 1};
    const V y1 = add(y0, z0, std::cos(a), std::sin(a)), z1 = add(y0, z0, -std::sin(a), std::cos(a));
    const V x2 = add(x0, z1, std::cos(b), -std::sin(b)), z2 = add(x0, z1, std::sin(b), std::cos(b));
    const V earth{0, h, -v}, up{0, 0, 1};
    const auto dot = [](V u, V w) { return u.x * w.x + u.y * w.y + u.z * w.z; };
    return {{dot(earth, x2), dot(earth, y1), dot(earth, z2)},
            {dot(up, x2), dot(up, y1), dot(up, z2)}};
}

TEST_F(FakeIio, AnAccelerometerTiltCompensatesTheHeading) {
    // Field raw in 1e-7 G (0.00001 µT); gravity raw in 1e-5 g, with a scale of its own.
    const auto mag = device(0, "mag", magnetometer(0, 0, 0, {{"in_magn_scale", "0.0000001"}}));
    const auto acc = device(1, "accel", {{"in_accel_scale", "0.0098"}});
    for (double headingDeg : {0.0, 90.0, 180.0, 270.0, 33.0}) {
        for (auto [pitch, roll] :
             {std::pair{0.0, 0.0}, {60.0, 0.0}, {-30.0, 25.0}, {10.0, -70.0}}) {
            SCOPED_TRACE(std::to_string(headingDeg) + " pitch " + std::to_string(pitch) + " roll " +
                         std::to_string(roll));
            const Pose s = pose(headingDeg, pitch, roll);
            setField(mag, std::llround(s.field.x * 100000), std::llround(s.field.y * 100000),
                     std::llround(s.field.z * 100000));
            set(acc, "in_accel_x_raw", std::to_string(std::llround(s.gravity.x * 100000)));
            set(acc, "in_accel_y_raw", std::to_string(std::llround(s.gravity.y * 100000)));
            set(acc, "in_accel_z_raw", std::to_string(std::llround(s.gravity.z * 100000)));
            const double got = firstSample().magneticHeading;
            const double diff = std::remainder(got - headingDeg, 360.0);
            EXPECT_NEAR(diff, 0.0, 0.001) << got;
        }
    }
}

TEST_F(FakeIio, AnAccelerometerOnTheSameDeviceUsesItsOwnMountMatrix) {
    const auto dir =
        device(0, "imu",
               magnetometer(0, 0, 0,
                            {{"in_magn_scale", "0.0000001"},
                             {"in_accel_mount_matrix", "-1, 0, 0; 0, -1, 0; 0, 0, 1"}}));
    device(1, "other", {{"in_accel_x_raw", "0"}, {"in_accel_y_raw", "0"}, {"in_accel_z_raw", "0"}});
    const Pose s = pose(120, 50, 20);
    setField(dir, std::llround(s.field.x * 100000), std::llround(s.field.y * 100000),
             std::llround(s.field.z * 100000));
    // The chip's x and y point the other way from the device's.
    set(dir, "in_accel_x_raw", std::to_string(std::llround(-s.gravity.x * 100000)));
    set(dir, "in_accel_y_raw", std::to_string(std::llround(-s.gravity.y * 100000)));
    set(dir, "in_accel_z_raw", std::to_string(std::llround(s.gravity.z * 100000)));
    EXPECT_EQ(IioSource::open(root.string(), "", {})->describe(),
              "iio:device0 (imu), tilt from iio:device0 (imu)");
    EXPECT_NEAR(firstSample().magneticHeading, 120.0, 0.001);
}

TEST_F(FakeIio, WithoutAnAccelerometerASteepPitchMisleadsTheFlatHeading) {
    // The reason for tilt compensation: pitched 60° while facing north reads as south.
    const auto mag = device(0, "mag", magnetometer(0, 0, 0, {{"in_magn_scale", "0.00001"}}));
    const Pose s = pose(0, 60, 0);
    setField(mag, std::llround(s.field.x * 1000), std::llround(s.field.y * 1000),
             std::llround(s.field.z * 1000));
    EXPECT_NEAR(firstSample().magneticHeading, 180.0, 1e-9);
}

// Reads the real files except where a test says the kernel refuses.
struct Refusing {
    std::shared_ptr<std::map<std::string, int>> errors =
        std::make_shared<std::map<std::string, int>>();
    std::shared_ptr<std::mutex> mutex = std::make_shared<std::mutex>();
    heading::AttributeReader reader() const {
        return [errors = errors, mutex = mutex](const std::string& path) {
            std::lock_guard lock(*mutex);
            for (const auto& [suffix, error] : *errors)
                if (path.ends_with(suffix)) return heading::AttributeRead{{}, error};
            return heading::readAttributeFile(path);
        };
    }
    void refuse(const std::string& suffix, int error) {
        std::lock_guard lock(*mutex);
        (*errors)[suffix] = error;
    }
    void allow() {
        std::lock_guard lock(*mutex);
        errors->clear();
    }
};

TEST_F(FakeIio, AccessDeniedIsCodeOneAndEndsTheReading) {
    for (int error : {EACCES, EPERM}) {
        for (const char* file : {"in_magn_y_raw", "in_magn_scale"}) {
            SCOPED_TRACE(file);
            fs::remove_all(root / "iio:device0");
            device(0, "mag", magnetometer(1, 2, 3, {{"in_magn_scale", "1"}}));
            Refusing refusing;
            refusing.refuse(file, error);
            auto source = IioSource::open(root.string(), "", {}, refusing.reader());
            auto& got = *listener.collector;
            got.errors.clear();
            run(*source, [&] { return !got.errors.empty(); });
            ASSERT_EQ(got.errors.size(), 1u);
            EXPECT_EQ(got.errors[0].code, heading::LocationError::kDenied);
            EXPECT_NE(got.errors[0].message.find(file), std::string::npos);
            EXPECT_TRUE(got.samples.empty());
        }
    }
}

TEST_F(FakeIio, ADeviceThatGoesAwayIsCodeZeroOnceAndSamplesComeBackWithIt) {
    const auto dir = device(0, "mag", magnetometer(0, 1, 0, {{"sampling_frequency", "1000"}}));
    auto source = IioSource::open(root.string(), "", {});
    auto& got = *listener.collector;
    source->start(std::make_shared<heading::SampleChannel>(service, queue.post()));
    ASSERT_TRUE(queue.pumpUntil([&] { return got.samples.size() >= 3; }));

    const auto away = root / "unplugged";
    fs::rename(dir, away);
    ASSERT_TRUE(queue.pumpUntil([&] { return !got.errors.empty(); }));
    const auto before = got.samples.size();
    // Many more polls while it is gone: still one error.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    queue.pump();
    fs::rename(away, dir);
    ASSERT_TRUE(queue.pumpUntil([&] { return got.samples.size() > before + 3; }));
    source->stop();
    queue.pump();
    ASSERT_EQ(got.errors.size(), 1u);
    EXPECT_EQ(got.errors[0].code, heading::LocationError::kLocationUnknown);
    // Names the file that failed (which axis depends on when the directory went).
    EXPECT_NE(got.errors[0].message.find("iio:device0/in_magn_"), std::string::npos);
    EXPECT_NE(got.errors[0].message.find("No such file or directory"), std::string::npos);
    for (std::size_t i = 1; i < got.samples.size(); ++i)
        ASSERT_GE(got.samples[i].timestamp, got.samples[i - 1].timestamp);
}

TEST_F(FakeIio, EachOutageIsToldOnceAndGarbageCountsAsOne) {
    // A scale near the top of the doubles, so that a large raw value overflows.
    const auto dir =
        device(0, "mag",
               magnetometer(0, 1, 0, {{"sampling_frequency", "1000"}, {"in_magn_scale", "1e290"}}));
    Refusing refusing;
    auto source = IioSource::open(root.string(), "", {}, refusing.reader());
    auto& got = *listener.collector;
    source->start(std::make_shared<heading::SampleChannel>(service, queue.post()));
    ASSERT_TRUE(queue.pumpUntil([&] { return !got.samples.empty(); }));
    refusing.refuse("in_magn_z_raw", EBUSY);
    ASSERT_TRUE(queue.pumpUntil([&] { return got.errors.size() == 1; }));
    refusing.allow();
    auto count = got.samples.size();
    ASSERT_TRUE(queue.pumpUntil([&] { return got.samples.size() > count; }));
    set(dir, "in_magn_y_raw", "garbage");
    ASSERT_TRUE(queue.pumpUntil([&] { return got.errors.size() == 2; }));
    set(dir, "in_magn_y_raw", "1");
    count = got.samples.size();
    ASSERT_TRUE(queue.pumpUntil([&] { return got.samples.size() > count; }));
    set(dir, "in_magn_y_raw", "9000000000000000000");  // too large a number to be a sample
    ASSERT_TRUE(queue.pumpUntil([&] { return got.errors.size() == 3; }));
    set(dir, "in_magn_y_raw", "1");
    count = got.samples.size();
    ASSERT_TRUE(queue.pumpUntil([&] { return got.samples.size() > count; }));
    source->stop();
    queue.pump();
    ASSERT_EQ(got.errors.size(), 3u);
    EXPECT_EQ(got.errors[2].code, 0);
    EXPECT_NE(got.errors[2].message.find("too large a number to use"), std::string::npos);
    for (const auto& h : got.samples) ASSERT_TRUE(std::isfinite(h.y) && h.y < 1e293);
    EXPECT_EQ(got.errors[0].code, 0);
    EXPECT_NE(got.errors[0].message.find("Device or resource busy"), std::string::npos);
    EXPECT_EQ(got.errors[1].code, 0);
    EXPECT_NE(got.errors[1].message.find("expected a whole number, found 'garbage'"),
              std::string::npos);
}

TEST_F(FakeIio, AutoAndIioThroughTheSessionUseTheTreeInTheEnvironment) {
    device(4, "ak8975", magnetometer(0, 100, 0));
    ::setenv("FLUXPROBE_IIO_ROOT", root.c_str(), 1);
    for (const char* spec : {"auto", "iio", "iio:ak8975"}) {
        heading::SourceOptions o;
        o.spec = spec;
        heading::HeadingSession session(o, service, queue.post());
        session.prepare();
        EXPECT_TRUE(service.headingAvailable());
        EXPECT_EQ(session.describe(), "iio:device4 (ak8975)");
    }
    ::unsetenv("FLUXPROBE_IIO_ROOT");
}

}  // namespace

namespace {

// Holds every raw read until opened, as a driver stuck in a read does.
struct StuckReads {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false, open = false;

    heading::AttributeReader reader(const std::shared_ptr<StuckReads>& self) {
        return [self](const std::string& path) {
            if (path.ends_with("_raw")) {
                std::unique_lock lock(self->mutex);
                self->entered = true;
                self->changed.notify_all();
                self->changed.wait(lock, [&] { return self->open; });
            }
            return heading::readAttributeFile(path);
        };
    }
};

TEST_F(FakeIio, AStuckReadNeitherHangsTheStartNorTheStop) {
    const auto dir = device(0, "mag", magnetometer(0, 1, 0));
    // A FIFO where an attribute should be is refused at once instead of waited on.
    ASSERT_EQ(::mkfifo((dir / "in_magn_scale").c_str(), 0644), 0);
    EXPECT_EQ(message([&] { IioSource::open(root.string(), "", {}); }),
              "cannot read " + (dir / "in_magn_scale").string() + ": not a regular file");
    fs::remove(dir / "in_magn_scale");

    auto stuck = std::make_shared<StuckReads>();
    auto source = IioSource::open(root.string(), "", {}, stuck->reader(stuck));
    auto channel = std::make_shared<heading::SampleChannel>(service, queue.post());
    source->start(channel);
    {
        std::unique_lock lock(stuck->mutex);
        ASSERT_TRUE(stuck->changed.wait_for(lock, std::chrono::seconds(30),
                                            [&] { return stuck->entered; }));
    }
    ::testing::internal::CaptureStderr();
    source->stop();  // returns, though the read does not
    channel->close();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find(
                  "the reader of iio:device0 (mag) is stuck in a read of the sensor"),
              std::string::npos);
    source.reset();
    // Let go, the reader ends by itself, touching nothing of the source that is gone.
    {
        std::lock_guard lock(stuck->mutex);
        stuck->open = true;
        stuck->changed.notify_all();
    }
    for (int i = 0; i < 3000 && stuck.use_count() > 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(stuck.use_count(), 1);
    queue.pump();
    EXPECT_TRUE(listener.collector->samples.empty());
}

}  // namespace
