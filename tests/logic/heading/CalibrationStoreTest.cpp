#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "HeadingTestSupport.h"
#include "heading/HeadingSession.h"
#include "heading/SourceError.h"
#include "heading/calibration/CalibrationFile.h"
#include "heading/calibration/CalibrationStore.h"
#include "heading/calibration/RecordingCalibration.h"
#include "heading/simulated/SimulatedField.h"

namespace {

namespace cal = heading::calibration;

cal::Calibration sample() {
    cal::Calibration c;
    c.offset = {40.125, -60.0000000001, 25};
    c.matrix = {0.9, -0.05, 0.01, -0.05, 1.1, 1e-17, 0.01, 1e-17, 2.0 / 3};
    c.quality = {cal::FitKind::Sphere, 48.2, 0.75, 88.46153846153846};
    return c;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class CalibrationStore : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = heading_test::freshTempDir("calibration");
        ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(CalibrationStore, KeepsEveryDigitAndNeverLeavesAHalfWrittenFile) {
    const std::string path = cal::prepareStoredCalibrationPath("ak8975@i2c-1-1-000c");
    EXPECT_EQ(path, dir.string() + "/fluxprobe/calibration/ak8975@i2c-1-1-000c.conf");
    cal::writeCalibrationFile(path, sample(), "ak8975@i2c-1-1-000c", cal::Existing::Replace);
    const cal::Calibration back = cal::readCalibrationFile(path);
    EXPECT_EQ(back.matrix, sample().matrix);
    EXPECT_EQ(back.offset.y, sample().offset.y);
    EXPECT_EQ(back.quality.kind, cal::FitKind::Sphere);
    EXPECT_EQ(back.quality.coveragePercent, sample().quality.coveragePercent);

    cal::Calibration other = sample();
    other.offset.x = 1;
    cal::writeCalibrationFile(path, other, "", cal::Existing::Replace);
    EXPECT_EQ(cal::readCalibrationFile(path).offset.x, 1);
    const std::string before = slurp(path);
    EXPECT_THROW(cal::writeCalibrationFile(path, sample(), "", cal::Existing::Refuse),
                 cal::CalibrationError);
    EXPECT_EQ(slurp(path), before);
    // No temporary files left next to it.
    const auto folder = dir / "fluxprobe/calibration";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);

    // What a store stopped half-way left goes with the next store; a store going on now in
    // another process, and files not of our pattern, stay.
    const auto leave = [&](const std::string& name, int ageSeconds) {
        std::ofstream(folder / name) << "half";
        const timespec times[2] = {{::time(nullptr) - ageSeconds, 0},
                                   {::time(nullptr) - ageSeconds, 0}};
        ::utimensat(AT_FDCWD, (folder / name).c_str(), times, 0);
    };
    leave(".ak8975@i2c-1-1-000c.conf.a1B2c3", 3600);
    leave(".ak8975@i2c-1-1-000c.conf.Fresh1", 0);
    leave(".ak8975@i2c-1-1-000c.conf.toolong7", 3600);
    leave(".other.conf.a1B2c3", 3600);
    cal::writeCalibrationFile(path, sample(), "", cal::Existing::Replace);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names,
              (std::set<std::string>{"ak8975@i2c-1-1-000c.conf", ".ak8975@i2c-1-1-000c.conf.Fresh1",
                                     ".ak8975@i2c-1-1-000c.conf.toolong7", ".other.conf.a1B2c3"}));
}

