#pragma once

#include <cerrno>
#include <functional>
#include <string>

namespace heading {

// The error of a read refused because the file is a FIFO, a device or a folder: reading one of
// those may never return.
inline constexpr int kNotRegularFile = -1;

// What error (an errno, or kNotRegularFile) means, for a message.
std::string describeReadError(int error);

// One sysfs attribute read whole: its text, or the errno (or kNotRegularFile) that stopped it.
struct AttributeRead {
    std::string text;
    int error = 0;
};

// Reads one attribute file. The sensor reads through one of these so that tests can stand in
// for a kernel that refuses access.
using AttributeReader = std::function<AttributeRead(const std::string& path)>;

// open, one read, close: how sysfs wants to be read. Only a regular file is read.
AttributeRead readAttributeFile(const std::string& path);

// Writes text (and a newline) to one attribute file, as `echo text > path` does; returns 0 or the
// errno (or kNotRegularFile) that stopped it.
using AttributeWriter = std::function<int(const std::string& path, const std::string& text)>;
int writeAttributeFile(const std::string& path, const std::string& text);

// Where IIO devices live: $FLUXPROBE_IIO_ROOT when set, else /sys/bus/iio/devices.
std::string iioRoot();
// Where their buffers' device nodes live: $FLUXPROBE_IIO_DEV when set, else /dev.
std::string iioDevRoot();

// EACCES or EPERM: the user may not read the sensor, and asking again will not help.
inline bool isAccessDenied(int error) {
    return error == EACCES || error == EPERM;
}

}  // namespace heading
