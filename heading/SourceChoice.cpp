#include "heading/SourceChoice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "heading/Numbers.h"
#include "heading/SourceError.h"
#include "heading/UtcTime.h"
#include "heading/calibration/MatrixCheck.h"

namespace heading {

namespace {

constexpr const char* kAccepted =
    "expected auto, iio[:DEVICE][,rate=HZ], replay:FILE[,speed=N|max][,start=UTC], "
    "simulated[:rate=HZ] or none";

constexpr double kMaxSpeed = 1e6;

constexpr double kMaxHumAmplitude = 1000.0;  // µT

[[noreturn]] void refuse(std::string_view text, const std::string& why) {
    throw SourceError("heading source '" + printable(text) + "': " + why);
}

double parseRate(std::string_view whole, std::string_view value) {
    const auto rate = parseDecimal(value);
    if (!rate) refuse(whole, "rate '" + printable(value) + "' is not a number");
    if (!(*rate > 0.0)) refuse(whole, "rate must be above 0 Hz");
    if (*rate > SourceChoice::kMaxRate) refuse(whole, "rate must be at most 100000 Hz");
    return *rate;
}

std::vector<std::string_view> splitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    while (true) {
        const auto comma = text.find(',');
        parts.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos) return parts;
        text = text.substr(comma + 1);
    }
}

// Numbers following key= up to the next key: "offset=40,-60,25".
std::vector<double> parseValues(std::string_view whole, std::string_view key,
                                const std::vector<std::string_view>& parts, std::size_t& i) {
    std::vector<double> values;
    std::string_view part = parts[i].substr(key.size() + 1);
    while (true) {
        const auto v = parseDecimal(part);
        if (!v)
            refuse(whole, std::string(key) + " value '" + printable(part) + "' is not a number");
        values.push_back(*v);
        if (i + 1 >= parts.size() || parts[i + 1].find('=') != std::string_view::npos ||
            parts[i + 1] == "tumble")
            return values;
        part = parts[++i];
    }
}

void parseSimulated(std::string_view whole, std::string_view options, SourceChoice& spec) {
    const auto parts = splitCommas(options);
    bool hum = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        if (part == "tumble") {
            spec.motion.tumble = true;
        } else if (part.starts_with("rate=")) {
            spec.rate = parseRate(whole, part.substr(5));
        } else if (part.starts_with("offset=")) {
            const auto v = parseValues(whole, "offset", parts, i);
            if (v.size() != 3) refuse(whole, "offset needs 3 numbers (µT), as in offset=40,-60,25");
            spec.motion.offset = {v[0], v[1], v[2]};
        } else if (part.starts_with("soft=")) {
            const auto v = parseValues(whole, "soft", parts, i);
            if (v.size() == 3)
                spec.motion.soft = {v[0], 0, 0, 0, v[1], 0, 0, 0, v[2]};
            else if (v.size() == 9)
                std::copy(v.begin(), v.end(), spec.motion.soft.begin());
            else
                refuse(whole, "soft needs 3 numbers (a diagonal) or 9 (a matrix, row by row)");
        } else if (part.starts_with("ac=")) {
            const auto v = parseValues(whole, "ac", parts, i);
            if (v.size() != 2)
                refuse(whole, "ac needs a frequency and an amplitude (Hz, µT), as in ac=50,1.5");
            spec.motion.humHz = v[0];
            spec.motion.humAmplitude = v[1];
            hum = true;
        } else {
            refuse(whole,
                   "expected rate=HZ, tumble, offset=X,Y,Z, soft=... or ac=HZ,AMPLITUDE_UT after "
                   "'simulated:'");
        }
    }
    // A distortion no steel makes would give samples that cannot be shown, kept or calibrated.
    if (const auto problem =
            calibration::matrixProblem(spec.motion.soft, spec.motion.offset, "soft"))
        refuse(whole, problem->text);
    // Checked once the rate is known, whichever comes first.
    if (!hum) return;
    const double hz = spec.motion.humHz, amplitude = spec.motion.humAmplitude;
    if (!(hz > 0.0)) refuse(whole, "ac frequency must be above 0 Hz");
    if (!(hz < spec.rate / 2.0)) {
        char limit[96];
        std::snprintf(limit, sizeof limit, "ac frequency must be below %g Hz, half the rate",
                      spec.rate / 2.0);
        refuse(whole, limit);
    }
    if (!(amplitude > 0.0)) refuse(whole, "ac amplitude must be above 0 µT");
    if (!(amplitude <= kMaxHumAmplitude)) refuse(whole, "ac amplitude must be at most 1000 µT");
}

