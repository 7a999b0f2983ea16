#include "app/SampleRoad.h"

namespace app {

heading::Road roadOf(const RoadStations& s) {
    heading::Road road;
    road.tap(s.calibration)
        .stage(s.trueNorth)
        .stage(s.instrument)
        .sink(s.recorder)
        .sink(s.windowRecording)
        .sink(s.signal)
        .sink(s.station)
        .sink(s.publisher)
        .sink(s.remoteView)
        .sink(s.acMonitor);
    return road;
}

SampleRoad::SampleRoad(heading::HeadingService& service, const RoadStations& stations)
    : service_(service) {
    service_.layRoad(roadOf(stations));
}

SampleRoad::~SampleRoad() {
    service_.layRoad({});
}

}  // namespace app
