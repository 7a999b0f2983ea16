#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "station/StationValue.h"

namespace publish {

// What /metrics reports at one moment; a part left empty is left out (its family still says
// what it would hold).
struct MetricsSnapshot {
    struct Field {
        double x = 0, y = 0, z = 0, total = 0;  // µT
        double magneticHeading = 0;
        double trueHeading = -1;  // negative: unknown
    };
    std::optional<Field> field;
    bool alarm = false;
    std::uint64_t samplesDelivered = 0;
    std::uint64_t samplesDropped = 0;
    std::optional<station::StationValue> minute;  // the latest, in nT
    std::optional<station::RateOfChange> rate;
    struct Mqtt {
        bool connected = false;
        std::uint64_t spoolDepth = 0;
        std::uint64_t spoolDropped = 0;
        std::uint64_t messagesDropped = 0;  // seconds and live samples, for a slow broker
    };
    std::optional<Mqtt> mqtt;  // empty when not publishing
};

// The Prometheus text exposition format, version 0.0.4: each family with # HELP and # TYPE.
std::string metricsText(const MetricsSnapshot& snapshot);

inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

}  // namespace publish
