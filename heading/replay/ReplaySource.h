#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "heading/Callbacks.h"
#include "heading/Heading.h"
#include "heading/ReaderThread.h"
#include "heading/Source.h"

namespace heading {

// Plays a recorded session back in real time from a thread of its own: each sample falls due
// its t minus the first sample's t after start, and goes out with its recorded values, bit for
// bit. With a declination the true heading is worked out afresh; without one the recorded true
// heading stands. At the end of the file the source falls silent and says so once through warn.
class ReplaySource : public Source {
  public:
    // Reads and checks the whole file now; throws SourceError.
    ReplaySource(const std::string& path, std::optional<double> declination, Warn warn);
    ~ReplaySource() override;

    void start(std::shared_ptr<SampleChannel> channel) override;
    void stop() override;
    std::string describe() const override;
    bool measuresGravity() const override { return gravity_; }

    const std::vector<heading::Heading>& samples() const { return samples_; }

  private:
    void run(std::stop_token stop, std::shared_ptr<SampleChannel> channel);

    std::string path_;
    Warn warn_;
    std::vector<heading::Heading> samples_;
    bool gravity_ = false;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    ReaderThread thread_;  // last, so it ends before the members its work reads go
};

}  // namespace heading
