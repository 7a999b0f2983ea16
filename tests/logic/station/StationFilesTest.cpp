#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "StationTestSupport.h"
#include "heading/SourceError.h"
#include "logic/heading/HeadingTestSupport.h"
#include "station/RateWatch.h"
#include "station/Station.h"
#include "station/StationFiles.h"

namespace {

namespace fs = std::filesystem;
using station::StationValue;
using station_test::kDay;
using station_test::readText;
using station_test::records;
using station_test::sample;

const std::string kData = std::string(FLUXPROBE_TEST_DATA_DIR) + "/observatory/";

station::StationInfo info() {
    station::StationInfo i;
    i.code = "TST";
    i.name = "Test";
    i.latitude = 40.137;
    i.longitude = -105.237;
    i.elevation = 1682;
    return i;
}

// A station writing into dir, as a run puts it together.
struct Rig {
    std::vector<std::string> said;
    station::StationFolder folder;
    station::StationFiles files;
    station::Station station;
    Rig(const fs::path& dir, bool scalar = false, station::StationInfo i = info())
        : folder(dir, [this](const std::string& s) { said.push_back(s); }),
          files(folder, i, [this](const std::string& s) { said.push_back(s); }),
          station(scalar, [this](std::int64_t first) { return files.resume(first); }) {
        station.addListener(files);
    }
    void at(double utc, double x = 20.0, double y = 0.1, double z = 47.0) {
        station.onSample(sample(utc, x, y, z));
    }
};

std::vector<std::int64_t> times(const std::string& path) {
    std::vector<std::int64_t> out;
    for (const auto& r : records(path)) out.push_back(r.ms / 1000);
    return out;
}

void expectWhole(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        EXPECT_EQ(line.size(), 70u) << path << ":" << n << ": '" << line << "'";
    }
    EXPECT_TRUE(readText(path).ends_with("\n")) << path;
}

bool strictlyIncreasing(const std::vector<std::int64_t>& t, std::int64_t step) {
    for (std::size_t i = 1; i < t.size(); ++i)
        if (t[i] != t[i - 1] + step) return false;
    return true;
}

TEST(StationFiles, GivesEveryPublishedMinuteOfTheObservatoryWithin2Hundredths) {
    const auto dir = heading_test::freshTempDir("station-observatory");
    {
        station::StationInfo i = info();
        i.code = "BOU";
        i.reported = i.orientation = "HDZF";
        Rig rig(dir, true, i);
        for (const auto& r : records(kData + "BOU20180901-first-half-vsec.sec")) {
            auto h = std::make_shared<heading::Heading>(
                heading::Heading::of(r.value[0] / 1000, r.value[1] / 1000, r.value[2] / 1000));
            h->f = r.value[3] / 1000;
            h->utc = double(r.ms) / 1000;
            rig.station.onSample(h);
        }
        rig.station.finish();
    }
    const auto published = records(kData + "BOU20180901-first-half-vmin.min");
    const std::string ours = (dir / "bou20180901vmin.min").string();
    const auto made = records(ours);
    ASSERT_EQ(made.size(), published.size());
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_EQ(made[i].ms, published[i].ms);
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(made[i].value[c], published[i].value[c], 0.02) << i << " " << c;
    }
    expectWhole(ours);
    expectWhole((dir / "bou20180901vsec.sec").string());
    fs::remove_all(dir);
}

TEST(StationFiles, LaysTheHeaderOutAsTheFormatDoes) {
    const auto dir = heading_test::freshTempDir("station-header");
    {
        station::StationInfo i = info();
        i.recorded[3] = false;
        Rig rig(dir, false, i);
        rig.at(kDay + 10.5, 20.0, -0.05, 47.0);
        rig.at(kDay + 12.0, 21.0, 0, 47.0);
        rig.station.finish();
    }
    const std::string text = readText((dir / "tst20180901vsec.sec").string());
    expectWhole((dir / "tst20180901vsec.sec").string());
    EXPECT_NE(text.find(" Format                 IAGA-2002                                    |\n"),
              std::string::npos);
    EXPECT_NE(text.find(" IAGA Code              TST "), std::string::npos);
    EXPECT_NE(text.find(" Geodetic Longitude     254.763 "), std::string::npos);
    EXPECT_NE(text.find(" Elevation              1682 "), std::string::npos);
    EXPECT_NE(text.find(" Data Type              variation "), std::string::npos);
    EXPECT_NE(
        text.find("\nDATE       TIME         DOY     TSTX      TSTY      TSTZ      TSTF   |\n"),
        std::string::npos);
    EXPECT_NE(text.find("\n2018-09-01 00:00:10.000 244     20000.00    -50.00  47000.00  88888.00\n"
                        "2018-09-01 00:00:11.000 244     99999.00  99999.00  99999.00  88888.00\n"
                        "2018-09-01 00:00:12.000 244     21000.00      0.00  47000.00  88888.00\n"),
              std::string::npos)
        << text;
    fs::remove_all(dir);
}

