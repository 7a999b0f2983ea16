#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "heading/Callbacks.h"
#include "heading/SampleSink.h"
#include "publish/Messages.h"
#include "publish/MetricsText.h"
#include "publish/MqttLink.h"
#include "publish/PublishOptions.h"
#include "publish/Spool.h"
#include "station/StationValue.h"

namespace publish {

struct PublisherSettings {
    PublishConfig config;
    station::StationInfo station;  // its code names the topics
    std::string spoolFolder;       // see spoolFolder()
    // The meter's alarm threshold in µT, asked at each sample; no alarm while it gives none.
    std::function<std::optional<double>()> alarmThreshold;
    std::chrono::milliseconds liveInterval{100};  // at most 10 live messages a second
    std::size_t spoolMinutes = Spool::kMaxMinutes;
    int keepAliveSeconds = 30;
    std::chrono::milliseconds firstRetry{1000};
    std::function<std::chrono::steady_clock::time_point()> now = [] {
        return std::chrono::steady_clock::now();
    };
};

// The station's values and the meter's samples, published under PREFIX/CODE/: minutes on pt1m
// (QoS 1, through the spool), seconds on pt1s and samples on live (QoS 0), the alarm and dB/dt
// retained on alert, online/offline retained on status, and Home Assistant's discovery configs
// when asked. Told on the main thread; hands each message to the link and returns.
class Publisher : public station::StationListener, public heading::SampleSink {
  public:
    Publisher(PublisherSettings settings, heading::Warn tell);
    ~Publisher() override;

    // Opens the spool and starts the link: the error in words when the spool cannot be opened
    // or the code cannot name a topic.
    std::optional<std::string> start();
    void stop();

    void onSecond(const station::StationValue& value) override;
    void onMinute(const station::StationValue& value) override;
    void onRate(const station::RateOfChange& rate) override;
    void onSample(const std::shared_ptr<const heading::Heading>& sample) override;
    void onError(const heading::LocationError&) override {}

    MqttLink::State state() const;
    std::string topic(const char* leaf) const;
    // The latest minute and dB/dt, and the link's state, for /metrics.
    void fillMetrics(MetricsSnapshot& snapshot) const;

  private:
    void tellAlert();

    PublisherSettings settings_;
    heading::Warn tell_;
    Spool spool_;
    std::unique_ptr<MqttLink> link_;
    AlertState alert_;
    std::optional<std::chrono::steady_clock::time_point> lastLive_;
    std::optional<station::StationValue> latestMinute_;
};

}  // namespace publish
