#pragma once

#include <functional>
#include <optional>

#include "app/Options.h"
#include "heading/SourceFacts.h"
#include "station/StationRun.h"

namespace app {

// Checks the station's own options (--station-info, --station-alert) before Qt starts; throws
// OptionError.
void checkStationOptions(const Options& options);

// --station: the station on the sample road, its day files and its dB/dt watch. Made after the
// source, whose facts fill the files' headers, and before Qt starts, so that a folder it cannot
// write or a code that is no code is told with status 2 before anything runs. ended is called
// once the source has ended and every minute is written (a replay's end).
class StationPart {
  public:
    // Throws StartError.
    StationPart(const Options& options, const heading::SourceFacts& facts,
                std::function<void()> ended);

    heading::SampleSink& sink() { return sink_; }
    station::StationRun& station() { return run_; }

    // The run ends (SIGTERM, --quit-after): every minute that can still be made is written.
    void finish() { run_.finish(); }
    // The exit status says whether lines could not be written.
    bool lostData() const { return run_.lostData(); }

  private:
    // Passes the samples on, and tells the run once the source has ended.
    class Sink : public heading::SampleSink {
      public:
        Sink(heading::SampleSink& station, std::function<void()> ended)
            : station_(station), ended_(std::move(ended)) {}
        void onSample(const std::shared_ptr<const heading::Heading>& sample) override {
            station_.onSample(sample);
        }
        void onError(const heading::LocationError& error) override;

      private:
        heading::SampleSink& station_;
        std::function<void()> ended_;
    };

    station::StationRun run_;
    Sink sink_;
};

}  // namespace app
