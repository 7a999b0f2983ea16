#include <gtest/gtest.h>

#include <filesystem>

#include "logic/heading/HeadingTestSupport.h"
#include "station/StationRun.h"

namespace {

using station::StationError;
using station::StationOptions;

TEST(StationRun, TakesTheCodeAndNameAndRefusesWhatIsNotOne) {
    StationOptions o;
    station::parseStationInfo("bou,Boulder, Colorado", o);
    EXPECT_EQ(o.code, "BOU");
    EXPECT_EQ(o.name, "Boulder, Colorado");
    station::parseStationInfo("ABCD", o);
    EXPECT_EQ(o.name, "");
    for (const char* bad : {"", "AB", "ABCDE", "B0U", "BOU ", "BOU,a|b"})
        EXPECT_THROW(station::parseStationInfo(bad, o), StationError) << bad;
    EXPECT_EQ(station::parseStationAlert("90"), 90.0);
    for (const char* bad : {"", "0", "-5", "fast", "nan"})
        EXPECT_THROW(station::parseStationAlert(bad), StationError) << bad;
}

TEST(StationRun, FillsTheHeaderFromTheOptionsThenFromTheSource) {
    const auto dir = heading_test::freshTempDir("station-run");
    const auto say = [](const std::string&) {};
    heading::SourceFacts replayed;
    replayed.code = "bou";
    replayed.name = "Boulder";
    replayed.latitude = 40.137;
    replayed.longitude = 254.763;
    replayed.orientation = "HDZF";
    replayed.notRecorded = heading::Heading::kMissingF;
    StationOptions o;
    o.folder = dir.string();
    {
        station::StationRun run(o, replayed, say);
        EXPECT_EQ(run.info().code, "BOU");
        EXPECT_EQ(run.info().name, "Boulder");
        EXPECT_EQ(run.info().orientation, "HDZF");
        EXPECT_FALSE(run.info().recorded[3]);
        EXPECT_TRUE(run.info().recorded[0]);
        EXPECT_EQ(run.info().longitude, 254.763);
    }
    o.code = "XYZ";
    o.latitude = 52.0;
    o.longitude = -1.0;
    {
        station::StationRun run(o, replayed, say);
        EXPECT_EQ(run.info().name, "XYZ");  // the replayed file's name is not this station's
        EXPECT_EQ(run.info().longitude, -1.0);
    }
    // A live sensor says nothing of where it is or what it is called.
    StationOptions live;
    live.folder = dir.string();
    live.code = "XYZ";
    EXPECT_THROW(station::StationRun(live, {}, say), StationError);  // no --location
    live.code.clear();
    live.latitude = 1.0;
    live.longitude = 2.0;
    EXPECT_THROW(station::StationRun(live, {}, say), StationError);  // no code
    std::filesystem::remove_all(dir);
}

}  // namespace
