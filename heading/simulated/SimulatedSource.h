#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

#include "heading/ReaderThread.h"
#include "heading/Source.h"
#include "heading/simulated/SimulatedMotion.h"

namespace heading {

// Delivers the simulated field in real time from a thread of its own: sample n is due n / rate
// seconds after start. When the thread wakes late, every sample that has fallen due goes as one
// batch; more than a second behind (a suspended machine, a main loop that cannot keep up), the
// older samples are skipped rather than piled up.
class SimulatedSource : public Source {
  public:
    SimulatedSource(double rate, std::optional<double> declination, SimulatedMotion motion = {});
    ~SimulatedSource() override;

    void start(std::shared_ptr<SampleChannel> channel) override;
    void stop() override;
    std::string describe() const override;
    // A tumbling or distorted field stands for a sensor of its own, so its calibration is kept;
    // the plain field needs none.
    std::string sensorId() const override { return motion_.any() ? "simulated" : ""; }
    // Read like a phone's sensor, to a tenth of a microtesla: the field model's own smooth
    // changes leak a few thousandths into the AC band, which no such sensor shows as a hum.
    static constexpr double kResolution = 0.1;
    double resolution() const override { return kResolution; }
    // Only the device in motion is given an accelerometer.
    bool measuresGravity() const override { return motion_.any(); }

  private:
    void run(std::stop_token stop, std::shared_ptr<SampleChannel> channel);

    double rate_;
    std::optional<double> declination_;
    SimulatedMotion motion_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    ReaderThread thread_;  // last, so it ends before the members its work reads go
};

}  // namespace heading
