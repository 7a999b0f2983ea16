#include "qt/Options.h"

#include <array>
#include <cmath>
#include <string_view>

#include "heading/Numbers.h"
#include "heading/SourceChoice.h"
#include "heading/SourceError.h"
#include "heading/model/FieldQuery.h"
#include "instrument/Units.h"
#include "qt/StrayArguments.h"
#include "remote/ServeOptions.h"

namespace platform::qt {

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
double number(const std::string& option, const std::string& text) {
    const auto value = heading::parseDecimal(text);
    if (!value)
        throw OptionError("option " + option + " needs " + whatIsWrong(text) + ", got " +
                          quoted(text));
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

// Qt's own command-line options (QCoreApplication, QGuiApplication, QApplication and the X11
// platform's), which Qt takes out of the arguments; each may be given with one or two dashes.
constexpr std::array<std::string_view, 15> kQtOptionsWithValue = {
    "platform",        "platformpluginpath",
    "platformtheme",   "plugin",
    "qwindowgeometry", "qwindowicon",
    "qwindowtitle",    "session",
    "display",         "geometry",
    "title",           "name",
    "visual",          "style",
    "stylesheet"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse", "nograb",      "dograb",
                                                      "sync",    "widgetcount", "testability"};

template <std::size_t N>
bool among(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::string_view n : names)
        if (n == name) return true;
    return false;
}

}  // namespace

std::vector<std::string> withoutQtOptions(const std::vector<std::string>& args) {
    std::vector<std::string> ours;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg.size() < 2 || arg[0] != '-') {
            ours.push_back(args[i]);
            continue;
        }
        arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
        const std::string_view name = arg.substr(0, arg.find('='));
        const bool joined = name.size() < arg.size();
        if (among(kQtOptionsWithValue, name)) {
            // "-style=fusion" holds its value; "-platform offscreen" takes the next argument.
            if (!joined && i + 1 < args.size()) ++i;
        } else if (!(among(kQtFlags, name) && !joined) && name != "qmljsdebugger") {
            ours.push_back(args[i]);
        }
    }
    return ours;
}

bool wantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

