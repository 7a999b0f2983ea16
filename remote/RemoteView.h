#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "heading/SampleSink.h"
#include "publish/MetricsText.h"
#include "remote/MeterStatus.h"

namespace heading {
class HeadingSession;
}  // namespace heading

namespace instrument {
class AcMonitor;
}

namespace remote {

class RemoteServer;

// The live view for browsers, wired into the run: every sample it is given on the sample road,
// the recording when there is one, and what the run tells it of the meter. Needs an event loop
// (QCoreApplication is enough): no window, no widgets.
class RemoteView : public heading::SampleSink {
  public:
    // Listens at once; throws ServeError for a bad --serve or an address that cannot be bound.
    // recordPath is --record's file, if any. ac, when given, answers for the spectrum.
    RemoteView(const std::string& serve, const std::string& token, heading::HeadingSession& session,
               const std::string& recordPath, instrument::AcMonitor* ac = nullptr);
    ~RemoteView() override;
    RemoteView(const RemoteView&) = delete;
    RemoteView& operator=(const RemoteView&) = delete;

    // Throws ServeError when serve or token cannot be used (before anything starts).
    static void check(const std::string& serve, const std::string& token);

    // What /api/v1/status reports, asked at each request.
    void setStatus(std::function<MeterStatus()> status);
    // What /metrics reports beyond the latest sample and the count of samples.
    void setMetrics(std::function<void(publish::MetricsSnapshot&)> metrics);
    // The signal as the meter shows it, pushed to the browsers when it changes.
    void setSignal(std::function<SignalState()> signal);
    // The alarm threshold in µT, asked for each sample; no alarm while it has none.
    void setAlarmThreshold(std::function<std::optional<float>()> threshold);

    // "fluxprobe: remote view at URL" lines for stdout.
    std::string announcement() const;

    void onSample(const std::shared_ptr<const heading::Heading>& sample) override;
    void onError(const heading::LocationError&) override {}

  private:
    std::unique_ptr<RemoteServer> server_;
    std::string announcement_;
};

}  // namespace remote