TEST_F(CalibrationStore, ReadsOnlyARegularFileOfAtMost64KiB) {
    const std::string ok = "fluxprobe calibration 1\noffset 1 2 3\nmatrix 1 0 0 0 1 0 0 0 1\n#";
    const auto fifo = dir / "fifo.conf";
    ::mkfifo(fifo.c_str(), 0600);
    std::ofstream(dir / "full.conf") << ok << std::string(64 * 1024 - ok.size(), 'x');
    std::ofstream(dir / "over.conf") << ok << std::string(64 * 1024 + 1 - ok.size(), 'x');
    const std::pair<std::string, std::string> cases[] = {
        {fifo.string(), "calibration file " + fifo.string() + " is not a regular file"},
        {"/dev/zero", "calibration file /dev/zero is not a regular file"},
        {dir.string(), "cannot read calibration file " + dir.string() + ": Is a directory"},
        {(dir / "full.conf").string(), ""},
        {(dir / "over.conf").string(),
         "calibration file " + (dir / "over.conf").string() +
             " is larger than 64 KiB; a calibration file is a few hundred bytes"},
    };
    for (const auto& [path, message] : cases) {
        try {
            cal::readCalibrationFile(path);
            EXPECT_EQ(message, "") << path << " was read";
        } catch (const cal::CalibrationError& e) {
            EXPECT_EQ(e.what(), message);
        }
    }
}

TEST(CalibrationStorePath, TakesOnlyAnAbsoluteConfigHome) {
    const std::string home = ::getenv("HOME") ? ::getenv("HOME") : "";
    const std::string xdg = ::getenv("XDG_CONFIG_HOME") ? ::getenv("XDG_CONFIG_HOME") : "";
    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(cal::storedCalibrationPath("s"),
              "/home/someone/.config/fluxprobe/calibration/s.conf");
    ::setenv("XDG_CONFIG_HOME", "/etc/xdg-user", 1);
    EXPECT_EQ(cal::storedCalibrationPath("s"), "/etc/xdg-user/fluxprobe/calibration/s.conf");
    ::setenv("HOME", home.c_str(), 1);
    if (xdg.empty())
        ::unsetenv("XDG_CONFIG_HOME");
    else
        ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
}

TEST(CalibrationFile, RefusesMalformedFilesAndCorrectionsNoSteelNeedsNamingTheLine) {
    const std::string h = "fluxprobe calibration 1\n";
    const std::string m = "matrix 1 0 0 0 1 0 0 0 1\n";
    const std::string o = "offset 1 2 3\n";
    struct Case {
        std::string text;
        const char* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {"", "c.conf: the file is empty"},
        {"fluxprobe calibration 2\n",
         "c.conf:1: expected the first line 'fluxprobe calibration 1'"},
        {h + "offset 1 2\n" + m, "c.conf:2: offset needs 3 numbers, found 2"},
        {h + "offset 1 2 3 4\n" + m, "c.conf:2: offset needs 3 numbers, found 4"},
        {h + "offset 1 x 2\n" + m, "c.conf:2: offset: 'x' is not a number"},
        {h + "\n# note\noffset 1 2 nan\n" + m, "c.conf:4: offset: nan is not a finite number"},
        {h + o + "matrix 1 0 0 0 1 0 0 0 inf\n", "c.conf:3: matrix: inf is not a finite"},
        {h + o + "matrix 1 2 3 2 4 6 0 0 1\n", "c.conf:3: the matrix is singular"},
        {h + o + m + "colour red\n", "c.conf:4: unknown entry 'colour'"},
        {h + o, "c.conf: no matrix line"},
        {h + o + m + "offset 4 5 6\n", "c.conf:4: offset is given twice (first on line 2)"},
        {h + "fit sphere\n" + o + m + "fit sphere\n", "c.conf:5: fit is given twice"},
        // Symmetric to 1e-9 of the largest entry, and no further.
        {h + o + "matrix 1 0.2 0 0.2000000009 1 0 0 0 1\n", nullptr},
        {h + o + "matrix 1 0.2 0 0.200000002 1 0 0 0 1\n",
         "c.conf:3: the matrix is not symmetric: row 1, column 2 holds 0.2 but row 2, column 1 "
         "holds 0.200000002"},
        {h + o + "matrix -1 0 0 0 1 0 0 0 1\n",
         "c.conf:3: the matrix is not positive definite: it would mirror or flatten the field"},
        {h + o + "matrix 3 0 0 0 1 0 0 0 1\n", nullptr},
        {h + o + "matrix 3.01 0 0 0 1 0 0 0 1\n", "c.conf:3: the matrix is 3.01 times stronger"},
        {h + o + "matrix 100 0 0 0 1 0 0 0 0.01\n", "c.conf:3: the matrix is 10000 times"},
        {h + o + "matrix 1e-4 0 0 0 1e-4 0 0 0 1e-4\n", nullptr},
        {h + o + "matrix 1e6 999999 0 999999 1e6 0 0 0 1e6\n", "c.conf:3: the matrix is"},
        {h + "offset 1.7e308 0 0\nmatrix 1.5 0 0 0 1.5 0 0 0 1.5\n",
         "c.conf:2: an offset of 1.7e+308 µT is too large a number to use"},
        {h + o + "matrix 1e160 0 0 0 1e160 0 0 0 1e160\n",
         "c.conf:3: the matrix and the offset make a field of 10 mT too large a number to use"},
    };
    for (const Case& c : cases) {
        try {
            cal::parseCalibration(c.text, "c.conf");
            EXPECT_EQ(c.message, nullptr) << "accepted: " << c.text;
        } catch (const cal::CalibrationError& e) {
            ASSERT_NE(c.message, nullptr) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << e.what() << "\nexpected: " << c.message;
        }
    }
}

