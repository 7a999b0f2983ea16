#pragma once

#include <cerrno>
#include <functional>
#include <string>

namespace heading {

// One sysfs attribute read whole: its text, or the errno that stopped the read.
struct AttributeRead {
    std::string text;
    int error = 0;
};

// Reads one attribute file. The sensor reads through one of these so that tests can stand in
// for a kernel that refuses access.
using AttributeReader = std::function<AttributeRead(const std::string& path)>;

// open, one read, close: how sysfs wants to be read.
AttributeRead readAttributeFile(const std::string& path);

// Where IIO devices live: $FLUXPROBE_IIO_ROOT when set, else /sys/bus/iio/devices.
std::string iioRoot();

// EACCES or EPERM: the user may not read the sensor, and asking again will not help.
inline bool isAccessDenied(int error) {
    return error == EACCES || error == EPERM;
}

}  // namespace heading
