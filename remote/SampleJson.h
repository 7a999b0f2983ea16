#pragma once

#include <cstdint>
#include <string>

#include "heading/Heading.h"

namespace remote {

// One sample as the remote view shows it: what the meter was given, the total field as the meter
// works it out (single precision) and whether the meter's alarm sounded for it.
struct RemoteSample {
    heading::Heading heading;  // timestamp: the session's time, never going backwards
    float total = 0.0f;
    bool alarm = false;
};

// The total field, as every view works it out.
using heading::totalField;

// Appends value as the shortest JSON number that reads back as the same double; null when it
// is not finite (JSON has no NaN or infinity).
void appendNumber(std::string& out, double value);
void appendNumber(std::string& out, float value);

// {"t":…,"x":…,"y":…,"z":…,"magneticHeading":…,"trueHeading":…,"total":…,"alarm":…}
std::string latestJson(const RemoteSample& sample);

// One sample inside a stream batch, compact: [t,x,y,z,magneticHeading,trueHeading,total,alarm]
// with alarm as 0 or 1; then, as the window shows it, ",1" when held, or ",held,x0,y0,z0" when
// shown beside a zero (held 0 or 1, the reference in µT).
void appendBatchEntry(std::string& out, const RemoteSample& sample);

}  // namespace remote
