#include "publish/Publisher.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "publish/Discovery.h"

namespace publish {

namespace {

// mkdir -p, private to the user where it makes a folder.
int makeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return errno;
        if (slash == std::string::npos) return 0;
    }
}

}  // namespace

Publisher::Publisher(PublisherSettings settings, heading::Warn tell)
    : settings_(std::move(settings)), tell_(std::move(tell)) {}

Publisher::~Publisher() {
    stop();
}

std::string Publisher::topic(const char* leaf) const {
    return settings_.config.url.prefix + "/" + settings_.station.code + "/" + leaf;
}

std::optional<std::string> Publisher::start() {
    const std::string& code = settings_.station.code;
    if (code.empty() || !std::all_of(code.begin(), code.end(), [](char c) {
            return static_cast<unsigned char>(c) > 0x20 && c != 0x7f && c != '/' && c != '+' &&
                   c != '#';
        }))
        return "--publish: the station code \"" + code +
               "\" cannot name a topic (no spaces, /, + or #)";
    if (const int error = makeFolders(settings_.spoolFolder))
        return "--publish: cannot make the spool's folder " + settings_.spoolFolder + ": " +
               std::strerror(error);
    const std::string path = settings_.spoolFolder + "/publish-" + code + ".spool";
    if (auto error = Spool::open(path, tell_, settings_.spoolMinutes, spool_))
        return "--publish: " + *error;

    LinkSettings link;
    const PublishUrl& url = settings_.config.url;
    link.host = url.host;
    link.port = url.port;
    link.tls = url.tls;
    link.caFile = settings_.config.caFile;
    link.user = url.user;
    link.password = settings_.config.password;
    link.statusTopic = topic("status");
    link.minuteTopic = topic("pt1m");
    link.keepAliveSeconds = settings_.keepAliveSeconds;
    link.firstRetry = settings_.firstRetry;
    link_ = std::make_unique<MqttLink>(std::move(link), spool_, tell_);
    if (settings_.config.discovery)
        for (const auto& [t, payload] : discoveryConfigs(url.prefix, code)) link_->keep(t, payload);
    link_->keep(topic("alert"), alertJson(alert_));
    if (auto error = link_->start()) return "--publish: " + *error;
    return std::nullopt;
}

void Publisher::stop() {
    if (link_) link_->stop();
}

void Publisher::onSecond(const station::StationValue& value) {
    if (link_) link_->send(topic("pt1s"), valueJson(value, settings_.station), false);
}

void Publisher::onMinute(const station::StationValue& value) {
    latestMinute_ = value;
    if (link_) link_->sendMinute(value.time, valueJson(value, settings_.station));
}

void Publisher::onRate(const station::RateOfChange& rate) {
    alert_.rate = rate;
    tellAlert();
}

void Publisher::onSample(const std::shared_ptr<const heading::Heading>& sample) {
    if (!link_ || !sample) return;
    const heading::Heading& h = *sample;
    LiveValue live;
    live.x = (h.missing & heading::Heading::kMissingX) ? NAN : h.x;
    live.y = (h.missing & heading::Heading::kMissingY) ? NAN : h.y;
    live.z = (h.missing & heading::Heading::kMissingZ) ? NAN : h.z;
    live.total = std::sqrt(live.x * live.x + live.y * live.y + live.z * live.z);
    live.magneticHeading = h.magneticHeading;
    live.trueHeading = h.trueHeading;
    const std::optional<double> threshold =
        settings_.alarmThreshold ? settings_.alarmThreshold() : std::nullopt;
    live.alarm = threshold && *threshold < live.total;
    if (live.alarm != alert_.alarm) {
        alert_.alarm = live.alarm;
        tellAlert();
    }
    const auto now = settings_.now();
    if (lastLive_ && now - *lastLive_ < settings_.liveInterval) return;
    if (link_->send(topic("live"), liveJson(live), false)) lastLive_ = now;
}

void Publisher::tellAlert() {
    if (link_) link_->keep(topic("alert"), alertJson(alert_));
}

void Publisher::fillMetrics(MetricsSnapshot& snapshot) const {
    if (latestMinute_) snapshot.minute = latestMinute_;
    if (alert_.rate) snapshot.rate = alert_.rate;
    const MqttLink::State link = state();
    snapshot.mqtt = MetricsSnapshot::Mqtt{link.connected, link.spoolDepth, link.spoolDropped,
                                          link.streamDropped};
}

MqttLink::State Publisher::state() const {
    return link_ ? link_->state() : MqttLink::State{};
}

}  // namespace publish
