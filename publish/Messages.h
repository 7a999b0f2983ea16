#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "station/StationValue.h"

namespace publish {

// 2018-09-01T23:00:00Z for a time in seconds since 1970-01-01T00:00:00Z.
std::string isoTime(std::int64_t time);

// A string as a JSON string literal, quotes included.
std::string jsonString(const std::string& text);

// A station's 1-second or minute value as published:
// {"startDate":"2018-09-01T23:00:00Z","x":20828.92,"y":-52.88,"z":47043.06,"f":51965.67,
//  "units":"nT","orientation":"HDZF","code":"BOU"}
// Each component with two decimals, as the station's files write it (so the same minute reads
// the same to the last digit), null where it is missing or the source does not record it.
std::string valueJson(const station::StationValue& value, const station::StationInfo& info);

// One of the meter's samples for dashboards: the field in µT, the headings in degrees (true
// heading null when unknown) and whether the alarm sounds.
struct LiveValue {
    double x = 0, y = 0, z = 0, total = 0;
    double magneticHeading = 0;
    double trueHeading = -1;
    bool alarm = false;
};
std::string liveJson(const LiveValue& live);

// What the alert topic holds: the meter's alarm and the station's latest dB/dt.
struct AlertState {
    bool alarm = false;
    std::optional<station::RateOfChange> rate;
    friend bool operator==(const AlertState&, const AlertState&) = default;
};
std::string alertJson(const AlertState& alert);

}  // namespace publish
