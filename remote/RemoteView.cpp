#include "remote/RemoteView.h"

#include <iostream>
#include <limits>

#include "heading/HeadingSession.h"
#include "instrument/AcMonitor.h"
#include "remote/RemoteServer.h"
#include "remote/ServeOptions.h"
#include "remote/SpectrumJson.h"

namespace remote {

RemoteView::RemoteView(const std::string& serve, const std::string& token,
                       heading::HeadingSession& session, const std::string& recordPath,
                       instrument::AcMonitor* ac) {
    const ServeOptions options = parseServeOptions(serve, token);
    if (!options.notice.empty()) std::cerr << "fluxprobe: " << options.notice << std::endl;
    ServerSettings settings;
    settings.address = options.address;
    settings.port = options.port;
    settings.token = options.token;
    if (!recordPath.empty())
        settings.recording = [&session] {
            session.flushRecording();
            const auto [fd, length] = session.recordedBytes().value_or(std::pair{-1, 0});
            return RecordedBytes{fd, static_cast<qint64>(length)};
        };
    if (ac) settings.spectrumJson = [ac] { return spectrumJson(ac->spectrum()); };
    server_ = std::make_unique<RemoteServer>(std::move(settings));
    if (const auto error = server_->listen())
        throw ServeError("cannot serve the remote view on " +
                         (serve.empty() ? kDefaultServe : serve) + ": " + error->toStdString());
    for (const QString& url : pageUrls(options, server_->port()))
        announcement_ += "fluxprobe: remote view at " + url.toStdString() + "\n";
}

RemoteView::~RemoteView() = default;

void RemoteView::check(const std::string& serve, const std::string& token) {
    parseServeOptions(serve, token);
}

void RemoteView::onSample(const std::shared_ptr<const heading::Heading>& sample) {
    server_->deliver(*sample);
}

void RemoteView::setStatus(std::function<MeterStatus()> status) {
    server_->setStatus(std::move(status));
}

void RemoteView::setMetrics(std::function<void(publish::MetricsSnapshot&)> metrics) {
    server_->setMetrics(std::move(metrics));
}

void RemoteView::setSignal(std::function<SignalState()> signal) {
    server_->setSignal(std::move(signal));
}

void RemoteView::setAlarmThreshold(std::function<std::optional<float>()> threshold) {
    server_->setAlarmThreshold([threshold = std::move(threshold)] {
        const std::optional<float> value = threshold ? threshold() : std::nullopt;
        return value.value_or(std::numeric_limits<float>::infinity());
    });
}

std::string RemoteView::announcement() const {
    return announcement_;
}

}  // namespace remote
