#pragma once

#include <QPointer>
#include <QWidget>
#include <cstddef>
#include <memory>
#include <string>

#include "heading/SampleSink.h"
#include "remote/RemoteServer.h"

namespace heading {
class HeadingSession;
}  // namespace heading

namespace instrument {
class AcMonitor;
}

namespace remote {

// The live view for browsers, wired into the running meter: every sample it is given on the
// sample road, the recording when there is one, and the meter's alarm threshold from its slider.
class RemoteView : public heading::SampleSink {
  public:
    // Listens at once; throws ServeError for a bad --serve or an address that cannot be bound.
    // recordPath is --record's file, if any. window is the meter's window, found when asked.
    // ac, when given, answers for the spectrum.
    RemoteView(const std::string& serve, const std::string& token, heading::HeadingSession& session,
               const std::string& recordPath, std::function<QWidget*()> window,
               instrument::AcMonitor* ac = nullptr);
    ~RemoteView() override;
    RemoteView(const RemoteView&) = delete;
    RemoteView& operator=(const RemoteView&) = delete;

    // What /api/v1/status reports, asked at each request.
    void setStatus(std::function<MeterStatus()> status);
    // What /metrics reports beyond the latest sample and the count of samples.
    void setMetrics(std::function<void(publish::MetricsSnapshot&)> metrics);
    // The signal as the meter's window shows it, pushed to the browsers when it changes.
    void setSignal(std::function<SignalState()> signal);

    // "fluxprobe: remote view at URL" lines for stdout.
    std::string announcement() const;

    void onSample(const std::shared_ptr<const heading::Heading>& sample) override;
    void onError(const heading::LocationError&) override {}

  private:
    std::unique_ptr<RemoteServer> server_;
    std::string announcement_;
};

}  // namespace remote
