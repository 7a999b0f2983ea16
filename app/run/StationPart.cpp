#include "app/run/StationPart.h"

#include <csignal>
#include <utility>

#include "app/run/Run.h"
#include "heading/Callbacks.h"

namespace app {

namespace {

station::StationOptions stationOptions(const Options& options) {
    station::StationOptions s;
    s.folder = *options.station;
    if (!options.stationInfo.empty()) station::parseStationInfo(options.stationInfo, s);
    if (options.stationAlert) s.alertLevel = station::parseStationAlert(*options.stationAlert);
    if (options.location) {
        s.latitude = options.location->latitude;
        s.longitude = options.location->longitude;
        s.elevation = options.location->altitude;
    }
    return s;
}

station::StationRun makeRun(const Options& options, const heading::SourceFacts& facts) {
    // A file size limit (ulimit -f) must fail a write, which the station survives and reports,
    // rather than kill the process with SIGXFSZ.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return station::StationRun(stationOptions(options), facts, heading::warnOnStderr);
    } catch (const station::StationError& e) {
        throw StartError(e.what());
    }
}

}  // namespace

void checkStationOptions(const Options& options) {
    try {
        if (options.station) (void)stationOptions(options);
    } catch (const station::StationError& e) {
        throw OptionError(e.what());
    }
}

StationPart::StationPart(const Options& options, const heading::SourceFacts& facts,
                         std::function<void()> ended)
    : run_(makeRun(options, facts)), sink_(run_.sink(), std::move(ended)) {}

void StationPart::Sink::onError(const heading::LocationError& error) {
    station_.onError(error);
    if (error.code == heading::LocationError::kEnded && ended_) ended_();
}

}  // namespace app