TEST(CalibrationApply, CorrectsAxesAndHeadingsAndLeavesBrokenSamplesAlone) {
    cal::Calibration c;
    c.offset = {10, 0, 0};
    c.matrix = {0, 1, 0, -1, 0, 0, 0, 0, 1};                         // turns the field a quarter
    heading::Heading h = heading::Heading::of(10, 20, -44, 0, 3);    // declination 3°
    c.apply(h);
    EXPECT_DOUBLE_EQ(h.x, 20);
    EXPECT_DOUBLE_EQ(h.y, 0);
    EXPECT_DOUBLE_EQ(h.magneticHeading, 270);
    EXPECT_DOUBLE_EQ(h.trueHeading, 273);

    heading::Heading unknown = heading::Heading::of(10, 20, -44, 0, -1);
    c.apply(unknown);
    EXPECT_EQ(unknown.trueHeading, -1);

    heading::Heading broken = heading::Heading::of(NAN, 20, -44, 12, 15);
    const heading::Heading copy = broken;
    c.apply(broken);
    EXPECT_TRUE(std::isnan(broken.x));
    EXPECT_EQ(broken.magneticHeading, copy.magneticHeading);
}

TEST_F(CalibrationStore, SessionAppliesTheSensorsStoredCalibrationOrSaysWhyNot) {
    const std::string spec = "simulated:rate=1000,offset=40,-60,25";
    heading::SourceOptions options;
    options.spec = spec;
    std::vector<std::string> warnings;
    auto warn = [&](const std::string& w) { warnings.push_back(w); };
    heading::HeadingService service;
    heading_test::TaskQueue queue;

    {  // nothing stored yet
        heading::HeadingSession session(options, service, queue.post(), warn);
        EXPECT_FALSE(service.correction());
        cal::Calibration fix;
        fix.offset = {40, -60, 25};
        EXPECT_EQ(session.saveCalibration(fix), cal::storedCalibrationPath("simulated"));
    }
    heading_test::Listening listener(service);
    {
        heading::HeadingSession session(options, service, queue.post(), warn);
        ASSERT_TRUE(service.correction());
        session.start();
        ASSERT_TRUE(queue.pumpUntil([&] { return listener.collector->samples.size() >= 5; }));
        session.stop();
        const auto want = heading::SimulatedField::sample(0, 1000, std::nullopt);
        EXPECT_NEAR(listener.collector->samples[0].x, want.x, 1e-9);
        EXPECT_NEAR(listener.collector->samples[0].z, want.z, 1e-9);
    }
    options.calibration = "none";
    heading::HeadingSession plain(options, service, queue.post(), warn);
    EXPECT_FALSE(service.correction());
    EXPECT_TRUE(warnings.empty());

    std::ofstream(cal::storedCalibrationPath("simulated")) << "fluxprobe calibration 1\noffset 1\n";
    options.calibration = "auto";
    heading::HeadingSession broken(options, service, queue.post(), warn);
    EXPECT_FALSE(service.correction());
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("simulated.conf:2: offset needs 3 numbers"), std::string::npos);
    EXPECT_NE(warnings[0].find("ignored"), std::string::npos);

    // A FIFO in its place would hold the start up for ever: it is told once and ignored too.
    std::filesystem::remove(cal::storedCalibrationPath("simulated"));
    ::mkfifo(cal::storedCalibrationPath("simulated").c_str(), 0600);
    heading::HeadingSession fifo(options, service, queue.post(), warn);
    EXPECT_FALSE(service.correction());
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_NE(warnings[1].find("simulated.conf is not a regular file; the stored calibration is "
                               "ignored"),
              std::string::npos)
        << warnings[1];

    options.calibration = cal::storedCalibrationPath("simulated");
    EXPECT_THROW(heading::HeadingSession(options, service, queue.post(), warn),
                 heading::SourceError);
}

