#include "station/StationRun.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

#include "heading/Heading.h"
#include "heading/Numbers.h"
#include "heading/UtcTime.h"

namespace station {

namespace {

std::string upperCode(std::string_view code, std::string_view where) {
    std::string out;
    for (char c : code) {
        if (!std::isalpha(static_cast<unsigned char>(c)))
            throw StationError(std::string(where) + ": the IAGA code '" + heading::printable(code) +
                               "' must be 3 or 4 letters");
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (out.size() < 3 || out.size() > 4)
        throw StationError(std::string(where) + ": the IAGA code '" + heading::printable(code) +
                           "' must be 3 or 4 letters");
    return out;
}

}  // namespace

void parseStationInfo(std::string_view text, StationOptions& options) {
    const auto comma = text.find(',');
    options.code = upperCode(text.substr(0, comma), "--station-info");
    options.name =
        comma == std::string_view::npos ? std::string() : std::string(text.substr(comma + 1));
    for (char c : options.name)
        if (static_cast<unsigned char>(c) < 0x20 || c == '|')
            throw StationError(
                "--station-info: the station name may not hold control characters or |");
}

double parseStationAlert(std::string_view text) {
    const auto level = heading::parseDecimal(text);
    if (!level || !(*level > 0.0))
        throw StationError(
            "--station-alert: expected a rate in nT per minute above 0, as in "
            "--station-alert=90; found '" +
            heading::printable(text) + "'");
    return *level;
}

namespace {

StationInfo infoOf(const StationOptions& options, const heading::SourceFacts& facts) {
    StationInfo info;
    if (!options.code.empty())
        info.code = upperCode(options.code, "--station-info");
    else if (!facts.code.empty())
        info.code = upperCode(facts.code, "the replayed file's IAGA code");
    else
        throw StationError(
            "--station needs the station's IAGA code: --station-info=CODE[,NAME], "
            "as in --station-info=XYZ,My garden");
    info.name = !options.name.empty()                         ? options.name
                : !options.code.empty() || facts.name.empty() ? info.code
                                                              : facts.name;
    const auto pick = [](std::optional<double> given, std::optional<double> own) {
        return given ? *given : own ? *own : kMissing;
    };
    info.latitude = pick(options.latitude, facts.latitude);
    info.longitude = pick(options.longitude, facts.longitude);
    info.elevation = pick(options.elevation, facts.elevation);
    if (std::isnan(info.latitude) || std::isnan(info.longitude))
        throw StationError(
            "--station needs where the station is for its files' headers: "
            "--location=LAT,LON[,ALT_M]");
    info.orientation = facts.orientation;
    info.reported = facts.reported;
    info.sampling = facts.sampling;
    const unsigned bits[4] = {heading::Heading::kMissingX, heading::Heading::kMissingY,
                              heading::Heading::kMissingZ, heading::Heading::kMissingF};
    for (int i = 0; i < 4; ++i) info.recorded[i] = !(facts.notRecorded & bits[i]);
    return info;
}

}  // namespace

StationRun::StationRun(const StationOptions& options, const heading::SourceFacts& facts, Say say)
    : info_(infoOf(options, facts)),
      say_(std::move(say)),
      folder_(options.folder, say_),
      files_(folder_, info_, say_),
      station_(facts.scalarTotal, [this](std::int64_t first) { return files_.resume(first); }),
      rates_(
          options.alertLevel, [this](const RateOfChange& rate) { station_.tellRate(rate); },
          [this, level = options.alertLevel.value_or(0.0)](const RateOfChange& rate) {
              char text[160];
              const heading::UtcTime t = heading::UtcTime::fromSeconds(rate.minute);
              std::snprintf(text, sizeof text,
                            "dB/dt alert: %04d-%02d-%02dT%02d:%02d:00Z the horizontal field "
                            "changed %.1f nT in a minute (alert at %.1f nT/min)",
                            t.year, t.month, t.day, t.hour, t.minute, rate.nanoteslaPerMinute,
                            level);
              say_(text);
          }) {
    station_.addListener(files_);
    station_.addListener(rates_);
}

StationRun::~StationRun() = default;

void StationRun::finish() {
    station_.finish();
    files_.finish();
}

std::string StationRun::describe() const {
    return "station " + info_.code + " writing to " + folder_.path();
}

}  // namespace station
