#pragma once

#include "heading/HeadingService.h"
#include "heading/SampleSink.h"
#include "heading/SampleStage.h"
#include "heading/calibration/CalibrationTap.h"

namespace app {

// The stations a sample can pass, each null when this run has none.
struct RoadStations {
    heading::calibration::CalibrationTap* calibration = nullptr;
    heading::SampleStage* trueNorth = nullptr;
    heading::SampleStage* presentation = nullptr;  // hold, zero and units for the screens
    heading::SampleSink* recorder = nullptr;
    heading::SampleSink* windowRecording = nullptr;
    heading::SampleSink* signalStatus = nullptr;
    heading::SampleSink* remoteView = nullptr;
    heading::SampleSink* acMonitor = nullptr;
};

// The one place the road of a sample is laid, in this order: the calibration tap (which keeps
// the raw sample to itself while engaged), the correction the service holds, true north, the
// presentation (which only says how the screens are to show the sample), then the recorder, the
// window's recording, the signal status, the remote view and the AC monitor, and last every
// attached location manager (the screens). Taken up again when this goes, so no station is
// called after it.
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
