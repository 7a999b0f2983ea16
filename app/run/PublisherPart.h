#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/Options.h"
#include "heading/SampleSink.h"
#include "heading/SourceFacts.h"
#include "publish/MetricsText.h"
#include "publish/PublishOptions.h"

namespace publish {
class Publisher;
}
namespace station {
class RateWatch;
class Station;
class StationRun;
}  // namespace station

namespace app {

// The publisher (--publish): the station's minutes and seconds, the meter's samples and alarm,
// to an MQTT broker. With the run's station it listens to that station's values and keeps its
// spool in the station's folder; without one it makes the values itself (a station that writes
// no files) and keeps the spool in the user's state folder.
class PublisherPart {
  public:
    // Checks what can be checked before Qt starts (the URL, the password, the CA file); throws
    // OptionError.
    static publish::PublishConfig check(const Options& options);

    // Throws StartError. alarmThreshold: the meter's, in µT, none while there is no window.
    PublisherPart(const Options& options, const heading::SourceFacts& facts,
                  const std::string& sensorId, station::StationRun* station,
                  std::function<std::optional<float>()> alarmThreshold);
    ~PublisherPart();
    PublisherPart(const PublisherPart&) = delete;
    PublisherPart& operator=(const PublisherPart&) = delete;

    // The station this part made for itself (its place on the road before the publisher's);
    // null when the run has a station of its own.
    heading::SampleSink* ownStation();
    // The publisher's place on the road: the live samples and the alarm.
    heading::SampleSink& sink();
    void fillMetrics(publish::MetricsSnapshot& snapshot) const;
    // The samples have ended: the last minutes go out, then the publisher says offline and
    // leaves what the broker has not acknowledged in the spool.
    void finish();

  private:
    std::unique_ptr<station::Station> ownStation_;
    std::unique_ptr<station::RateWatch> rates_;
    std::unique_ptr<publish::Publisher> publisher_;
};

}  // namespace app