Options parseOptions(const std::vector<std::string>& args) {
    Options options;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (arg.rfind("--", 0) != 0) {  // not ours: ignored, with a word to the user
            options.warnings.push_back(strayArgumentWarning(arg));
            continue;
        }
        const auto eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const bool hasValue = eq != std::string::npos;
        const std::string value = hasValue ? arg.substr(eq + 1) : std::string();
        auto needValue = [&](const char* example) {
            if (!hasValue || value.empty())
                throw OptionError("option " + name + " needs a value, as in " + name + "=" +
                                  example);
        };
        if (name == "--heading-source") {
            needValue("simulated");
            options.source.spec = value;
        } else if (name == "--declination") {
            needValue("2.5");
            const double deg = number(name, value);
            if (std::fabs(deg) > 180.0)
                throw OptionError(
                    "option --declination must lie between -180 and 180 degrees, got " +
                    quoted(value));
            options.source.declination = deg;
        } else if (name == "--record") {
            needValue("session.csv");
            options.source.recordPath = value;
        } else if (name == "--quit-after") {
            needValue("3");
            const double seconds = number(name, value);
            if (!(seconds > 0.0) || seconds > kLongestRun)
                throw OptionError(
                    "option --quit-after needs seconds above 0 and at most 31536000 (a year), "
                    "got " +
                    quoted(value));
            options.quitAfter = seconds;
        } else if (name == "--screenshot") {
            needValue("meter.png");
            options.screenshot = value;
        } else if (name == "--open-compass") {
            if (hasValue) throw OptionError("option --open-compass takes no value");
            options.openCompass = true;
        } else if (name == "--open-ac") {
            if (hasValue) throw OptionError("option --open-ac takes no value");
            options.openAc = true;
        } else if (name == "--serve") {
            options.serve = value;
        } else if (name == "--serve-token") {
            needValue("4f1c0e3a9b7d2c5e8a6f0b1d3c5e7a9b");
            options.serveToken = value;
        } else if (name == "--calibrate") {
            if (hasValue) throw OptionError("option --calibrate takes no value");
            options.calibrate = true;
        } else if (name == "--calibration") {
            needValue("none");
            options.source.calibration = value;
        } else if (name == "--calibration-out") {
            needValue("compass.conf");
            options.source.calibrationOut = value;
        } else if (name == "--stats") {
            if (hasValue) throw OptionError("option --stats takes no value");
            options.stats = true;
        } else if (name == "--units") {
            needValue("mG");
            options.units = instrument::parseUnit(value);
            if (!options.units)
                throw OptionError("option --units needs uT (or \u00b5T), nT, mG or G, got " +
                                  quoted(value));
        } else if (name == "--summary") {
            if (hasValue) throw OptionError("option --summary takes no value");
            options.summary = true;
        } else if (name == "--ui-dir") {
            needValue("resources");
            options.uiDir = value;
        } else if (name == "--location") {
            needValue("52.52,13.40");
            options.location = asOption(heading::parseLocation, value);
        } else if (name == "--date") {
            needValue("2027-06-30");
            options.date = asOption(heading::parseDate, value);
            options.dateText = value;
        } else if (name == "--field-model") {
            if (hasValue) throw OptionError("option --field-model takes no value");
            options.fieldModel = true;
        } else {
            throw OptionError(unknownOptionMessage(arg));
        }
    }
    if (options.fieldModel && !options.location)
        throw OptionError("option --field-model needs --location=LAT,LON[,ALT_M]");
    if (options.date && !options.fieldModel)
        throw OptionError("option --date goes with --field-model; the meter always uses today");
    if (!options.serveToken.empty() && !options.serve)
        throw OptionError("option --serve-token goes with --serve");
    // What the source and the address say is checked here too, before Qt needs a display.
    try {
        heading::parseSourceChoice(options.source.spec);
        if (options.serve) remote::parseServeOptions(*options.serve, options.serveToken);
    } catch (const heading::SourceError& e) {
        throw OptionError(e.what());
    } catch (const remote::ServeError& e) {
        throw OptionError(e.what());
    }
    return options;
}

const char* usageLine() {
    return "usage: fluxprobe [--heading-source=SPEC] [--declination=DEG]\n"
           "                 [--location=LAT,LON[,ALT_M]] [--record=FILE]\n"
           "                 [--quit-after=SECONDS] [--screenshot=FILE] [--ui-dir=DIR]\n"
           "                 [--calibrate] [--calibration=auto|none|FILE] "
           "[--calibration-out=FILE]\n"
           "                 [--serve[=ADDR:PORT]] [--serve-token=TOKEN] [--open-compass] "
           "[--open-ac]\n"
           "                 [--stats] [--units=uT|nT|mG|G] [--summary] [--help]\n"
           "                 [Qt options such as -platform offscreen]\n"
           "       fluxprobe --field-model --location=LAT,LON[,ALT_M] [--date=YYYY-MM-DD|YEAR]";
}

