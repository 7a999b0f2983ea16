#pragma once

#include <optional>
#include <string>

#include "heading/iio/IioChanges.h"
#include "heading/iio/IioDiscovery.h"

namespace heading {

// The device's sampling frequency for a run: asked for (rate=HZ, the nearest the driver offers)
// or, when writable, the highest it offers up to 100 Hz. The old value is kept in changes.
struct IioRateSetting {
    double rate = 0;   // Hz now in force
    std::string note;  // why it could not be chosen, for one line on stderr; empty when it was

    // current: the rate the device reports now.
    static IioRateSetting apply(const IioDeviceInfo& device, const std::string& type,
                                double current, std::optional<double> requested,
                                IioChanges& changes, const AttributeReader& read);
};

}  // namespace heading