TEST(StationFiles, RestartsAfterAKillWithoutATornLineOrAMinuteTwice) {
    const auto dir = heading_test::freshTempDir("station-restart");
    const std::string sec = (dir / "tst20180901vsec.sec").string();
    const std::string min = (dir / "tst20180901vmin.min").string();
    {
        Rig rig(dir);
        for (double t = kDay + 600; t < kDay + 800; t += 0.5) rig.at(t, 20 + (t - kDay) / 1000);
        // Killed: no finish(), and a torn line at the end.
    }
    { std::ofstream(sec, std::ios::app) << "2018-09-01 00:13:2"; }
    const auto minutesBefore = times(min);
    ASSERT_FALSE(minutesBefore.empty());
    {
        Rig rig(dir);
        // The source starts again from the beginning (a replay) and goes on.
        for (double t = kDay + 600; t < kDay + 1000; t += 0.5) rig.at(t, 20 + (t - kDay) / 1000);
        rig.station.finish();
        EXPECT_FALSE(rig.files.lostData());
    }
    expectWhole(sec);
    expectWhole(min);
    const auto s = times(sec), m = times(min);
    EXPECT_EQ(s.front(), kDay + 600);
    EXPECT_EQ(s.back(), kDay + 999);
    EXPECT_TRUE(strictlyIncreasing(s, 1));
    EXPECT_TRUE(strictlyIncreasing(m, 60));
    // The minute right after the restart was made from the seconds read back.
    for (const auto& r : records(min)) EXPECT_TRUE(std::isfinite(r.value[0]) && !r.missing);
    fs::remove_all(dir);
}

TEST(StationFiles, SwitchesFilesAtMidnightAndFillsAClockJumpWithMissingValues) {
    const auto dir = heading_test::freshTempDir("station-clock");
    const double midnight = double(kDay + 86400);
    {
        Rig rig(dir);
        for (double t = midnight - 200; t < midnight + 100; t += 1) rig.at(t);
        // The system clock steps back 10 s, then on, then forward an hour.
        for (double t = midnight + 90; t < midnight + 300; t += 1) rig.at(t);
        for (double t = midnight + 3900; t < midnight + 4000; t += 1) rig.at(t);
        rig.station.finish();
    }
    const std::string day1 = (dir / "tst20180901vmin.min").string();
    const std::string day2 = (dir / "tst20180902vmin.min").string();
    EXPECT_EQ(times(day1).back(), kDay + 86400 - 60);
    EXPECT_EQ(times((dir / "tst20180901vsec.sec").string()).back(), kDay + 86399);
    EXPECT_EQ(times((dir / "tst20180902vsec.sec").string()).front(), kDay + 86400);
    const auto m = times(day2);
    EXPECT_EQ(m.front(), kDay + 86400);
    EXPECT_TRUE(strictlyIncreasing(m, 60));
    EXPECT_TRUE(strictlyIncreasing(times((dir / "tst20180902vsec.sec").string()), 1));
    // The hour the clock skipped is there, missing, not made up.
    int missing = 0;
    for (const auto& r : records(day2)) missing += r.missing == 0xf;
    EXPECT_GE(missing, 55);
    fs::remove_all(dir);
}

TEST(StationFiles, RestartsJustAfterMidnightWithTheSecondsOfTheDayBefore) {
    const auto dir = heading_test::freshTempDir("station-midnight");
    const double midnight = double(kDay + 86400);
    {
        Rig rig(dir);  // killed at 23:59:57: its last whole second is 23:59:56
        for (double t = midnight - 300; t < midnight - 2.5; t += 0.5) rig.at(t, 20.0);
    }
    {
        Rig rig(dir);
        for (double t = midnight; t < midnight + 200; t += 1) rig.at(t, 20.0);
        rig.station.finish();
    }
    // 00:00 lacks three of its seconds; the rest come from both days' files.
    const auto minutes = records((dir / "tst20180902vmin.min").string());
    ASSERT_FALSE(minutes.empty());
    EXPECT_EQ(minutes[0].ms / 1000, kDay + 86400);
    EXPECT_EQ(minutes[0].missing, 0u);
    EXPECT_NEAR(minutes[0].value[0], 20000.0, 1e-9);
    EXPECT_EQ(times((dir / "tst20180901vmin.min").string()).back(), kDay + 86400 - 60);
    fs::remove_all(dir);
}