std::string helpText() {
    std::string text = usageLine();
    text += R"(

A magnetic field meter: the field along each axis and in total (microtesla), a running graph
of the last 150 samples, and an alarm (beep and waves) above the slider's threshold.

Options:
  --heading-source=SPEC  where samples come from (default auto):
                           auto                the first IIO magnetometer; none found means
                                               no heading data ("No Compass!")
                           iio[:DEVICE][,rate=HZ]
                                               a Linux IIO magnetometer by device or driver,
                                               e.g. iio:iio:device0 or iio:ak8975,rate=20;
                                               the nearest rate it offers (default: the
                                               highest up to 100 Hz)
                           replay:FILE         a recorded CSV session, paced in real time
                           simulated[:rate=HZ] an Earth-like field with a magnet passing by;
                                               add ,tumble to turn the device through every
                                               direction, ,offset=X,Y,Z and ,soft=A,B,C (or
                                               nine numbers) to distort it like a sensor
                                               next to steel, ,ac=HZ,AMPLITUDE_UT for a
                                               hum on x (a sine, peak µT)
                           none                a device without a magnetometer
  --declination=DEG      true heading = magnetic heading + DEG (east positive); beats
                         --location
  --location=LAT,LON[,ALT_M]
                         where the device is (degrees north and east, metres above the
                         WGS84 ellipsoid): true heading = magnetic heading + the declination
                         of the World Magnetic Model 2025 there, today. Without it (and
                         without --declination) a live sensor asks the system's location
                         service; a replay keeps its recorded true headings
  --field-model          print the model's field at --location and leave, no window:
                         declination, inclination (degrees), total, horizontal, north,
                         east and down (nT)
  --date=YYYY-MM-DD|YEAR
                         the day (or decimal year, 2025.0 to 2030.0) for --field-model;
                         today by default
  --record=FILE          also write every sample to FILE (CSV, replay format); an existing
                         file is refused
  --calibrate            turn the device through every direction to take a new compass
                         calibration, kept for the sensor, before the meter opens; with
                         replay:FILE it is fitted from the file with no window
  --calibration=WHICH    auto (default): the sensor's kept calibration; none; or a file's
  --calibration-out=FILE write a new calibration to FILE (never replacing it) instead of
                         keeping it for the sensor
  --quit-after=SECONDS   leave the loop after SECONDS (above 0, at most a year)
  --screenshot=FILE      write a PNG of the window (and any open alert) just before leaving
  --serve[=ADDR:PORT]    a live view for browsers at http://ADDR:PORT/ (default
                         127.0.0.1:8090; port 0 picks a free one); the URL is printed on
                         stdout. Off loopback every request needs the token in the URL
  --serve-token=TOKEN    the token for --serve (16 to 128 letters, digits, - . _ ~) instead of
                         a random one; needed then on loopback too
  --ui-dir=DIR           read the interface files (*.ui) from DIR (or set FLUXPROBE_UI_DIR)
  --open-compass         press the compass button once the window is up (for automated runs)
  --open-ac              press the AC button once the window is up (for automated runs)
  --stats                at exit, two more lines on stderr: how often each self-drawn view
                         was painted; and samples, frames a second, the time from a sample
                         falling due to the frame that shows it (median, 95th percentile,
                         longest) and the time to the first frame
  --units=UNIT           show the field in uT (also µT; the default), nT, mG or G for this
                         run. Recordings, the log and the stream stay in uT
  --summary              at exit, one line on stdout: samples, seconds, and min, max and mean
                         of each axis and the total (uT), with when the total peaked
  --help, -h             this text

Environment:
  FLUXPROBE_UI_DIR       as --ui-dir
  FLUXPROBE_DATA_DIR     the folder of beep.wav and the field model wmm2025.wmm (default:
                         the program's ../share/fluxprobe, then next to the program)
  FLUXPROBE_IIO_ROOT     where to look for IIO devices instead of /sys/bus/iio/devices
                         (a folder of iio:deviceN trees, for tests and recorded sensors)

Examples:
  fluxprobe --heading-source=simulated
  fluxprobe --heading-source=simulated:rate=20 --record=walk.csv
  fluxprobe --heading-source=replay:walk.csv --declination=2.5
  fluxprobe --heading-source=iio:ak8975 --location=52.52,13.40,40
  fluxprobe --field-model --location=-33.87,151.21 --date=2027-06-30
  fluxprobe --heading-source=simulated --serve=0.0.0.0:8090
  fluxprobe --calibrate --heading-source=simulated:tumble,offset=40,-60,25
  fluxprobe --calibrate --heading-source=replay:turns.csv --calibration-out=compass.conf
  QT_QPA_PLATFORM=offscreen fluxprobe --heading-source=simulated --quit-after=3 --screenshot=meter.png

Every sample on the meter writes one line to stderr: the alarm slider's value ("40.00"; the
alarm sounds above that value + 60 µT). At exit fluxprobe writes to stderr how many samples it
delivered.

Ctrl+C, SIGTERM and SIGHUP end the run as --quit-after does (a second one ends it at once).

Exit status: 0 when the window closes or --quit-after or a signal ends the run; 1 when the recording or
the screenshot could not be written; 2 for a bad option, a source that cannot start or a broken
interface file.
)";
    return text;
}

}  // namespace platform::qt
