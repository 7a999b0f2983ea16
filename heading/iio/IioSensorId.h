#pragma once

#include <string>

#include "heading/iio/IioDiscovery.h"

namespace heading {

// A name for the physical sensor behind an IIO device that stays the same across reboots, where
// iio:deviceN may not: its driver's name and the path of the device it hangs off (the bus and
// address), made safe for a file name. "ak8975@platform-soc-i2c-1-1-000c"
std::string iioSensorId(const IioDeviceInfo& device);

}  // namespace heading