TEST(StationFiles, KeepsLinesWhileTheDiskIsFullAndWritesThemWhole) {
    const auto dir = heading_test::freshTempDir("station-full");
    const std::string sec = (dir / "tst20180901vsec.sec").string();
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    {
        Rig rig(dir);
        for (double t = kDay; t < kDay + 100; t += 1) rig.at(t);
        // The file may not grow past its size plus half a line.
        rlimit small = saved;
        small.rlim_cur = fs::file_size(sec) + 35;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        for (double t = kDay + 100; t < kDay + 200; t += 1) rig.at(t);
        EXPECT_EQ(fs::file_size(sec) % 71, 0u) << "every line, header ones too, is 71 bytes";
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);
        for (double t = kDay + 200; t < kDay + 300; t += 1) rig.at(t);
        rig.station.finish();
        EXPECT_FALSE(rig.files.lostData());
        EXPECT_FALSE(rig.said.empty());
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    expectWhole(sec);
    const auto s = times(sec);
    EXPECT_EQ(s.size(), 300u);
    EXPECT_TRUE(strictlyIncreasing(s, 1));
    fs::remove_all(dir);
}

TEST(StationFiles, WritesNothingOutsideAFolderReplacedByALinkAndTakesItUpAgain) {
    const auto dir = heading_test::freshTempDir("station-moved");
    const auto elsewhere = heading_test::freshTempDir("station-elsewhere");
    const auto away = dir.string() + "-away";
    fs::remove_all(away);
    {
        Rig rig(dir);
        for (double t = kDay; t < kDay + 30; t += 1) rig.at(t);
        fs::rename(dir, away);
        fs::create_directory_symlink(elsewhere, dir);
        std::this_thread::sleep_for(station::StationFolder::kCheckInterval * 2);
        for (double t = kDay + 30; t < kDay + 60; t += 1) rig.at(t);
        EXPECT_TRUE(fs::is_empty(elsewhere));
        fs::remove(dir);
        fs::create_directory(dir);
        std::this_thread::sleep_for(station::StationFolder::kCheckInterval * 2);
        for (double t = kDay + 60; t < kDay + 90; t += 1) rig.at(t);
        rig.station.finish();
        EXPECT_GE(rig.said.size(), 2u);
    }
    EXPECT_TRUE(fs::is_empty(elsewhere));
    // The new folder has the lines from when it was gone on.
    const auto s = times((dir / "tst20180901vsec.sec").string());
    ASSERT_FALSE(s.empty());
    EXPECT_LE(s.front(), kDay + 31);
    EXPECT_EQ(s.back(), kDay + 89);
    EXPECT_TRUE(strictlyIncreasing(s, 1));
    fs::remove_all(dir);
    fs::remove_all(away);
    fs::remove_all(elsewhere);
}

TEST(StationFolder, RefusesWhatIsNotAWritableFolder) {
    const auto dir = heading_test::freshTempDir("station-refuse");
    { std::ofstream(dir / "file") << "x"; }
    const auto say = [](const std::string&) {};
    EXPECT_THROW(station::StationFolder((dir / "file").string(), say), station::StationError);
    EXPECT_THROW(station::StationFolder((dir / "no/such").string(), say), station::StationError);
    EXPECT_NO_THROW(station::StationFolder((dir / "new").string(), say));
    fs::remove_all(dir);
}

TEST(RateWatch, TellsEachMinutesRateAndAlertsOnceOnCrossing) {
    std::vector<station::RateOfChange> told, alerts;
    station::RateWatch watch(
        90.0, [&](const auto& r) { told.push_back(r); },
        [&](const auto& r) { alerts.push_back(r); });
    const double xs[] = {0, 30, 130, 250, 260, 400};  // rates 30, 100, 120, 10, 140
    for (int i = 0; i < 6; ++i) watch.onMinute({kDay + 60 * i, xs[i], 0.0, 0.0, 0.0});
    ASSERT_EQ(told.size(), 5u);
    EXPECT_DOUBLE_EQ(told[1].nanoteslaPerMinute, 100.0);
    EXPECT_TRUE(told[1].alert);
    EXPECT_FALSE(told[3].alert);
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0].minute, kDay + 120);
    EXPECT_EQ(alerts[1].minute, kDay + 300);
    // A minute missing between breaks the chain: no rate over two minutes.
    watch.onMinute({kDay + 480, 0, 0, 0, 0});
    EXPECT_EQ(told.size(), 5u);
}