// FILE[,speed=N|max][,start=UTC]: the options are taken from the end, so that a file name may
// hold commas of its own.
void parseReplay(std::string_view whole, std::string_view argument, SourceChoice& spec) {
    bool speed = false, start = false;
    for (;;) {
        const auto comma = argument.rfind(',');
        if (comma == std::string_view::npos) break;
        const std::string_view option = argument.substr(comma + 1);
        if (option.starts_with("speed=") && !speed) {
            const std::string_view value = option.substr(6);
            if (value == "max") {
                spec.speed = 0.0;
            } else {
                const auto n = parseDecimal(value);
                if (!n || !(*n > 0.0) || *n > kMaxSpeed)
                    refuse(whole, "speed '" + printable(value) +
                                      "' must be a number above 0 and at most 1000000, or max");
                spec.speed = *n;
            }
            speed = true;
        } else if (option.starts_with("start=") && !start) {
            const std::string_view value = option.substr(6);
            spec.startMs = parseUtcMilliseconds(value);
            if (!spec.startMs)
                refuse(whole, "start '" + printable(value) +
                                  "' must be a UTC time such as 2018-09-01T22:59:15Z");
            start = true;
        } else {
            break;
        }
        argument = argument.substr(0, comma);
    }
    if (argument.empty()) refuse(whole, "expected a file after 'replay:'");
    spec.file = std::string(argument);
}

}  // namespace

SourceChoice parseSourceChoice(std::string_view text) {
    const auto colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const bool hasArgument = colon != std::string_view::npos;
    const std::string_view argument = hasArgument ? text.substr(colon + 1) : std::string_view{};

    SourceChoice spec;
    if (name == "auto" || name == "none") {
        if (hasArgument) refuse(text, "'" + std::string(name) + "' takes no argument");
        spec.kind = name == "auto" ? SourceChoice::Kind::Auto : SourceChoice::Kind::None;
    } else if (name == "iio" || name.starts_with("iio,")) {
        // iio[:DEVICE][,rate=HZ]: the options follow the device, or "iio" itself.
        const std::string_view rest = name == "iio" ? argument : text.substr(3);
        const auto comma = rest.find(',');
        const std::string_view device = name == "iio" ? rest.substr(0, comma) : "";
        if (name == "iio" && hasArgument && device.empty())
            refuse(text, "expected a device name after 'iio:'");
        spec.kind = SourceChoice::Kind::Iio;
        spec.device = std::string(device);
        const std::string_view options =
            comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        if (comma != std::string_view::npos) {
            if (!options.starts_with("rate=") || options.find(',') != std::string_view::npos)
                refuse(text, "expected rate=HZ after the device, as in iio:ak8975,rate=20");
            spec.rate = parseRate(text, options.substr(5));
            spec.iioRate = true;
        }
    } else if (name == "replay") {
        if (argument.empty()) refuse(text, "expected a file after 'replay:'");
        spec.kind = SourceChoice::Kind::Replay;
        parseReplay(text, argument, spec);
    } else if (name == "simulated") {
        spec.kind = SourceChoice::Kind::Simulated;
        if (hasArgument) parseSimulated(text, argument, spec);
    } else {
        refuse(text, kAccepted);
    }
    return spec;
}

}  // namespace heading
