#pragma once

#include "heading/HeadingService.h"
#include "heading/SampleSink.h"
#include "heading/SampleStage.h"
#include "heading/calibration/CalibrationTap.h"

namespace app {

// The road every sample takes, in the order of these fields: the one description of it. A
// station the run has none of is null and left out.
//
//   source ─▶ calibration tap ─▶ correction ─▶ true north ─▶ instrument          (stages)
//          ─▶ recorder ─▶ window's recording ─▶ signal watch ─▶ station ─▶ publisher
//          ─▶ remote view ─▶ AC monitor                                         (sinks)
//          ─▶ every location manager that has started updates (the screens)
//
// The tap keeps the raw sample to itself while a calibration is taken, and the sample goes no
// further; the correction is the calibration the service holds. The stages complete the sample
// (the true heading; how the screens are to show it) before any sink sees it, and never change
// its field. The sinks get the completed sample and every error, in order, on the main thread.
struct RoadStations {
    heading::calibration::CalibrationTap* calibration = nullptr;
    heading::SampleStage* trueNorth = nullptr;
    heading::SampleStage* instrument = nullptr;      // hold, zero and units for the screens
    heading::SampleSink* recorder = nullptr;         // --record
    heading::SampleSink* windowRecording = nullptr;  // the window's record button (Ctrl+R)
    heading::SampleSink* signal = nullptr;           // whether readings are coming
    heading::SampleSink* station = nullptr;          // --station: 1-second and minute values
    heading::SampleSink* publisher = nullptr;        // --publish
    heading::SampleSink* remoteView = nullptr;       // --serve
    heading::SampleSink* acMonitor = nullptr;        // the AC view's samples and spectrum
};

// The road as the service runs it, in the order above.
heading::Road roadOf(const RoadStations& stations);

// Lays the road on the service for as long as it lives; taken up again when it goes, so no
// station is called after it.
class SampleRoad {
  public:
    SampleRoad(heading::HeadingService& service, const RoadStations& stations);
    ~SampleRoad();
    SampleRoad(const SampleRoad&) = delete;
    SampleRoad& operator=(const SampleRoad&) = delete;

  private:
    heading::HeadingService& service_;
};

}  // namespace app
