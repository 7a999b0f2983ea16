#include "app/OptionTable.h"

#include <array>
#include <cmath>

#include "app/Options.h"
#include "heading/Numbers.h"
#include "heading/model/FieldQuery.h"
#include "instrument/Units.h"

namespace app {

namespace {

std::string quoted(const std::string& text) {
    return "'" + heading::printable(text) + "'";
}

constexpr double kLongestRun = 365.0 * 86400.0;  // --quit-after, in seconds

// What keeps text from being an option's number, in the user's terms.
const char* whatIsWrong(const std::string& text) {
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    if (!text.empty() && (isSpace(text.front()) || isSpace(text.back())))
        return "a number without spaces around it";
    const std::size_t sign = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (text.size() > sign + 1 && text[sign] == '0' && (text[sign + 1] | 0x20) == 'x')
        return "a decimal number";
    const bool digits = text.find_first_of("0123456789") != std::string::npos;
    if (digits && heading::parseNumber(text)) return "a number of finite size";  // 1e999
    return "a number";
}

// Every option's number goes through here, so that all take the same forms (see parseDecimal).
double number(const char* option, const std::string& text) {
    const auto value = heading::parseDecimal(text);
    if (!value)
        throw OptionError(std::string("option ") + option + " needs " + whatIsWrong(text) +
                          ", got " + quoted(text));
    return *value;
}

// The field model's readers name the option in their messages already.
template <class Parse>
auto asOption(Parse parse, const std::string& value) {
    try {
        return parse(value);
    } catch (const heading::FieldModelError& e) {
        throw OptionError(e.what());
    }
}

void readDeclination(Options& o, const std::string& v) {
    const double deg = number("--declination", v);
    if (std::fabs(deg) > 180.0)
        throw OptionError("option --declination must lie between -180 and 180 degrees, got " +
                          quoted(v));
    o.source.declination = deg;
}

void readQuitAfter(Options& o, const std::string& v) {
    const double seconds = number("--quit-after", v);
    if (!(seconds > 0.0) || seconds > kLongestRun)
        throw OptionError(
            "option --quit-after needs seconds above 0 and at most 31536000 (a year), got " +
            quoted(v));
    o.quitAfter = seconds;
}

void readUnits(Options& o, const std::string& v) {
    o.units = instrument::parseUnit(v);
    if (!o.units)
        throw OptionError("option --units needs uT (or \u00b5T), nT, mG or G, got " + quoted(v));
}

void readDate(Options& o, const std::string& v) {
    o.date = asOption(heading::parseDate, v);
    o.dateText = v;
}

constexpr OptionChoice kSources[] = {
    {"auto",
     "the first IIO magnetometer (the default); none found means no heading data "
     "(\"No Compass!\")"},
    {"iio[:DEVICE][,rate=HZ]",
     "a Linux IIO magnetometer by device or driver, e.g. `iio:iio:device0` or "
     "`iio:ak8975,rate=20`; the nearest rate it offers (default: the highest up to 100 Hz), "
     "see [The triggered buffer, and polling](#the-triggered-buffer-and-polling)"},
    {"replay:FILE[,speed=N|max][,start=UTC]",
     "a recorded CSV session or an IAGA-2002 file (see [Station](#station)), paced in real "
     "time, N times faster, or as fast as it is taken (`max`); `start=2018-09-01T22:59:15Z` "
     "places a CSV recording's first sample at that UTC time"},
    {"simulated[:rate=HZ]",
     "an Earth-like field with a magnet passing by (default 50 Hz); add `,tumble` to turn the "
     "device through every direction, `,offset=X,Y,Z` and `,soft=A,B,C` (or nine numbers) to "
     "distort it like a sensor next to steel (see [Calibrating the "
     "compass](#calibrating-the-compass)), `,ac=HZ,AMPLITUDE_UT` for a hum on x (a sine, peak "
     "µT; see [AC fields](#ac-fields))"},
    {"none", "a device without a magnetometer"},
};

#define FLAG(member) [](Options& o, const std::string&) { o.member = true; }
#define TEXT(member) [](Options& o, const std::string& v) { o.member = v; }

constexpr OptionEntry kOptions[] = {
    {"--heading-source", "SPEC", Takes::Value,
     "where samples come from (default `auto`):", "simulated", TEXT(source.spec), kSources},
    {"--declination", "DEG", Takes::Value,
     "true heading = magnetic heading + DEG (east positive); beats `--location`", "2.5",
     readDeclination},
    {"--location", "LAT,LON[,ALT_M]", Takes::Value,
     "where the device is (degrees north and east, metres above the WGS84 ellipsoid): true "
     "heading = magnetic heading + the declination of the World Magnetic Model 2025 there, "
     "today (see [True north](#true-north)). Without it (and without `--declination`) a live "
     "sensor asks the system's location service; a replay keeps its recorded true headings",
     "52.52,13.40",
     [](Options& o, const std::string& v) { o.location = asOption(heading::parseLocation, v); }},
    {"--field-model", "", Takes::Nothing,
     "print the model's field at `--location` and leave, no window: declination, inclination "
     "(degrees), total, horizontal, north, east and down (nT)",
     "", FLAG(fieldModel)},
    {"--date", "YYYY-MM-DD|YEAR", Takes::Value,
     "the day (or decimal year, 2025.0 to 2030.0) for `--field-model`; today by default",
     "2027-06-30", readDate},
    {"--record", "FILE", Takes::Value,
     "also write every sample to FILE as CSV (`t,x,y,z,magneticHeading,trueHeading`, and "
     "`,gx,gy,gz` when the source has an accelerometer); an existing FILE is refused",
     "session.csv", TEXT(source.recordPath)},
    {"--calibrate", "", Takes::Nothing,
     "turn the device through every direction to take a new compass calibration, kept for the "
     "sensor, before the meter opens (see [Calibrating the compass](#calibrating-the-compass)); "
     "with `replay:FILE` it is fitted from the file with no window",
     "", FLAG(calibrate)},
    {"--calibration", "auto|none|FILE", Takes::Value,
     "`auto` (default): the sensor's kept calibration, if any; `none`; or a calibration FILE, "
     "applied to any source",
     "none", TEXT(source.calibration)},
    {"--calibration-out", "FILE", Takes::Value,
     "write a new calibration to FILE (never replacing one) instead of keeping it for the "
     "sensor",
     "compass.conf", TEXT(source.calibrationOut)},
    {"--quit-after", "SECONDS", Takes::Value,
     "leave the loop after SECONDS (above 0, at most a year; exit status 0)", "3", readQuitAfter},
    {"--screenshot", "FILE", Takes::Value,
     "write a PNG of the window (and any open alert) just before leaving, replacing FILE whole "
     "(a link there is replaced, not followed)",
     "meter.png", TEXT(screenshot)},
    {"--serve", "[=ADDR:PORT]", Takes::OptionalValue,
     "a live view for browsers at http://ADDR:PORT/ (default `127.0.0.1:8090`; port 0 picks a "
     "free one); the URL is printed on stdout. Off loopback every request needs the token in "
     "the URL (see [Remote view](#remote-view))",
     "", [](Options& o, const std::string& v) { o.serve = v; }},
    {"--serve-token", "TOKEN", Takes::Value,
     "the token for `--serve` (16 to 128 letters, digits, - . _ ~) instead of a random one; "
     "needed then on loopback too",
     "4f1c0e3a9b7d2c5e8a6f0b1d3c5e7a9b", TEXT(serveToken)},
    {"--station", "DIR", Takes::Value,
     "run as a station with no window: 1-second and 1-minute values written as IAGA-2002 day "
     "files into DIR",
     "station", [](Options& o, const std::string& v) { o.station = v; }},
    {"--station-info", "CODE[,NAME]", Takes::Value,
     "the station's IAGA code (3 or 4 letters) and name, for the files' headers and the "
     "published messages",
     "BOU,Boulder", TEXT(stationInfo)},
    {"--station-alert", "NT_PER_MIN", Takes::Value,
     "flag a change of the horizontal field of at least NT_PER_MIN nT from one minute to the "
     "next: one line on stderr, and `/api/v1/status`'s `dbdt`",
     "90", [](Options& o, const std::string& v) { o.stationAlert = v; }},
    {"--publish", "mqtt://[USER@]HOST[:PORT]/PREFIX", Takes::Value,
     "publish the station's values to an MQTT broker under PREFIX (`mqtts://` for TLS)",
     "mqtt://localhost/fluxprobe", [](Options& o, const std::string& v) { o.publish = v; }},
    {"--publish-password-file", "FILE", Takes::Value,
     "the broker password for `--publish`'s USER, read from the first line of FILE",
     "mqtt-password", TEXT(publishPasswordFile)},
    {"--publish-ca", "FILE", Takes::Value,
     "the certificate authorities (PEM) an `mqtts://` broker is checked against, instead of "
     "the system's",
     "ca.pem", TEXT(publishCa)},
    {"--publish-discovery", "", Takes::Nothing,
     "also publish retained discovery messages, so home-automation software finds the "
     "station's values by itself",
     "", FLAG(publishDiscovery)},
    {"--ui-dir", "DIR", Takes::Value,
     "read the interface files (`MainWindow.ui`, `CompassViewController.ui`) from DIR instead "
     "of the built-in ones (or set `FLUXPROBE_UI_DIR`)",
     "resources", TEXT(uiDir)},
    {"--open-compass", "", Takes::Nothing,
     "press the compass button once the window is up (for automated runs)", "", FLAG(openCompass)},
    {"--open-ac", "", Takes::Nothing,
     "press the AC button once the window is up (for automated runs)", "", FLAG(openAc)},
    {"--stats", "", Takes::Nothing,
     "at exit, two more lines on stderr: how often each self-drawn view was painted; and "
     "samples, frames a second, the time from a sample falling due to the frame that shows it "
     "(median, 95th percentile, longest) and the time to the first frame",
     "", FLAG(stats)},
    {"--units", "UNIT", Takes::Value,
     "show the field in `uT` (also `µT`; the default), `nT`, `mG` or `G` for this run (see "
     "[Measuring](#measuring)). Recordings, the log and the stream stay in uT",
     "mG", readUnits},
    {"--summary", "", Takes::Nothing,
     "at exit, one line on stdout: samples, seconds, and min, max and mean of each axis and the "
     "total (uT), with when the total peaked (see [Measuring](#measuring))",
     "", FLAG(summary)},
    {"--help", "", Takes::Nothing, "this text: every option, key and example", "", FLAG(help)},
};

#undef FLAG
#undef TEXT

constexpr KeyEntry kKeys[] = {
    {"Tab, Shift+Tab",
     "moves between the controls of the screen in front: the slider, the Compass button and "
     "the dial (on the compass: Done and the north switch), then the instrument's buttons"},
    {"H", "hold: the readouts keep their values (see [Measuring](#measuring))"},
    {"Z", "zero: the field from now on is shown relative to the last samples (REL)"},
    {"Shift+Z", "clears the zero"},
    {"S", "shows or hides the statistics strip"},
    {"R", "resets the statistics strip"},
    {"Ctrl+R", "starts or stops a recording of the samples"},
    {"A", "opens the [AC view](#ac-fields) from the meter"},
    {"Ctrl+Shift+C", "opens the guided [calibration](#calibrating-the-compass) from the meter"},
    {"←, →, Page Up, Page Down, Home, End", "move the alarm slider"},
    {"Space, Enter", "presses the focused button; Space flips the north switch"},
    {"Escape", "closes the compass or the AC view, as Done does"},
    {"Home on the dial, or a double-click on it",
     "puts the dial back in the middle of its room, unturned"},
};

constexpr TextEntry kEnvironment[] = {
    {"FLUXPROBE_UI_DIR", "as --ui-dir"},
    {"FLUXPROBE_DATA_DIR",
     "the folder of beep.wav and the field model wmm2025.wmm (default: the program's "
     "../share/fluxprobe, then next to the program)"},
    {"FLUXPROBE_IIO_ROOT",
     "where to look for IIO devices instead of /sys/bus/iio/devices (a folder of iio:deviceN "
     "trees, for tests and recorded sensors)"},
};

constexpr std::string_view kExamples[] = {
    "fluxprobe --heading-source=simulated",
    "fluxprobe --heading-source=simulated:rate=20 --record=walk.csv",
    "fluxprobe --heading-source=replay:walk.csv --declination=2.5",
    "fluxprobe --heading-source=iio:ak8975 --location=52.52,13.40,40",
    "fluxprobe --field-model --location=-33.87,151.21 --date=2027-06-30",
    "fluxprobe --heading-source=simulated --serve=0.0.0.0:8090",
    "fluxprobe --calibrate --heading-source=simulated:tumble,offset=40,-60,25",
    "fluxprobe --calibrate --heading-source=replay:turns.csv --calibration-out=compass.conf",
    "QT_QPA_PLATFORM=offscreen fluxprobe --heading-source=simulated --quit-after=3 "
    "--screenshot=meter.png",
};

}  // namespace

std::span<const OptionEntry> optionTable() {
    return kOptions;
}

std::span<const KeyEntry> keyTable() {
    return kKeys;
}

std::span<const TextEntry> environmentTable() {
    return kEnvironment;
}

std::span<const std::string_view> exampleTable() {
    return kExamples;
}

const OptionEntry* findOption(std::string_view name) {
    for (const OptionEntry& entry : kOptions)
        if (entry.name == name) return &entry;
    return nullptr;
}

std::string plainText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '`') continue;
        if (c == '[') {
            const auto close = text.find("](", i);
            const auto end = close == std::string_view::npos ? close : text.find(')', close);
            if (end != std::string_view::npos) {
                out += text.substr(i + 1, close - i - 1);
                i = end;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace app
