#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "heading/Callbacks.h"
#include "heading/ReaderThread.h"
#include "heading/Source.h"
#include "heading/iio/IioDiscovery.h"
#include "heading/iio/IioFiles.h"
#include "heading/iio/IioTriad.h"

namespace heading {
class IioBuffer;
class IioChanges;
}  // namespace heading

namespace heading {

// How an IIO source may reach its device beyond reading attributes.
struct IioOptions {
    std::optional<double> rate;  // rate=HZ: the sampling frequency asked for
    std::string devRoot = iioDevRoot();
    AttributeWriter write = writeAttributeFile;
    Warn warn = warnOnStderr;  // which way the device is read, and why
};

// A Linux IIO magnetometer, read on a thread of its own: through its triggered buffer (whole
// scans, kernel timestamps) where the device has one it may set up, else by polling its raw
// attributes at the device's sampling frequency (at most 1000 polls a second). Starting sets
// the sampling frequency and says once which way the device is read and why; stopping puts
// every attribute it set back as it was. An accelerometer on the same device, or else the
// first one in the tree, tilt-compensates the heading; without one the device is taken to lie
// flat.
//
// Failures reach the delegates as errors: access denied (code 1) ends the reading for good; a
// read that fails for now (busy, unplugged, a device node that closed) is code 0, told once per
// outage, and reading goes on so that samples come back with the device.
class IioSource : public Source {
  public:
    static constexpr double kMaxPollRate = 1000.0;

    // device: "iio:deviceN", a driver name, or empty for the first magnetometer. Throws
    // SourceError when none matches (listing what was found) or its attributes hold garbage.
    static std::unique_ptr<IioSource> open(const std::string& root, const std::string& device,
                                           std::optional<double> declination,
                                           AttributeReader read = readAttributeFile,
                                           IioOptions options = {});

    // For auto: the first magnetometer under root, or null when there is none.
    static std::unique_ptr<IioSource> findFirst(const std::string& root,
                                                std::optional<double> declination,
                                                AttributeReader read = readAttributeFile,
                                                IioOptions options = {});

    // magnetometer is one of devices, which are searched for an accelerometer.
    IioSource(const std::vector<IioDeviceInfo>& devices, const IioDeviceInfo& magnetometer,
              std::optional<double> declination, AttributeReader read, IioOptions options = {},
              std::string root = {});
    ~IioSource() override;

    void start(std::shared_ptr<SampleChannel> channel) override;
    void stop() override;
    std::string describe() const override;
    std::string sensorId() const override;
    bool measuresGravity() const override { return accel_.has_value(); }

    double pollRate() const;
    std::optional<double> sampleRate() const override;
    // While started: whether scans come through the buffer.
    bool buffered() const { return buffer_ != nullptr; }

    // How long stop() waits for a read in progress. A driver stuck in a read never returns it;
    // the reader is then left behind (and said so on stderr) rather than hang the program.
    static constexpr std::chrono::milliseconds kStopLimit{1000};

  private:
    void startBuffered(const std::shared_ptr<SampleChannel>& channel);
    std::string shortName() const;

    struct Poller;  // all the reader thread touches, owned with it, so that it can be left behind

    IioDeviceInfo device_;
    std::optional<double> declination_;
    std::optional<IioTriad> magn_;
    std::optional<IioTriad> accel_;
    std::string accelLabel_;
    std::string denied_;  // set when the configuration could not be read: access denied
    std::string root_;
    AttributeReader read_;
    IioOptions options_;
    double foundRate_ = 0;                     // the sampling frequency before any start
    std::unique_ptr<IioChanges> rateChanges_;  // while started
    std::shared_ptr<IioBuffer> buffer_;        // while started, when buffered
    ReaderThread thread_;
};

}  // namespace heading
