#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "heading/Callbacks.h"
#include "heading/Heading.h"
#include "heading/ReaderThread.h"
#include "heading/Source.h"
#include "heading/SourceFacts.h"

namespace heading {

// How a replay is played: speed times real time (0: as fast as the road takes the samples),
// and for a CSV recording, whose times are relative, the UTC time of its first sample (the
// start of the run when none is given).
struct ReplayPace {
    double speed = 1.0;
    std::optional<std::int64_t> startMs;
};

// Plays a recorded session back from a thread of its own: a CSV recording (ReplayFile) or an
// IAGA-2002 file (IagaFile), recognised by its first line. Each sample falls due its time minus
// the first sample's after start, divided by the speed, and goes out with its recorded values,
// bit for bit (an IAGA-2002 file's nT as µT, with its own UTC times and total field). With a
// declination the true heading is worked out afresh; without one the recorded true heading
// stands. A plain file is checked whole now and read again as it plays, so that a recording of
// any length takes the same memory; a FIFO is read whole now. At the end of the file the source
// falls silent and says so once through warn.
class ReplaySource : public Source {
  public:
    // Samples waiting in the channel before a replay as fast as possible waits for the road.
    static constexpr std::size_t kMaxBacklog = 2048;

    // Reads and checks the whole file now; throws SourceError.
    ReplaySource(const std::string& path, std::optional<double> declination, Warn warn,
                 ReplayPace pace = {});
    ~ReplaySource() override;

    void start(std::shared_ptr<SampleChannel> channel) override;
    void stop() override;
    std::string describe() const override;
    bool measuresGravity() const override { return gravity_; }
    SourceFacts facts() const override { return facts_; }

    std::size_t sampleCount() const { return count_; }

  private:
    using Each = std::function<void(heading::Heading&)>;
    void run(std::stop_token stop, std::shared_ptr<SampleChannel> channel);
    // Reads the file from its start, handing each sample to each; throws SourceError.
    void play(const Each& each, double utcBase) const;
    void checkIaga();
    void checkCsv();

    std::string path_;
    std::optional<double> declination_;
    Warn warn_;
    ReplayPace pace_;
    bool iaga_ = false;
    bool fifo_ = false;
    std::vector<heading::Heading> samples_;  // a FIFO's, read now
    std::size_t count_ = 0;
    bool gravity_ = false;
    SourceFacts facts_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    ReaderThread thread_;  // last, so it ends before the members its work reads go
};

}  // namespace heading
