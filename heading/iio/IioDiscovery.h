#pragma once

#include <string>
#include <vector>

#include "heading/iio/IioFiles.h"

namespace heading {

// One iio:deviceN directory and what it can measure.
struct IioDeviceInfo {
    std::string id;              // "iio:device0"
    std::string path;            // root + "/iio:device0"
    std::string name;            // the driver's name for it ("ak8975"), empty when unreadable
    bool magnetometer = false;   // in_magn_{x,y,z}_raw
    bool accelerometer = false;  // in_accel_{x,y,z}_raw

    // "iio:device0 (ak8975)"
    std::string label() const;
};

// Every iio:deviceN under root that has a name file, in device number order. A root that does
// not exist has no devices.
std::vector<IioDeviceInfo> listIioDevices(const std::string& root, const AttributeReader& read);

// "iio:device0 (ak8975), iio:device1 (bmi160, not a magnetometer)" or "no IIO devices".
std::string describeFound(const std::vector<IioDeviceInfo>& devices);

}  // namespace heading
