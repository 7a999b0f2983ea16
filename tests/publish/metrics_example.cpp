// Prints /metrics for a meter that has seen nothing yet (with "empty") or one that has seen
// everything, for promtool to check.

#include <cmath>
#include <cstdio>
#include <cstring>

#include "publish/MetricsText.h"

int main(int argc, char** argv) {
    publish::MetricsSnapshot s;
    if (argc < 2 || std::strcmp(argv[1], "empty") != 0) {
        s.field = publish::MetricsSnapshot::Field{30.25, -40.5, 1e-3, 50.3, 359.9, 2.5};
        s.alarm = true;
        s.samplesDelivered = 123456789;
        s.samplesDropped = 3;
        station::StationValue minute;
        minute.time = 1535842800;
        minute.x = 20828.92;
        minute.y = -52.88;
        minute.f = 51965.67;  // z missing: NaN
        s.minute = minute;
        s.rate = station::RateOfChange{1535842800, 12.5, false};
        s.mqtt = publish::MetricsSnapshot::Mqtt{false, 10080, 17, 4};
    }
    std::fputs(publish::metricsText(s).c_str(), stdout);
    return 0;
}
