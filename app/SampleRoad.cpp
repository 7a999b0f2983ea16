#include "app/SampleRoad.h"

namespace app {

SampleRoad::SampleRoad(heading::HeadingService& service, const RoadStations& stations)
    : service_(service) {
    heading::HeadingService::Road road;
    road.tap = stations.calibration;
    road.trueNorth = stations.trueNorth;
    for (heading::SampleSink* sink :
         {stations.recorder, stations.signalStatus, stations.remoteView})
        if (sink) road.sinks.push_back(sink);
    service_.layRoad(std::move(road));
}

SampleRoad::~SampleRoad() {
    service_.layRoad({});
}

}  // namespace app