TEST(IagaFile, RefusesWhatItCannotReadNamingTheLine) {
    const std::string header =
        " Format                 IAGA-2002                                    |\n"
        "DATE       TIME         DOY     BOUH      BOUD      BOUZ      BOUF   |\n";
    const std::string line =
        "2018-09-01 23:00:00.000 244     20828.92    -52.88  47043.06  51965.67\n";
    struct Case {
        std::string text, message;
    };
    const std::vector<Case> cases = {
        {"DATE       TIME         DOY     A B C D |\n" + line, "f:1: expected the Format line"},
        {" Format                 IAGA-2002  |\n # note\n" + line,
         "f:3: expected the column header DATE TIME DOY"},
        {" Format                 IAGA-2002  |\n", "f: expected the column header"},
        {" Format                 CSV        |\n", "f:1: expected the format IAGA-2002"},
        {header + "2018-09-01 23:00:00.000 244     20828.92    -52.88  47043.06\n",
         "f:3: expected a data line: date, time, day of year and four values, found 6"},
        {header + "2018-09-31 23:00:00.000 244 1 2 3 4\n", "f:3: expected a date and time"},
        {header + "2018-09-01 23:00:00.000 244 1 x 3 4\n", "f:3: value 2 (BOUD) is not a number"},
        {header + line + line, "f:4: time repeats"},
        {header + line + "2018-09-01 22:59:59.000 244 1 2 3 4\n", "f:4: time goes back"},
    };
    for (const Case& c : cases) {
        try {
            heading::IagaFile::parse(c.text, "f", [](const heading::IagaRecord&) {});
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const heading::SourceError& e) {
            EXPECT_TRUE(std::string(e.what()).starts_with(c.message)) << e.what();
        }
    }
    // Liberal where nothing is lost: lower-case labels, no bars, CRLF, few header lines.
    std::vector<heading::IagaRecord> got;
    const auto h = heading::IagaFile::parse(
        " FORMAT IAGA-2002\r\n IAGA CODE BOU\r\n Reported HDZF\r\nDATE TIME DOY H D Z F\r\n"
        "2018-09-01 23:00:00.000 244 20828.92 99999.00 47043.06 88888.00\r\n",
        "f", [&](const heading::IagaRecord& r) { got.push_back(r); });
    EXPECT_EQ(h.code, "BOU");
    EXPECT_EQ(h.reported, "HDZF");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].missing, 2u);
    EXPECT_EQ(got[0].notRecorded, 8u);
    EXPECT_EQ(got[0].value[2], 47043.06);
}

}  // namespace

namespace {

TEST(IagaWriter, WritesEveryValueAsPrintfWouldToTheHundredth) {
    station::StationInfo i;
    i.code = "TST";
    const station::IagaWriter writer(i, station::IagaWriter::Interval::Minute);
    std::vector<double> values = {0.0,       -0.0,       -0.001,    0.005,   0.015,    2.675,
                                  -2.675,    1.005,      20828.925, -52.885, 99999.0,  999999.99,
                                  -99999.99, 123456.785, 0.125,     -0.125,  47043.06, 1e-9};
    std::uint64_t state = 12345;
    for (int n = 0; n < 20000; ++n) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        const double unit = double(state >> 11) / double(1ULL << 53);
        values.push_back((unit - 0.5) * (n % 2 ? 2e6 : 200.0));
    }
    for (double v : values) {
        char line[station::IagaWriter::kLineBytes];
        writer.line({kDay + 86399, v, v, v, v}, line);
        char expected[32];
        // Too wide to keep a space before it: written as missing.
        std::snprintf(expected, sizeof expected, "%10.2f", v < -99999.99 ? 99999.0 : v);
        ASSERT_EQ(std::string(line + 30, 10), expected) << v;
        ASSERT_EQ(std::string(line, 30), "2018-09-01 23:59:59.000 244   ");
    }
}

}  // namespace