TEST_F(CalibrationStore, FitsARecordingAndWritesItOnce) {
    const std::string replay = (dir / "turns.csv").string();
    {
        std::ofstream out(replay);
        out << "t,x,y,z,magneticHeading,trueHeading\n";
        heading::SimulatedMotion motion;
        motion.tumble = true;
        motion.offset = {-20, 35, 10};
        for (int n = 0; n < 1500; ++n) {
            const auto h = heading::SimulatedField::sample(n, 100, std::nullopt, motion);
            out << h.timestamp << "," << h.x << "," << h.y << "," << h.z << ",0,-1\n";
        }
    }
    const std::string conf = (dir / "out.conf").string();
    std::ostringstream out, err;
    EXPECT_EQ(cal::calibrateRecording(replay, conf, std::nullopt, out, err), 0) << err.str();
    EXPECT_EQ(out.str().substr(0, 38), "offset=-20.00,35.00,10.00 radius=48.33") << out.str();
    EXPECT_NE(out.str().find("fit=ellipsoid"), std::string::npos);
    EXPECT_NEAR(cal::readCalibrationFile(conf).offset.y, 35, 1e-6);

    std::ostringstream out2, err2;
    EXPECT_EQ(cal::calibrateRecording(replay, conf, std::nullopt, out2, err2), 2);
    EXPECT_NE(err2.str().find("already exists"), std::string::npos);

    // A signal while the file is read stops the work; nothing is written.
    const std::string stopped = (dir / "stopped.conf").string();
    int asked = 0;
    std::ostringstream out4, err4;
    EXPECT_EQ(cal::calibrateRecording(replay, stopped, std::nullopt, out4, err4,
                                      [&asked] { return ++asked > 1 ? SIGTERM : 0; }),
              1);
    EXPECT_EQ(err4.str(),
              "fluxprobe: SIGTERM: calibration from " + replay + " stopped; nothing was written\n");
    EXPECT_FALSE(std::filesystem::exists(stopped));

    {  // a device turned flat on a table, once round
        std::ofstream flat(replay);
        flat << "t,x,y,z,magneticHeading,trueHeading\n";
        for (int n = 0; n < 500; ++n) {
            const double a = n * 2 * M_PI / 500;
            flat << n << "," << -20 * std::sin(a) << "," << 20 * std::cos(a) << ",-44,0,-1\n";
        }
    }
    std::ostringstream out3, err3;
    EXPECT_EQ(cal::calibrateRecording(replay, (dir / "o2.conf").string(), std::nullopt, out3, err3),
              1);
    EXPECT_NE(err3.str().find("turned only in one plane"), std::string::npos) << err3.str();
    EXPECT_FALSE(std::filesystem::exists(dir / "o2.conf"));
}

}  // namespace
