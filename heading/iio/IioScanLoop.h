#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>

#include "heading/iio/IioBuffer.h"
#include "heading/iio/IioTriad.h"

namespace heading {

class SampleChannel;

// The reader thread's work for a buffered device: waits for scans on its device node and
// turns each into a sample, timed by the kernel's timestamp where the scan carries one. A node
// that closes or fails is an outage (code 0, told once) and is opened again until it reads;
// access denied ends the reading.
class IioScanLoop {
  public:
    // accel: the accelerometer's triad; its axes come from the scan when accelInScan, else from
    // its attributes for every scan.
    IioScanLoop(std::shared_ptr<IioBuffer> buffer, IioTriad magn, std::optional<IioTriad> accel,
                bool accelInScan, std::optional<double> declination);

    void run(std::stop_token stop, const std::shared_ptr<SampleChannel>& channel);

    // How long a wait for data lasts before the stop token is looked at again, and the pause
    // before a closed node is opened again.
    static constexpr std::chrono::milliseconds kWait{100};
    static constexpr std::chrono::milliseconds kReopenPause{200};

  private:
    // The time of a scan in seconds from the first: the kernel's when it is there (never going
    // back), else now.
    double timeOf(const unsigned char* scan);

    std::shared_ptr<IioBuffer> buffer_;
    IioTriad magn_;
    std::optional<IioTriad> accel_;
    bool accelInScan_;
    std::optional<double> declination_;
    int x_, y_, z_, ax_, ay_, az_, timestamp_;
    static constexpr double kPlausibleStampSeconds = 60.0;
    // The scan's UTC time: its kernel timestamp where that follows the wall clock.
    double utcOf(const unsigned char* scan) const;

    std::optional<long long> origin_;  // ns
    long long last_ = 0;               // ns after origin_ of the last scan
    std::chrono::steady_clock::time_point started_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
};

}  // namespace heading
