#include "app/SampleRoad.h"

namespace app {

SampleRoad::SampleRoad(heading::HeadingService& service, const RoadStations& stations)
    : service_(service) {
    heading::HeadingService::Road road;
    road.tap = stations.calibration;
    for (heading::SampleStage* stage : {stations.trueNorth, stations.presentation})
        if (stage) road.stages.push_back(stage);
    for (heading::SampleSink* sink :
         {stations.recorder, stations.windowRecording, stations.signalStatus, stations.remoteView,
          stations.acMonitor})
        if (sink) road.sinks.push_back(sink);
    service_.layRoad(std::move(road));
}

SampleRoad::~SampleRoad() {
    service_.layRoad({});
}

}  // namespace app
