#include "app/run/PublisherPart.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "app/run/Run.h"
#include "publish/Publisher.h"
#include "publish/Spool.h"
#include "station/RateWatch.h"
#include "station/Station.h"
#include "station/StationRun.h"

namespace app {

namespace {

// A topic level from the sensor's name: letters, digits, - and _ kept, the rest _.
std::string topicName(const std::string& name) {
    std::string out;
    for (char c : name)
        out += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
    return out;
}

station::StationInfo infoWithout(const Options& options, const heading::SourceFacts& facts,
                                 const std::string& sensorId) {
    station::StationInfo info;
    station::StationOptions given;
    if (!options.stationInfo.empty()) {
        try {
            station::parseStationInfo(options.stationInfo, given);
        } catch (const station::StationError& e) {
            throw StartError(e.what());
        }
    }
    info.code = !given.code.empty()   ? given.code
                : !facts.code.empty() ? facts.code
                : !sensorId.empty()   ? topicName(sensorId)
                                      : "fluxprobe";
    info.name = given.name.empty() ? info.code : given.name;
    info.orientation = facts.orientation;
    info.reported = facts.reported;
    const unsigned bits[4] = {heading::Heading::kMissingX, heading::Heading::kMissingY,
                              heading::Heading::kMissingZ, heading::Heading::kMissingF};
    for (int i = 0; i < 4; ++i) info.recorded[i] = !(facts.notRecorded & bits[i]);
    return info;
}

}  // namespace

publish::PublishConfig PublisherPart::check(const Options& options) {
    publish::PublishRequest request{.url = *options.publish,
                                    .passwordFile = options.publishPasswordFile,
                                    .caFile = options.publishCa,
                                    .discovery = options.publishDiscovery};
    auto config = publish::readPublishOptions(request, std::getenv("FLUXPROBE_MQTT_PASSWORD"));
    if (auto* error = std::get_if<std::string>(&config)) throw OptionError(*error);
    return std::get<publish::PublishConfig>(config);
}

PublisherPart::PublisherPart(const Options& options, const heading::SourceFacts& facts,
                             const std::string& sensorId, station::StationRun* station,
                             std::function<std::optional<float>()> alarmThreshold) {
    publish::PublisherSettings settings;
    try {
        settings.config = check(options);
    } catch (const OptionError& e) {
        throw StartError(e.what());
    }
    settings.station = station ? station->info() : infoWithout(options, facts, sensorId);
    settings.spoolFolder = publish::spoolFolder(station ? *options.station : "");
    settings.alarmThreshold = [threshold = std::move(alarmThreshold)]() -> std::optional<double> {
        const std::optional<float> t = threshold ? threshold() : std::nullopt;
        return t ? std::optional<double>(*t) : std::nullopt;
    };
    publisher_ = std::make_unique<publish::Publisher>(std::move(settings), heading::warnOnStderr);
    if (station) {
        station->addListener(*publisher_);
    } else {
        std::optional<double> alertLevel;
        if (options.stationAlert) {
            try {
                alertLevel = station::parseStationAlert(*options.stationAlert);
            } catch (const station::StationError& e) {
                throw StartError(e.what());
            }
        }
        ownStation_ = std::make_unique<station::Station>(facts.scalarTotal);
        rates_ = std::make_unique<station::RateWatch>(
            alertLevel, [this](const station::RateOfChange& r) { ownStation_->tellRate(r); });
        ownStation_->addListener(*rates_);
        ownStation_->addListener(*publisher_);
    }
    if (auto error = publisher_->start()) throw StartError(*error);
}

PublisherPart::~PublisherPart() = default;

heading::SampleSink* PublisherPart::ownStation() {
    return ownStation_.get();
}

heading::SampleSink& PublisherPart::sink() {
    return *publisher_;
}

void PublisherPart::fillMetrics(publish::MetricsSnapshot& snapshot) const {
    publisher_->fillMetrics(snapshot);
}

void PublisherPart::finish() {
    if (ownStation_) ownStation_->finish();
    publisher_->stop();
}

}  // namespace app
