#include <gtest/gtest.h>

#include "app/HelpText.h"
#include "app/Options.h"

namespace {

using app::OptionError;
using app::parseOptions;

TEST(Options, OurOptionsAreReadAndOtherArgumentsIgnored) {
    const auto o = parseOptions({"--heading-source=simulated:rate=20", "--declination=-2.5",
                                 "--record=out.csv", "--quit-after=3", "--screenshot=m.png",
                                 "--ui-dir=ui", "--open-compass", "--stats", "stray", "-x"});
    EXPECT_EQ(o.source.spec, "simulated:rate=20");
    ASSERT_TRUE(o.source.declination);
    EXPECT_EQ(*o.source.declination, -2.5);
    EXPECT_EQ(o.source.recordPath, "out.csv");
    ASSERT_TRUE(o.quitAfter);
    EXPECT_EQ(*o.quitAfter, 3.0);
    EXPECT_EQ(o.screenshot, "m.png");
    EXPECT_EQ(o.uiDir, "ui");
    EXPECT_TRUE(o.openCompass);
    EXPECT_TRUE(o.stats);
    EXPECT_FALSE(o.help);

    const auto query =
        parseOptions({"--field-model", "--location=-33.87,151.21,40", "--date=2027.5"});
    EXPECT_TRUE(query.fieldModel);
    ASSERT_TRUE(query.location);
    EXPECT_EQ(query.location->longitude, 151.21);
    EXPECT_EQ(query.location->altitude, 40.0);
    EXPECT_EQ(query.date, 2027.5);

    const auto defaults = parseOptions({});
    EXPECT_FALSE(defaults.location);
    EXPECT_FALSE(defaults.fieldModel);
    EXPECT_EQ(defaults.source.spec, "auto");
    EXPECT_FALSE(defaults.source.declination);
    EXPECT_FALSE(defaults.quitAfter);
    EXPECT_FALSE(defaults.openCompass);
    EXPECT_FALSE(defaults.stats);
}

TEST(Options, BadOptionsAreRefusedNamingTheOption) {
    struct Case {
        const char* arg;
        const char* expected;
    };
    const Case cases[] = {
        {"--frobnicate", "unknown option '--frobnicate'"},
        {"--heading-source", "--heading-source needs a value"},
        {"--heading-source=", "--heading-source needs a value"},
        {"--declination=east", "--declination needs a number, got 'east'"},
        {"--declination=nan", "--declination needs a number"},
        {"--declination=1e999", "--declination needs a number"},
        {"--declination=200", "between -180 and 180"},
        {"--quit-after=-1", "--quit-after needs seconds"},
        {"--quit-after=3s", "--quit-after needs a number"},
        // One parser for every number: decimal only, no spaces around it, finite.
        {"--declination= 12", "needs a number without spaces around it, got ' 12'"},
        {"--declination=12 ", "needs a number without spaces around it, got '12 '"},
        {"--declination=0x10", "needs a decimal number, got '0x10'"},
        {"--quit-after=1e999", "needs a number of finite size, got '1e999'"},
        {"--declination=\x1b[2J", "needs a number, got '\\x1b[2J'"},
        {"--bogus\x07", "unknown option '--bogus\\x07'"},
        {"--location=0x10,5", "--location needs LAT,LON or LAT,LON,ALT_M"},
        {"--location=52 ,13", "--location needs LAT,LON or LAT,LON,ALT_M"},
        {"--record", "--record needs a value"},
        {"--screenshot=", "--screenshot needs a value"},
        {"--open-compass=yes", "--open-compass takes no value"},
        {"--location", "--location needs a value, as in --location=52.52,13.40"},
        {"--location=91,0", "latitude 91 lies outside -90 to 90 degrees"},
        {"--location=here", "--location needs LAT,LON or LAT,LON,ALT_M"},
        {"--field-model", "--field-model needs --location=LAT,LON[,ALT_M]"},
        {"--field-model=yes", "--field-model takes no value"},
        {"--date=2027.5", "--date goes with --field-model"},
        {"--date=27-6-30", "--date needs a day as YYYY-MM-DD or a decimal year"},
        {"--stats=1", "--stats takes no value"},
        // A slip or the start of one option's name is named; nothing when none stands out.
        {"--recrod=a.csv", "unknown option '--recrod=a.csv' \u2014 did you mean --record=a.csv?"},
        {"--quitafter=3", "did you mean --quit-after=3?"},
        {"--stat", "did you mean --stats?"},
        {"--calibration-o=c.conf", "did you mean --calibration-out=c.conf?"},
        {"--serv", "did you mean --serve?"},
        {"--calib", "unknown option '--calib'\n"},
        {"--frobnicate=1", "unknown option '--frobnicate=1'\n"},
        // What the source and the address say is checked with the options.
        {"--heading-source=warp", "heading source 'warp': expected auto"},
    };
    for (const Case& c : cases) {
        try {
            parseOptions({c.arg});
            ADD_FAILURE() << c.arg << " was accepted";
        } catch (const OptionError& e) {
            EXPECT_NE((e.what() + std::string("\n")).find(c.expected), std::string::npos)
                << c.arg << ": " << e.what();
        }
    }
}

// Qt's options, with one or two dashes and with their values, are left to Qt; ours stay.
TEST(Options, QtsOwnOptionsAreLeftOutBeforeOursAreRead) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> ours;
    } cases[] = {
        {{"-platform", "offscreen", "--quit-after=1"}, {"--quit-after=1"}},
        {{"--platform", "xcb", "-style=fusion", "--style", "fusion"}, {}},
        {{"-qwindowgeometry", "480x720", "-reverse", "walk.csv"}, {"walk.csv"}},
        {{"--stats", "-qmljsdebugger=port:1", "-x", "-reverse=1"}, {"--stats", "-x", "-reverse=1"}},
        {{"-platform"}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(app::withoutQtOptions(c.args), c.ours);
}

TEST(Options, StrayArgumentsAreIgnoredWithAWordEach) {
    struct Case {
        const char* arg;
        const char* expected;
    };
    const Case cases[] = {
        {"walk.csv", "ignoring 'walk.csv' \u2014 did you mean --heading-source=replay:walk.csv?"},
        {"RUN.CSV", "did you mean --heading-source=replay:RUN.CSV?"},
        {"-record=a.csv", "ignoring '-record=a.csv' \u2014 did you mean --record=a.csv?"},
        {"-open-compass", "did you mean --open-compass?"},
        {"-location=52.5,13.4", "did you mean --location=52.5,13.4?"},
        {"-x", "ignoring '-x': it is neither a fluxprobe option nor one of Qt's"},
        {"fast", "ignoring 'fast': fluxprobe takes options only"},
    };
    for (const Case& c : cases) {
        const auto o = parseOptions({"--quit-after=1", c.arg});
        ASSERT_EQ(o.warnings.size(), 1u) << c.arg;
        EXPECT_NE(o.warnings[0].find(c.expected), std::string::npos) << o.warnings[0];
    }
    EXPECT_TRUE(parseOptions({"--heading-source=simulated", "-h"}).warnings.empty());
}

TEST(Options, HelpIsFoundAnywhereAndListsEveryOption) {
    EXPECT_TRUE(app::wantsHelp({"--quit-after=1", "--help"}));
    EXPECT_TRUE(app::wantsHelp({"-h"}));
    EXPECT_FALSE(app::wantsHelp({"--helpful"}));
    const std::string help = app::helpText();
    for (const char* option :
         {"--heading-source", "--declination", "--record", "--quit-after", "--screenshot",
          "--ui-dir", "--open-compass", "--stats", "--location", "--field-model", "--date",
          "simulated", "replay:", "Examples", "FLUXPROBE_IIO_ROOT", "one line to stderr"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

TEST(Options, CalibrationOptionsAreRead) {
    const auto o = parseOptions({"--calibrate", "--calibration=none", "--calibration-out=c.conf"});
    EXPECT_TRUE(o.calibrate);
    EXPECT_EQ(o.source.calibration, "none");
    EXPECT_EQ(o.source.calibrationOut, "c.conf");
    EXPECT_EQ(parseOptions({}).source.calibration, "auto");
    EXPECT_THROW(parseOptions({"--calibrate=yes"}), app::OptionError);
    EXPECT_THROW(parseOptions({"--calibration="}), app::OptionError);
    const std::string help = app::helpText();
    for (const char* option : {"--calibrate", "--calibration=", "--calibration-out", "tumble"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

}  // namespace
