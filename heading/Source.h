#pragma once

#include <memory>
#include <optional>
#include <string>

#include "heading/SourceFacts.h"

namespace heading {

class SampleChannel;

// Where samples come from. A source that must block reads on a thread of its own and pushes
// into the channel; stop() returns only when that thread has ended.
class Source {
  public:
    virtual ~Source() = default;

    // Whether this device can measure headings at all.
    virtual bool available() const { return true; }

    virtual void start(std::shared_ptr<SampleChannel> channel) = 0;
    virtual void stop() = 0;

    virtual std::string describe() const = 0;

    // Whether samples carry the accelerometer's reading (a recording then keeps it too).
    virtual bool measuresGravity() const { return false; }

    // Names the physical sensor, the same across reboots, for its stored calibration; empty
    // for a source that has none (a replay, no sensor).
    virtual std::string sensorId() const { return {}; }

    // Samples a second the device is set to give, when it says so (after start).
    virtual std::optional<double> sampleRate() const { return std::nullopt; }
    // The smallest step of the field it tells apart, in µT; 0 when not known.
    virtual double resolution() const { return 0.0; }

    // What a station's files say of the source's components and where they come from.
    virtual SourceFacts facts() const { return {}; }
};

}  // namespace heading
