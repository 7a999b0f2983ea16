#pragma once

#include <array>
#include <stdexcept>
#include <string>

#include "heading/HeadingMath.h"
#include "heading/iio/IioAttributes.h"
#include "heading/iio/IioDiscovery.h"
#include "heading/iio/IioFiles.h"

namespace heading {

// The sensor may not be read at all (EACCES or EPERM on path).
class AccessDenied : public std::runtime_error {
  public:
    explicit AccessDenied(const std::string& path)
        : std::runtime_error("access to " + path + " is denied"), path_(path) {}
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// The x, y and z channels of one kind ("magn", "accel") on one IIO device: their scale, offset,
// mount matrix and sampling frequency, read once, and the raw values, read on every poll.
class IioTriad {
  public:
    // Throws SourceError for an attribute holding garbage or failing to read, AccessDenied when
    // one may not be read. Missing attributes take their defaults: scale 1, offset 0, identity
    // mount matrix, 50 Hz.
    IioTriad(const IioDeviceInfo& device, std::string type, AttributeReader read);

    // Readings are refused unless this many times them is still a finite number, so that a
    // conversion of units downstream (Gauss to µT) stays finite too.
    static constexpr double kHeadroom = 1e3;

    struct Reading {
        Vector3 value;  // device axes, (raw + offset) × scale
        // errno of a failed read; EIO for a raw value that is not a number, ERANGE for one that
        // converts to a value too large to use
        int error = 0;
        std::string message;
    };
    Reading read() const;
    // The same from raw values that came another way (a buffer's scan).
    Reading convert(const std::array<long long, 3>& raw) const;

    double samplingFrequency() const { return samplingFrequency_; }
    // After the device was set to another rate.
    void setSamplingFrequency(double hz) { samplingFrequency_ = hz; }
    const Matrix3& mountMatrix() const { return mount_; }
    const std::array<double, 3>& scale() const { return scale_; }
    const std::array<double, 3>& offset() const { return offset_; }

  private:
    // Throws SourceError naming the file when scale, offset or mount matrix would turn even
    // the smallest reading into a number too large to use.
    void refuseOverflow(const std::array<std::string, 3>& scalePaths,
                        const std::array<std::string, 3>& offsetPaths,
                        const std::string& mountPath) const;
    std::string path(const std::string& attribute) const;

    std::string dir_;
    std::string type_;
    AttributeReader read_;
    std::array<std::string, 3> rawPaths_;
    std::array<double, 3> scale_{1, 1, 1};
    std::array<double, 3> offset_{0, 0, 0};
    Matrix3 mount_;
    double samplingFrequency_ = 50.0;
};

}  // namespace heading
