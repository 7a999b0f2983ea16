#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/Options.h"
#include "app/SampleRoad.h"
#include "heading/HeadingService.h"
#include "instrument/AcMonitor.h"
#include "instrument/Instrument.h"
#include "qt/run/EventLoop.h"
#include "qt/run/MeterWindow.h"

namespace heading {
class TrueNorthStage;
}
namespace platform {
class ClassRegistry;
}
namespace remote {
class RemoteView;
}

namespace app {

class PublisherPart;
class SourcePart;
class StationPart;

// A part that cannot be made as the options ask; the message says why. Status 2.
class StartError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Whether the run has a window. It has, unless one of its parts runs without one: a part that
// needs no window says so here (the station does: a run with --station has no window).
bool runsWithWindow(const Options& options);

// What a run says once its parts have gone: stderr's last lines, then stdout's.
struct LastWords {
    std::string paints;     // --stats
    std::string delivered;  // "fluxprobe: delivered N samples"
    std::string frames;     // --stats
    std::string summary;    // --summary, on stdout
    void say() const;
};

// One run of the meter, assembled from parts, each made from the options and owning what it
// made. The members are declared in the order the parts are made, so they are destroyed the
// other way round: nothing goes before a part that uses it, and no sample reaches a part that
// has gone (the road, made last, goes first). See docs/ARCHITECTURE.md.
class Run {
  public:
    // Makes every part, in order, and lays the road; throws StartError (the files made so far
    // are taken back).
    Run(const Options& options, int& argc, char* argv[], const platform::ClassRegistry& classes);
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Starts the source, runs the loop until it ends, and stops the source. Returns the exit
    // status; what is to be said at the end goes to lastWords.
    int exec(LastWords& lastWords);

  private:
    void makeTrueNorth();
    void makeStation();
    void makePublisher();
    void makeRemoteView();
    void makeWindow(const platform::ClassRegistry& classes);
    void layRoad();

    const Options& options_;
    bool withWindow_;
    platform::qt::EventLoop loop_;  // made first, its Qt started once the files are checked
    heading::HeadingService service_;
    instrument::Instrument instrument_;  // hold, zero, statistics and units for the screens
    instrument::AcMonitor
        ac_;  // the latest samples and their spectrum (AC view, browsers, summary)
    std::unique_ptr<heading::TrueNorthStage> trueNorth_;  // unless the user gave the declination
    std::unique_ptr<SourcePart> source_;                  // the source, its session, the signal
    std::unique_ptr<StationPart> station_;                // --station
    // The publisher listens to the station's values, so it comes after the station.
    std::unique_ptr<PublisherPart> publisher_;           // --publish
    std::unique_ptr<remote::RemoteView> remote_;         // --serve
    std::unique_ptr<platform::qt::MeterWindow> window_;  // unless the run needs none
    std::optional<SampleRoad> road_;                     // laid last, taken up first
};

// The program: options, help, the one-shot commands, or a run. Returns the exit status.
int runProgram(int argc, char* argv[], const platform::ClassRegistry& classes);

}  // namespace app
